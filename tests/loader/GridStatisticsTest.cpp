// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/GridStatistics.h"

#include <gtest/gtest.h>

#include "support/GridFiles.h"

namespace tolmer {
namespace {

// Parts gathered apart, as scanning threads gather them, merge into one pass's
// figures, however the records were split.
TEST(GridStatisticsTest, PartsMergeIntoTheWhole) {
  const std::vector<unsigned char> bytes =
      testing::GridBytes(40, 30, [](std::int32_t row, std::int32_t column) {
        const std::int32_t type = (row * column) % 5 == 0 ? 0 : (row % 4) * 1000 - 1500 + column;
        return testing::UniformCell(static_cast<float>(row - column) * 0.75F, type);
      });
  const RecordBlock all(bytes.data() + kHeaderSize, 1200);
  GridStatistics whole;
  whole.Add(all);
  for (const std::size_t split : {0UL, 1UL, 599UL, 1199UL, 1200UL}) {
    GridStatistics first;
    GridStatistics second;
    first.Add(all.SubBlock(0, split));
    second.Add(all.SubBlock(split, 1200 - split));
    second.Merge(first);
    EXPECT_EQ(second.Cells(), 1200U) << split;
    EXPECT_EQ(second.Types(), whole.Types()) << split;
    EXPECT_EQ(second.Range().MinHeight, whole.Range().MinHeight) << split;
    EXPECT_EQ(second.Range().MaxHeight, whole.Range().MaxHeight) << split;
    for (const auto part : {&GridStatistics::TypeZero, &GridStatistics::OtherTypes}) {
      EXPECT_EQ((second.*part)().cells, (whole.*part)().cells) << split;
      EXPECT_EQ((second.*part)().lowest, (whole.*part)().lowest) << split;
      EXPECT_EQ((second.*part)().highest, (whole.*part)().highest) << split;
      EXPECT_DOUBLE_EQ((second.*part)().sum, (whole.*part)().sum) << split;
    }
  }
}

}  // namespace
}  // namespace tolmer
