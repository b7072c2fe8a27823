// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/GridStatistics.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/GridFiles.h"

namespace tolmer {
namespace {

// Parts gathered apart, as scanning threads gather them, merge into one pass's
// figures, however the records were split; the portable pass gives the same figures.
TEST(GridStatisticsTest, PartsMergeIntoTheWhole) {
  const std::vector<unsigned char> bytes =
      testing::GridBytes(40, 30, [](std::int32_t row, std::int32_t column) {
        const std::int32_t type = (row * column) % 5 == 0 ? 0 : (row % 4) * 1000 - 1500 + column;
        return testing::UniformCell(static_cast<float>(row - column) * 0.75F, type);
      });
  const RecordBlock all(bytes.data() + kHeaderSize, 1200);
  GridStatistics whole;
  whole.Add(all);
  std::vector<GridStatistics> others;
  for (const std::size_t split : {0UL, 1UL, 599UL, 1199UL, 1200UL}) {
    GridStatistics first;
    others.emplace_back().Add(all.SubBlock(split, 1200 - split));
    first.Add(all.SubBlock(0, split));
    others.back().Merge(first);
  }
  others.emplace_back().AddPortable(all.SubBlock(0, 7));
  others.back().AddPortable(all.SubBlock(7, 1193));
  for (std::size_t index = 0; index < others.size(); ++index) {
    const GridStatistics& other = others[index];
    EXPECT_EQ(other.Cells(), 1200U) << index;
    EXPECT_EQ(other.Types(), whole.Types()) << index;
    EXPECT_EQ(other.Range().MinHeight, whole.Range().MinHeight) << index;
    EXPECT_EQ(other.Range().MaxHeight, whole.Range().MaxHeight) << index;
    for (const auto part : {&GridStatistics::TypeZero, &GridStatistics::OtherTypes}) {
      EXPECT_EQ((other.*part)().cells, (whole.*part)().cells) << index;
      EXPECT_EQ((other.*part)().lowest, (whole.*part)().lowest) << index;
      EXPECT_EQ((other.*part)().highest, (whole.*part)().highest) << index;
      EXPECT_DOUBLE_EQ((other.*part)().sum, (whole.*part)().sum) << index;
    }
  }
}

}  // namespace
}  // namespace tolmer
