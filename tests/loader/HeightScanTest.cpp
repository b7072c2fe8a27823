// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/ScanGrid.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <utility>

#include "grid/GridError.h"
#include "support/GridFiles.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"

namespace tolmer {
namespace {

constexpr std::int32_t kWidth = 1000;
constexpr std::int32_t kHeight = 300;  // 18 chunks, so two threads share them

class HeightScanTest : public ::testing::TestWithParam<unsigned> {
 protected:
  // Scans a kWidth x kHeight grid whose records at `faulty` hold a NaN, and whose
  // heights otherwise run from -row to column; or, for `extremes`, whose heights are
  // the largest finite ones of either sign, two columns of each in turn.
  bool Scan(const std::vector<std::uint64_t>& faulty, HeightRange& range, bool extremes = false) {
    const std::string path = dir.Path("g.grid");
    testing::WriteGrid(path, kWidth, kHeight, [&](std::int32_t row, std::int32_t column) {
      if (extremes) {
        const float height = column % 4 < 2 ? FLT_MAX : -FLT_MAX;
        return CellRecord{height, height, -height, -height, 0};
      }
      const auto record = static_cast<std::uint64_t>(row * kWidth + column);
      const bool bad = std::find(faulty.begin(), faulty.end(), record) != faulty.end();
      const float low = bad ? std::numeric_limits<float>::quiet_NaN() : -static_cast<float>(row);
      return CellRecord{low, static_cast<float>(column), 0.0F, 0.0F, 0};
    });
    GridReader reader;
    reader.open(path);
    const GridHeader header = reader.readHeader();
    LoadTurns turns(host);
    turns.BeginPass(0, std::uint64_t{kWidth} * kHeight);
    overview = Overview(kWidth, kHeight, {});
    return ScanHeights(reader, header, turns, range, overview, GetParam());
  }

  testing::TempDir dir;
  Overview overview;
  testing::RecordingHost host;
};

TEST_P(HeightScanTest, SeesEveryHeightAndGivesEveryTurn) {
  HeightRange range;
  ASSERT_TRUE(Scan({}, range));
  EXPECT_EQ(range.MinHeight, -299.0F);
  EXPECT_EQ(range.MaxHeight, 999.0F);
  EXPECT_EQ(host.Turns(), 4);  // 300,000 cells
  // Each record's corners once, whichever thread took it: row r sums to column - r.
  const std::int64_t side = overview.BinSide();
  for (const auto& [column, row] : {std::pair<std::int64_t, std::int64_t>{0, 0}, {7, 3}}) {
    const BinSums& bin = overview.Bin(0, column, row);
    double expected = 0.0;
    for (std::int64_t y = row * side; y < std::min<std::int64_t>((row + 1) * side, kHeight); ++y) {
      for (std::int64_t x = column * side; x < std::min<std::int64_t>((column + 1) * side, kWidth);
           ++x) {
        expected += static_cast<double>(x) - static_cast<double>(kHeight - 1 - y);
      }
    }
    EXPECT_NEAR(bin.sum[0], expected, 1e-6 * std::abs(expected));
    EXPECT_EQ(bin.count[0] + bin.count[1], 4.0 * static_cast<double>(side * side));
  }
}

TEST_P(HeightScanTest, TheFirstFaultyRecordOfTheFileDecides) {
  for (const auto& faulty : std::vector<std::vector<std::uint64_t>>{
           {299999}, {150000, 5}, {16382, 16383}, {280000, 140000, 70000}}) {
    HeightRange range;
    try {
      Scan(faulty, range);
      ADD_FAILURE() << "no fault found";
    } catch (const GridError& error) {
      const std::uint64_t first = *std::min_element(faulty.begin(), faulty.end());
      EXPECT_THAT(error.what(),
                  ::testing::StartsWith("height 1 of record " + std::to_string(first) + " "));
    }
  }
}

TEST_P(HeightScanTest, HeightsWhoseSumsRunOutOfRangeBothWaysAreFinite) {
  HeightRange range;
  ASSERT_TRUE(Scan({}, range, true));
  EXPECT_EQ(range.MinHeight, -FLT_MAX);
  EXPECT_EQ(range.MaxHeight, FLT_MAX);
}

TEST_P(HeightScanTest, StopsWhenTheHostAsks) {
  host.stopAtTurn = 2;
  HeightRange range;
  EXPECT_FALSE(Scan({}, range));
  EXPECT_EQ(host.Turns(), 2);
}

INSTANTIATE_TEST_SUITE_P(HeightScan, HeightScanTest, ::testing::Values(1U, 2U));

}  // namespace
}  // namespace tolmer
