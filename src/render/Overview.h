// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "grid/GridFormat.h"
#include "grid/HeightBounds.h"
#include "grid/SpillFile.h"
#include "render/Colour.h"
#include "render/HeightRange.h"

namespace tolmer {

// The corner heights gathered into one place of a coarse picture, by class: [0] for
// cells of type 0, [1] for all other types. Sums in double, so that millions of
// heights still average to within rounding of the exact mean.
struct BinSums {
  double count[2] = {0.0, 0.0};
  double sum[2] = {0.0, 0.0};

  // Another's corners, each counted `weight` times: a part of a bin, or all of it.
  void Add(const BinSums& other, double weight = 1.0) {
    count[0] += other.count[0] * weight;
    count[1] += other.count[1] * weight;
    sum[0] += other.sum[0] * weight;
    sum[1] += other.sum[1] * weight;
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
// Made once per picture, for it runs for every pixel of a zoomed-out view.
class BinShading {
 public:
  explicit BinShading(const HeightRange& range);
  Colour operator()(const BinSums& bin) const;

 private:
  double shade(double height) const;

  double lowest_ = 0.0;
  double stepsPerHeight_ = 0.0;  // zero for a range without span: every height shades 0
};

inline Colour BinColour(const BinSums& bin, const HeightRange& range) {
  return BinShading(range)(bin);
}

// Where an overview keeps its levels: the coarsest in memory, up to a budget, and
// the finer ones in an unnamed file in the first of `spillFolders` that takes one.
struct OverviewStorage {
  std::uint64_t memoryBudget = std::uint64_t{32} << 20U;
  // None: the levels beyond the budget are not kept, and views read records there.
  std::vector<std::string> spillFolders;
};

// Coarse pictures of a whole grid, built while the range scan reads every record: a
// pyramid of square bins in picture orientation (bin row 0 holds the rows stored
// last, as at the top of the picture). Level 0 has bins of BinSide() cells on a
// side, a few cells, and about a sixteenth as many bins as the grid has cells, so
// that kept on disk it is about a twenty-fifth of the grid's size; each coarser
// level sums 2 x 2 bins of the one before, down to a single bin. Memory while it is
// built grows with the grid's width, not its size: bins are summed row by row and
// handed on.
class Overview {
 public:
  // Bins across level 0 at most, so that a row of them stays small for any width.
  static constexpr std::int64_t kMaxBinsAcross = std::int64_t{1} << 18U;

  Overview();  // no levels: a scan for the range alone
  Overview(std::int32_t gridWidth, std::int32_t gridHeight, const OverviewStorage& storage);
  Overview(Overview&&) noexcept;
  Overview& operator=(Overview&&) noexcept;
  Overview(const Overview&) = delete;
  Overview& operator=(const Overview&) = delete;
  ~Overview();

  // Adds the corners of the records [first, first + block.Size()), and returns the
  // bounds of their heights, found in the same walk. Scanning threads may call it at
  // once, with records in any order; each record once. A block with a height that
  // is not finite leaves the overview of no use.
  HeightBounds Add(const RecordBlock& block, std::uint64_t first);
  // How the records fall into bands, each the stored rows of one bin row: the first
  // band in the file (the bottom bin row, which may have fewer rows), and each after.
  struct Bands {
    std::uint64_t first = 0;
    std::uint64_t each = 0;
  };
  // The bands, where none holds more than `most` records. A band added whole in one
  // call is summed straight into its bin row, which no other call then adds to.
  // None for a scan for the range alone.
  std::optional<Bands> RecordBands(std::uint64_t most) const;
  // Ends the building, once every record has been added; the levels then only read.
  void Finish();

  std::int32_t GridWidth() const { return gridWidth_; }
  std::int32_t GridHeight() const { return gridHeight_; }
  int Levels() const { return static_cast<int>(levels_.size()); }
  // Cells on the side of a bin of `level`.
  std::int64_t BinSide(int level = 0) const { return std::int64_t{baseSide_} << level; }
  std::int64_t BinsAcross(int level = 0) const { return levels_[Index(level)].across; }
  std::int64_t BinsDown(int level = 0) const { return levels_[Index(level)].down; }
  // Whether `level` was kept, in memory or on disk.
  bool HasLevel(int level) const { return levels_[Index(level)].place != Place::Lost; }
  bool InMemory(int level) const { return levels_[Index(level)].place == Place::Memory; }
  // True when levels beyond the memory budget could not be kept on disk.
  bool SpillFailed() const { return spillFailed_; }

  // Bins [firstColumn, firstColumn + count) of bin row `row` of a kept level, into
  // `out`. Throws GridError when the disk does not give them back.
  void ReadRow(int level, std::int64_t row, std::int64_t firstColumn, std::int64_t count,
               BinSums* out) const;
  BinSums Bin(int level, std::int64_t column, std::int64_t row) const;
  // Bytes of the levels kept in memory, and on disk.
  std::size_t MemoryBytes() const;
  std::uint64_t SpilledBytes() const;

 private:
  enum class Place { Memory, Disk, Lost };
  // A bin as kept, in single precision and precise far beyond a shade: the mean
  // heights, and the corners of the class with fewer of them, of type 0 or, with the
  // sign bit set, of the other types. The bin's place gives all its corners, so the
  // other class's count is exact wherever the fewer fit a float, and is not kept.
  struct StoredBin {
    float fewer;
    float mean[2];
  };
  struct Level {
    std::int64_t across = 0;
    std::int64_t down = 0;
    Place place = Place::Lost;
    std::uint64_t fileOffset = 0;
    StoredBin* bins = nullptr;  // in memory: its place in memory_

    std::uint64_t Bytes() const {
      return static_cast<std::uint64_t>(across * down) * sizeof(StoredBin);
    }
  };
  struct FreeMemory {
    void operator()(void* memory) const;
  };
  struct Building;

  static std::size_t Index(int level) { return static_cast<std::size_t>(level); }
  void PlaceLevels(const OverviewStorage& storage);
  std::uint64_t BytesIn(Place place) const;
  // A block's records summed by one thread: rows of `across` bins from bin row
  // `top` down, from column `lowBin`, and the cells each row took.
  struct BlockSums {
    std::int64_t top = 0;
    std::int64_t lowBin = 0;
    std::int64_t across = 0;
    std::vector<BinSums> bins;
    std::vector<std::uint64_t> cells;
  };
  static BlockSums& BlockSumsOfThisThread();
  std::uint64_t CellsOfBinRow(std::int64_t row) const;
  HeightBounds AddBinRow(const RecordBlock& block, std::int64_t binRow);
  void AddToRows(const BlockSums& sums);
  void HandOnWholeRows(std::unique_lock<std::mutex>& lock);
  void Emit(int level, std::int64_t row, const std::vector<BinSums>& bins);
  static void Pack(const BinSums& bin, StoredBin& stored);
  void Store(int level, std::int64_t row, const std::vector<BinSums>& bins);

  std::int32_t gridWidth_ = 0;
  std::int32_t gridHeight_ = 0;
  std::int32_t baseSide_ = 4;
  std::vector<Level> levels_;
  std::unique_ptr<StoredBin[], FreeMemory> memory_;  // the levels kept in memory
  std::optional<SpillFile> spill_;
  bool spillFailed_ = false;
  std::unique_ptr<Building> building_;  // while records arrive
};

}  // namespace tolmer
