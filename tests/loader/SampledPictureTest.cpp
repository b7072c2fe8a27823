// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/SampledPicture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "render/CellColor.h"
#include "support/GridFiles.h"
#include "support/TempDir.h"

namespace tolmer {
namespace {

// Every pixel of the picture sampled from `width` x `height` cells of type 0 whose
// heights `heightOf` gives, with `sampleRecords` records read, in `bound` pixels, has
// the colour of `expected`(x, y), a height, in the range from `lowest` to `highest`.
void ExpectPicture(std::int32_t width, std::int32_t height, const testing::CellMaker& cells,
                   std::uint64_t sampleRecords, std::int32_t bound, float lowest, float highest,
                   const std::function<double(int, int)>& expected) {
  testing::TempDir dir;
  const std::string path = dir.Path("g.grid");
  testing::WriteGrid(path, width, height, cells);
  GridReader reader;
  reader.open(path);
  const GridHeader header = reader.readHeader();
  SampledPicture picture(reader, header, BoundedGridPicture(ExtentOf(header), bound, bound),
                         sampleRecords * kCellRecordSize);
  EXPECT_EQ(picture.Range().MinHeight, lowest);
  EXPECT_EQ(picture.Range().MaxHeight, highest);
  for (int y = 0; y < picture.Height(); ++y) {
    const unsigned char* rgb = picture.Row(y);
    for (int x = 0; x < picture.Width(); ++x) {
      Colour colour = 0;
      CellColor(picture.Range(), static_cast<float>(expected(x, y)), 0, colour);
      ASSERT_NEAR(rgb[3 * x], RedOf(colour), 1.0) << x << ", " << y;
      ASSERT_NEAR(rgb[3 * x + 1], GreenOf(colour), 1.0) << x << ", " << y;
    }
  }
}

// 10 of 400 rows, picture rows 20, 60 ... 380 from the top; each pixel row, 10 cell
// rows high, shows the one read nearest it. The first row stored is at the bottom.
TEST(SampledPictureTest, PixelRowsShowTheNearestRowRead) {
  const auto rowHeight = [](std::int32_t row, std::int32_t) {
    return testing::UniformCell(static_cast<float>(row));
  };
  ExpectPicture(50, 400, rowHeight, 500, 40, 19.0F, 379.0F, [](int, int y) {
    const double centre = 10.0 * y + 5.0;
    const double nearest = 40.0 * std::round((centre - 20.5) / 40.0) + 20.0;
    return 399.0 - nearest;
  });
}

// A row larger than the whole sample: ten cells from the middle of each pixel's 100.
TEST(SampledPictureTest, ARowLargerThanTheSampleIsReadInRuns) {
  const auto columnHeight = [](std::int32_t, std::int32_t column) {
    return testing::UniformCell(static_cast<float>(column));
  };
  ExpectPicture(1000, 2, columnHeight, 100, 10, 45.0F, 954.0F,
                [](int x, int) { return 100.0 * x + 49.5; });
}

}  // namespace
}  // namespace tolmer
