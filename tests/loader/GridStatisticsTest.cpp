// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/GridStatistics.h"

#include <gtest/gtest.h>

#include <vector>

#include "grid/GridError.h"
#include "loader/ScanStatistics.h"
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

// A file rewritten while its statistics are gathered fails, as a load does, on
// either number of threads; one left alone gives every record's figures.
TEST(GridStatisticsTest, AFileChangedDuringTheScanFails) {
  const testing::TempDir dir;
  const auto cells = [](std::int32_t row, std::int32_t column) {
    return testing::UniformCell(static_cast<float>(row + column), column % 3 == 0 ? 0 : 2);
  };
  const std::vector<unsigned char> bytes = testing::GridBytes(300, 200, cells);
  const std::string path = testing::WriteFileIn(dir, "rewritten.grid", bytes);
  for (const unsigned threads : {1U, 2U}) {
    testing::WriteFile(path, bytes);
    GridReader reader;
    reader.open(path);
    const GridHeader header = reader.readHeader();
    const GridStatistics whole = ScanStatistics(reader, header, threads);
    EXPECT_EQ(whole.Cells(), 60000U);
    EXPECT_EQ(whole.TypeZero().cells, 20000U);
    EXPECT_EQ(whole.Range().MaxHeight, 498.0F);
    bool rewritten = false;
    const auto rewrite = [&](double /*share*/) {
      if (!rewritten) {
        testing::WriteFile(path, bytes);
        testing::MarkModified(path);
        rewritten = true;
      }
    };
    try {
      ScanStatistics(reader, header, threads, {}, rewrite);
      ADD_FAILURE() << "a rewritten file gave statistics, on " << threads << " threads";
    } catch (const GridError& error) {
      EXPECT_STREQ(error.what(), "the file changed while it was being read");
    }
    EXPECT_TRUE(rewritten);
  }
}

}  // namespace
}  // namespace tolmer
