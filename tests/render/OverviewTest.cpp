// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
// Each bin holds the corners of the cells it covers, however the records arrived,
// and the overview stays small for any grid.
#include "render/Overview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "grid/GridWriter.h"
#include "render/CellColor.h"
#include "support/GridFiles.h"

namespace tolmer {
namespace {

using testing::Hills;
using testing::UniformCell;

constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kMax = static_cast<std::int64_t>(Overview::kMaxBins);

// Hills, with the types of some cells changed so that bins of one class show too.
CellRecord Cell(std::int32_t row, std::int32_t column) {
  CellRecord cell = Hills(row, column);
  cell.CellType = (row / 3 + column / 5) % 4 == 0 ? 0 : cell.CellType;
  return cell;
}

// Records of the grid in file order, `chunk` at a time, handed to one of `parts`
// overviews in turn, as scanning threads would take them; then merged and finished.
Overview Gather(std::int32_t width, std::int32_t height, std::int64_t chunk, int parts) {
  std::vector<Overview> overviews(static_cast<std::size_t>(parts), Overview(width, height));
  const std::vector<unsigned char> bytes = testing::GridBytes(width, height, Cell);
  const std::int64_t cells = std::int64_t{width} * height;
  for (std::int64_t first = 0; first < cells; first += chunk) {
    const RecordBlock block(bytes.data() + kHeaderSize + first * std::int64_t{kCellRecordSize},
                            static_cast<std::size_t>(std::min(chunk, cells - first)));
    overviews[static_cast<std::size_t>(first / chunk % parts)].Add(
        block, static_cast<std::uint64_t>(first));
  }
  for (std::size_t part = 1; part < overviews.size(); ++part) {
    overviews[0].Merge(overviews[part]);
  }
  overviews[0].Finish();
  return std::move(overviews[0]);
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
// one before, down to a single bin.
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
    for (std::size_t index = 0; index < boxes.size(); ++index) {
      const auto column = static_cast<std::int64_t>(index) % across;
      const auto row = static_cast<std::int64_t>(index) / across;
      const BinSums& bin = overview.Bin(level, column, row);
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
  // Records `chunk` at a time, spread over `parts` overviews that are then merged.
  struct Case {
    std::int32_t width, height;
    std::int64_t chunk;
    int parts;
  };
  // The last three have base sides that are not powers of two, and partial last bins.
  constexpr auto kWide = static_cast<std::int32_t>(3 * kMax - 5);
  constexpr auto kTall = static_cast<std::int32_t>(11 * kMax + 3);
  const Case cases[] = {{1, 1, 1, 1},         {1, 37, 5, 1},        {41, 1, 1000, 1},
                        {37, 29, 7, 1},       {37, 29, 64, 3},      {64, 64, 100, 2},
                        {kWide, 1, 65536, 2}, {1, kTall, 40000, 1}, {1501, 1499, 65536, 2}};
  for (const Case& c : cases) {
    const Overview overview = Gather(c.width, c.height, c.chunk, c.parts);
    if (std::int64_t{c.width} * c.height > kMax) {
      ASSERT_FALSE(std::has_single_bit(static_cast<std::uint64_t>(overview.BinSide())));
    }
    ExpectBinsAreBoxAverages(overview);
  }
  // Four corners at 5 in 0 to 10 are CellColor's colour of 5, whose 97.5 rounds down.
  BinSums fives;
  fives.count[0] = 4.0;
  fives.sum[0] = 20.0;
  EXPECT_EQ(BinColour(fives, HeightRange{0.0F, 10.0F}), 0x61FF61U);
}

TEST(OverviewTest, StaysWithinItsBoundForAnyShape) {
  for (const auto& [width, height] :
       {std::pair{kInt32Max, 1}, {1, kInt32Max}, {kInt32Max, 2}, {46341, 46341}}) {
    SCOPED_TRACE(::testing::Message() << width << "x" << height);
    Overview overview(width, height);
    ASSERT_LE(overview.BinsAcross() * overview.BinsDown(), kMax);
    ASSERT_GE(overview.BinsAcross() * overview.BinSide(), width);
    ASSERT_GE(overview.BinsDown() * overview.BinSide(), height);
    // The last record lands in the last bin of the top row of bins: no overflow.
    const auto last = EncodeCell(UniformCell(7.0F, 1));
    overview.Add(RecordBlock(last.data(), 1),
                 static_cast<std::uint64_t>(std::int64_t{width} * height - 1));
    overview.Finish();
    EXPECT_LE(overview.MemoryBytes(), std::size_t{32} << 20U);
    EXPECT_EQ(overview.Bin(0, overview.BinsAcross() - 1, 0).sum[1], 28.0);
    EXPECT_EQ(overview.Bin(overview.Levels() - 1, 0, 0).count[1], 4.0);
  }
}

}  // namespace
}  // namespace tolmer
