// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "grid/GridFormat.h"
#include "render/Colour.h"
#include "render/HeightRange.h"

namespace tolmer {

// The corner heights gathered into one place of a coarse picture, by class: [0] for
// cells of type 0, [1] for all other types. Sums in double, so that millions of
// heights still average to within rounding of the exact mean.
struct BinSums {
  double count[2] = {0.0, 0.0};
  double sum[2] = {0.0, 0.0};

  void Add(const BinSums& other) {
    count[0] += other.count[0];
    count[1] += other.count[1];
    sum[0] += other.sum[0];
    sum[1] += other.sum[1];
  }
  // One corner height, of a cell of type 0 or, when `other`, of another type.
  void AddCorner(bool other, double height) {
    count[other ? 1 : 0] += 1.0;
    sum[other ? 1 : 0] += height;
  }
  bool IsEmpty() const { return count[0] + count[1] == 0.0; }
};

// The average of the colours CellColor gives the gathered corners, within rounding:
// each class shades its mean height on its own ramp, and the two mix by count.
Colour BinColour(const BinSums& bin, const HeightRange& range);

// A coarse picture of a whole grid, built while the range scan reads every record:
// square bins of BinSide() cells on a side, in picture orientation (bin row 0 holds
// the rows stored last, as at the top of the picture). Level 0 has at most kMaxBins
// bins whatever the grid's shape; each coarser level sums 2 x 2 bins of the one
// before, down to a single bin.
class Overview {
 public:
  // 8 MiB of sums at level 0, and at most as much again for the coarser levels (a
  // third more for a square grid, nearly as much for a single row): fine enough
  // for a fit view of 617 x 503 of grids up to about 60 million cells.
  static constexpr std::uint64_t kMaxBins = std::uint64_t{1} << 18U;

  Overview() = default;
  Overview(std::int32_t gridWidth, std::int32_t gridHeight);

  // Adds the corners of the records [first, first + block.Size()) to level 0.
  // Several overviews of the same grid may each take part of the records and be
  // merged afterwards, so that scanning threads need no lock.
  void Add(const RecordBlock& block, std::uint64_t first);
  // Adds another overview's level 0 of the same grid to this one's.
  void Merge(const Overview& other);
  // Builds the coarser levels from level 0, once every record has been added.
  void Finish();

  std::int32_t GridWidth() const { return gridWidth_; }
  std::int32_t GridHeight() const { return gridHeight_; }
  int Levels() const { return static_cast<int>(levels_.size()); }
  // Cells on the side of a bin of `level`.
  std::int64_t BinSide(int level = 0) const { return std::int64_t{baseSide_} << level; }
  std::int64_t BinsAcross(int level = 0) const { return levels_[Index(level)].across; }
  std::int64_t BinsDown(int level = 0) const { return levels_[Index(level)].down; }
  const BinSums& Bin(int level, std::int64_t column, std::int64_t row) const;
  // Bytes held by the sums of every level.
  std::size_t MemoryBytes() const;

 private:
  struct Level {
    std::int64_t across = 0;
    std::int64_t down = 0;
    std::vector<BinSums> bins;
  };

  static std::size_t Index(int level) { return static_cast<std::size_t>(level); }
  // Adds `count` records of one stored row, from column `column` on.
  void AddRun(const unsigned char* records, std::int64_t count, std::int64_t column,
              std::int64_t storedRow);

  std::int32_t gridWidth_ = 0;
  std::int32_t gridHeight_ = 0;
  std::int32_t baseSide_ = 1;
  std::vector<Level> levels_;
};

}  // namespace tolmer
