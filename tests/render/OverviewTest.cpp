// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
// Each bin holds the corners of the cells it covers, however the records arrived and
// wherever the level is kept, and the overview stays small for any grid.
#include "render/Overview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "grid/GridWriter.h"
#include "render/CellColor.h"
#include "support/GridFiles.h"
#include "support/TempDir.h"

namespace tolmer {
namespace {

using testing::Hills;
using testing::UniformCell;

constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kAcross = Overview::kMaxBinsAcross;

// Hills, whose types mix in every bin, with squares of one type, and of two types
// of the same class, so that bins of one class show too.
CellRecord Cell(std::int32_t row, std::int32_t column) {
  CellRecord cell = Hills(row, column);
  const std::int32_t types[] = {0, 5, 1 + column % 2, cell.CellType};
  cell.CellType = types[(row / 8 + column / 8) % 4];
  return cell;
}

// Records of the grid, `chunk` at a time or, for 0, band by band as the overview
// splits them, taken in turn by `threads` threads that add them at once, as the
// scan's threads do, each from its last block back when `backwards`; then finished.
Overview Gather(std::int32_t width, std::int32_t height, std::int64_t chunk, int threads,
                bool backwards, const OverviewStorage& storage) {
  Overview overview(width, height, storage);
  const std::vector<unsigned char> bytes = testing::GridBytes(width, height, Cell);
  const std::int64_t cells = std::int64_t{width} * height;
  const auto bands = overview.RecordBands(std::numeric_limits<std::uint64_t>::max());
  std::vector<std::int64_t> starts;
  for (std::int64_t first = 0; first < cells;) {
    starts.push_back(first);
    first += chunk > 0 ? chunk : static_cast<std::int64_t>(first == 0 ? bands->first : bands->each);
  }
  starts.push_back(cells);
  std::vector<std::jthread> adders;
  for (int thread = 0; thread < threads; ++thread) {
    adders.emplace_back([&, thread] {
      std::vector<std::size_t> blocks;
      for (auto block = static_cast<std::size_t>(thread); block + 1 < starts.size();
           block += static_cast<std::size_t>(threads)) {
        blocks.push_back(block);
      }
      if (backwards) {
        std::reverse(blocks.begin(), blocks.end());
      }
      for (const std::size_t block : blocks) {
        const std::int64_t first = starts[block];
        overview.Add(RecordBlock(bytes.data() + kHeaderSize + first * std::int64_t{kCellRecordSize},
                                 static_cast<std::size_t>(starts[block + 1] - first)),
                     static_cast<std::uint64_t>(first));
      }
    });
  }
  adders.clear();
  overview.Finish();
  return overview;
}

// What a bin must hold, taken from the cells themselves: corners and their heights by
// class, then the sum of their colours channel by channel, for the picture's mean.
using Box = std::array<double, 7>;

void Add(Box& box, const Box& other) {
  for (std::size_t index = 0; index < box.size(); ++index) {
    box[index] += other[index];
  }
}

// Level 0 against boxes of the cells, each coarser level against 2 x 2 boxes of the
// one before, down to a single bin; levels not kept are skipped.
void ExpectBinsAreBoxAverages(const Overview& overview) {
  const std::int32_t width = overview.GridWidth();
  const std::int32_t height = overview.GridHeight();
  const HeightRange range{-10.0F, 60.0F};  // about the heights of Hills
  const std::int64_t side = overview.BinSide();
  std::int64_t across = (width + side - 1) / side;
  std::int64_t down = (height + side - 1) / side;
  std::vector<Box> boxes(static_cast<std::size_t>(across * down));
  for (std::int32_t row = 0; row < height; ++row) {
    for (std::int32_t column = 0; column < width; ++column) {
      const CellRecord cell = Cell(row, column);
      const double other = cell.CellType != 0 ? 1.0 : 0.0;
      for (const float corner : {cell.Height1, cell.Height2, cell.Height3, cell.Height4}) {
        Colour colour = 0;
        CellColor(range, corner, cell.CellType, colour);
        Add(boxes[static_cast<std::size_t>((height - 1 - row) / side * across + column / side)],
            {1.0 - other, other, (1.0 - other) * corner, other * corner, double(RedOf(colour)),
             double(GreenOf(colour)), double(BlueOf(colour))});
      }
    }
  }
  for (int level = 0;; ++level) {
    SCOPED_TRACE(::testing::Message() << width << "x" << height << " level " << level);
    ASSERT_LT(level, overview.Levels());
    ASSERT_EQ(overview.BinSide(level), side << level);
    ASSERT_EQ(overview.BinsAcross(level), across);
    ASSERT_EQ(overview.BinsDown(level), down);
    for (std::size_t index = 0; overview.HasLevel(level) && index < boxes.size(); ++index) {
      const auto column = static_cast<std::int64_t>(index) % across;
      const auto row = static_cast<std::int64_t>(index) / across;
      const BinSums bin = overview.Bin(level, column, row);
      const Box& box = boxes[index];
      for (std::size_t type = 0; type < 2; ++type) {
        ASSERT_EQ(bin.count[type], box[type]) << "bin " << column << ", " << row;
        ASSERT_NEAR(bin.sum[type], box[2 + type], 1e-6 * (1.0 + std::abs(box[2 + type])));
      }
      const Colour colour = BinColour(bin, range);
      const int channels[3] = {RedOf(colour), GreenOf(colour), BlueOf(colour)};
      for (std::size_t channel = 0; channel < 3; ++channel) {
        ASSERT_LE(std::abs(channels[channel] - box[4 + channel] / (box[0] + box[1])), 1.0)
            << "bin " << column << ", " << row << " channel " << channel;
      }
    }
    if (across == 1 && down == 1) {
      EXPECT_EQ(overview.Levels(), level + 1);
      return;
    }
    const std::int64_t coarserAcross = (across + 1) / 2;
    std::vector<Box> coarser(static_cast<std::size_t>(coarserAcross * ((down + 1) / 2)));
    for (std::size_t index = 0; index < boxes.size(); ++index) {
      const auto column = static_cast<std::int64_t>(index) % across;
      const auto row = static_cast<std::int64_t>(index) / across;
      Add(coarser[static_cast<std::size_t>(row / 2 * coarserAcross + column / 2)], boxes[index]);
    }
    boxes = std::move(coarser);
    across = coarserAcross;
    down = (down + 1) / 2;
  }
}

TEST(OverviewTest, BinsHoldTheCornersOfTheirCellsAtEveryLevel) {
  // Records `chunk` at a time, or band by band for 0, added by `threads` threads at
  // once.
  struct Case {
    std::int32_t width, height;
    std::int64_t chunk;
    int threads;
    bool backwards = false;
  };
  // Some have partial last bins, and bins wider than 4 cells; bands of 1501 x 1499
  // leave a narrow last bin column and a short bottom bin row.
  constexpr auto kWide = static_cast<std::int32_t>(5 * kAcross - 5);
  constexpr auto kTall = static_cast<std::int32_t>(3 * kAcross + 3);
  const Case cases[] = {{1, 1, 1, 1},
                        {1, 37, 5, 1},
                        {41, 1, 1000, 1},
                        {37, 29, 7, 1},
                        {37, 29, 64, 3},
                        {64, 64, 100, 2},
                        {kWide, 1, 65536, 2},
                        {1, kTall, 40000, 2},
                        {1501, 1499, 65536, 2},
                        {37, 29, 64, 1, true},
                        {1501, 1499, 65536, 2, true},
                        {64, 64, 0, 1},
                        {37, 29, 0, 2},
                        {1501, 1499, 0, 2, true}};
  testing::TempDir dir;
  // Every level in memory; every level on disk; and a disk that takes none, where the
  // levels beyond the budget are lost and the others still right.
  const OverviewStorage storages[] = {{}, {0, {dir.Path("")}}, {4096, {dir.Path("none")}}};
  for (const Case& c : cases) {
    for (const OverviewStorage& storage : storages) {
      SCOPED_TRACE(::testing::Message() << "budget " << storage.memoryBudget);
      const Overview overview = Gather(c.width, c.height, c.chunk, c.threads, c.backwards, storage);
      ASSERT_EQ(overview.SpillFailed(), !overview.HasLevel(0));
      ASSERT_TRUE(overview.HasLevel(overview.Levels() - 1) || storage.memoryBudget == 0);
      ExpectBinsAreBoxAverages(overview);
    }
  }
  // Four corners at 5 in 0 to 10 are CellColor's colour of 5, whose 97.5 rounds down.
  BinSums fives;
  fives.count[0] = 4.0;
  fives.sum[0] = 20.0;
  EXPECT_EQ(BinColour(fives, HeightRange{0.0F, 10.0F}), 0x61FF61U);
}

TEST(OverviewTest, StaysWithinItsBoundForAnyShape) {
  for (const auto& [width, height] :
       {std::pair{kInt32Max, 1}, {1, kInt32Max}, {kInt32Max, 2}, {46341, 46341}, {7326, 7326}}) {
    SCOPED_TRACE(::testing::Message() << width << "x" << height);
    Overview overview(width, height, {});
    const std::int64_t cells = std::int64_t{width} * height;
    ASSERT_LE(overview.BinsAcross(), kAcross);
    // On disk, twelve bytes a bin, level 0 is under a twentieth of the grid's records.
    ASSERT_LE(overview.BinsAcross() * overview.BinsDown() * 12, cells * 20 * 5 / 100);
    ASSERT_GE(overview.BinsAcross() * overview.BinSide(), width);
    ASSERT_GE(overview.BinsDown() * overview.BinSide(), height);
    EXPECT_LE(overview.MemoryBytes(), std::size_t{32} << 20U);
    // Whatever does not fit in memory has nowhere to go, and only that is lost.
    EXPECT_EQ(overview.SpillFailed(), !overview.HasLevel(0));
    EXPECT_TRUE(overview.HasLevel(overview.Levels() - 1));
  }
}

// The finer levels' file has no name, so a process killed while it holds one leaves
// nothing behind.
TEST(OverviewTest, LeavesNothingOnDiskWhenKilled) {
  testing::TempDir dir;
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    Overview overview(4000, 4000, {0, {dir.Path("")}});
    const char byte = overview.SpilledBytes() > 0 ? 'y' : 'n';
    (void)!::write(ready[1], &byte, 1);
    ::pause();
    ::_exit(0);
  }
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  EXPECT_EQ(byte, 'y');
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path("")));
  ::kill(child, SIGKILL);
  ASSERT_EQ(::waitpid(child, nullptr, 0), child);
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path("")));
  ::close(ready[0]);
  ::close(ready[1]);
}

}  // namespace
}  // namespace tolmer
