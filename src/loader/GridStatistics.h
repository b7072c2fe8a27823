// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <unordered_map>
#include <vector>

#include "grid/GridFormat.h"
#include "grid/HeightBounds.h"
#include "render/HeightRange.h"

namespace tolmer {

// What a grid's records hold, gathered a block at a time: cells and heights by
// class, the shading range, and how many cells each type has. A part gathered by
// one thread merges with another's into what one pass would give, so a scan that
// already reads every record can gather it on the side.
class GridStatistics {
 public:
  // The cells of one class: [0] type 0, [1] every other type.
  struct ClassHeights {
    std::uint64_t cells = 0;
    float lowest = std::numeric_limits<float>::infinity();
    float highest = -std::numeric_limits<float>::infinity();
    double sum = 0.0;  // of all four corners of every cell

    // Of the corner heights; only meaningful when there are cells.
    double Mean() const { return sum / (4.0 * static_cast<double>(cells)); }
  };

  struct TypeCells {
    std::int32_t type = 0;
    std::uint64_t cells = 0;

    friend bool operator==(const TypeCells&, const TypeCells&) = default;
  };

  // Adds every record of `block`, whose heights are all finite, with the fastest
  // implementation the build target has, as ScanHeightBounds chooses.
  void Add(const RecordBlock& block);
  // The same, decoding every record byte by byte, on any host.
  void AddPortable(const RecordBlock& block);
#ifdef TOLMER_SSE2_SCAN
  // The same, reading the heights as floats in the host's byte order: only correct
  // on a little-endian host.
  void AddSse2(const RecordBlock& block);
#endif
  // Adds what another part of the same grid gathered.
  void Merge(const GridStatistics& other);

  std::uint64_t Cells() const {
    return classes_[0].cells + classes_[1].cells;
  }
  const ClassHeights& TypeZero() const {
    return classes_[0];
  }
  const ClassHeights& OtherTypes() const {
    return classes_[1];
  }
  // The range the viewer shades these cells with: its seeds widened by every height.
  HeightRange Range() const;
  // Every type that occurs, with its cells: the commonest first, ties by type.
  std::vector<TypeCells> Types() const;

 private:
  // Most grids use a few small types: those are counted by index, without hashing.
  static constexpr std::int32_t kIndexedTypes = 256;

  // Counts a run of cells of one type, for the type and its class.
  void CountType(std::int32_t type, std::uint64_t cells);

  std::array<ClassHeights, 2> classes_;
  std::array<std::uint64_t, kIndexedTypes> indexedTypes_{};
  std::unordered_map<std::int32_t, std::uint64_t> otherTypes_;
};

}  // namespace tolmer
