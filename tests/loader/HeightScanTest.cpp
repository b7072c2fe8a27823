// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/HeightScan.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

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
  // heights otherwise run from -row to column.
  bool Scan(const std::vector<std::uint64_t>& faulty, HeightRange& range) {
    const std::string path = dir.Path("g.grid");
    testing::WriteGrid(path, kWidth, kHeight, [&](std::int32_t row, std::int32_t column) {
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
    return ScanHeights(reader, header, turns, range, GetParam());
  }

  testing::TempDir dir;
  testing::RecordingHost host;
};

TEST_P(HeightScanTest, SeesEveryHeightAndGivesEveryTurn) {
  HeightRange range;
  ASSERT_TRUE(Scan({}, range));
  EXPECT_EQ(range.MinHeight, -299.0F);
  EXPECT_EQ(range.MaxHeight, 999.0F);
  EXPECT_EQ(host.Turns(), 4);  // 300,000 cells
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

TEST_P(HeightScanTest, StopsWhenTheHostAsks) {
  host.stopAtTurn = 2;
  HeightRange range;
  EXPECT_FALSE(Scan({}, range));
  EXPECT_EQ(host.Turns(), 2);
}

INSTANTIATE_TEST_SUITE_P(HeightScan, HeightScanTest, ::testing::Values(1U, 2U));

}  // namespace
}  // namespace tolmer
