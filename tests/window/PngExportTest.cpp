// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/PngExport.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <algorithm>
#include <array>
#include <cmath>
#include <sstream>
#include <vector>

#include "loader/MemoryHost.h"
#include "loader/ShowGrid.h"
#include "render/CellColor.h"
#include "render/MemorySurface.h"
#include "support/GridFiles.h"
#include "support/TempDir.h"

namespace tolmer {
namespace {

QImage Exported(const ExportRequest& request) {
  std::ostringstream errors;
  EXPECT_EQ(ExportPng(request, errors), 0) << errors.str();
  return QImage(QString::fromStdString(request.picture));
}

Colour PixelOf(const QImage& image, int x, int y) {
  const QRgb rgb = image.pixel(x, y);
  return MakeColour(static_cast<std::uint32_t>(qRed(rgb)), static_cast<std::uint32_t>(qGreen(rgb)),
                    static_cast<std::uint32_t>(qBlue(rgb)));
}

// Every cell as the viewer's first picture shows it: that picture's map area holds
// the whole grid from (5, 25).
TEST(PngExportTest, AGridThatFitsIsTheViewersPicture) {
  testing::TempDir dir;
  const std::string grid = dir.Path("hills.grid");
  testing::WriteGrid(grid, 25, 12, testing::Hills);
  MemoryHost host;
  ASSERT_TRUE(ShowGrid(grid, host).IsLoaded());

  const QImage image = Exported({dir.Path("hills.png"), grid});
  ASSERT_EQ(image.width(), 50);
  ASSERT_EQ(image.height(), 24);
  int different = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      different += PixelOf(image, x, y) == host.Picture().PixelAt(x + 5, y + 25) ? 0 : 1;
    }
  }
  EXPECT_EQ(different, 0);
}

// Heights rise with the column, 0 to 99; the rows stored first are land, the others
// water, so the top of the picture is blue.
TEST(PngExportTest, AGridBeyondTheBoundIsScaledDownToFit) {
  testing::TempDir dir;
  const std::string grid = dir.Path("ramp.grid");
  testing::WriteGrid(grid, 100, 60, [](std::int32_t row, std::int32_t column) {
    return testing::UniformCell(static_cast<float>(column), row < 30 ? 0 : 1);
  });
  ExportRequest request{dir.Path("ramp.png"), grid};
  request.boundWidth = 40;
  request.boundHeight = 30;
  const QImage image = Exported(request);
  ASSERT_EQ(image.width(), 40);  // 0.4 pixels a cell
  ASSERT_EQ(image.height(), 24);
  for (int y = 0; y < image.height(); ++y) {
    if (y == 11 || y == 12) {
      continue;  // where land and water may meet in one pixel
    }
    for (int x = 0; x < image.width(); ++x) {
      const Colour colour = PixelOf(image, x, y);
      ASSERT_TRUE(IsRampColour(colour)) << x << ", " << y;
      EXPECT_EQ(BlueOf(colour) == 0xFF && GreenOf(colour) != 0xFF, y < 11) << x << ", " << y;
      const double column = (x + 0.5) / 0.4;
      EXPECT_NEAR(RedOf(colour), (1.0 - column / 99.0) * kShadeSteps, 5.0) << x << ", " << y;
    }
  }
}

// The range the viewer shades `path` with.
HeightRange RangeOf(const std::string& path) {
  MemoryHost host;
  const LoadResult result = ShowGrid(path, host);
  EXPECT_TRUE(result.IsLoaded()) << result.Reason();
  return result.Grid() ? result.Grid()->range : HeightRange{};
}

// Each corner of stored row `row` by its place in the cell: 0 upper left, 1 upper
// right, 2 lower left, 3 lower right.
float CornerOf(const CellRecord& cell, int corner) {
  const float heights[] = {cell.Height3, cell.Height4, cell.Height1, cell.Height2};
  return heights[corner];
}

// At 2 pixels a cell, each pixel is one corner of one cell, and the rows stored
// first are at the bottom.
TEST(PngExportTest, AStreamedPictureThatFitsIsExactPixelForPixel) {
  for (const auto& [width, height] : {std::pair{7, 5}, {1, 1}, {1, 9}, {9, 1}, {33, 17}}) {
    SCOPED_TRACE(::testing::Message() << width << "x" << height);
    testing::TempDir dir;
    const std::string grid = dir.Path("g.grid");
    testing::WriteGrid(grid, width, height, testing::Hills);
    const HeightRange range = RangeOf(grid);
    const QImage image = Exported({dir.Path("g.png"), grid});
    ASSERT_EQ(image.width(), 2 * width);
    ASSERT_EQ(image.height(), 2 * height);
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        const CellRecord cell = testing::Hills(height - 1 - y / 2, x / 2);
        Colour expected = 0;
        CellColor(range, CornerOf(cell, 2 * (y % 2) + x % 2), cell.CellType, expected);
        ASSERT_EQ(PixelOf(image, x, y), expected) << x << ", " << y;
      }
    }
  }
}

// Scaled down, each pixel is the mean colour of what lands in it: above 1 pixel a
// cell each corner by its own centre, at 1 or less each cell whole by its centre.
TEST(PngExportTest, AStreamedPictureScaledDownIsTheAreaAverage) {
  struct Case {
    std::int32_t width, height, boundWidth, boundHeight;
  };
  const Case cases[] = {{100, 60, 40, 30},  // 0.4 pixels a cell
                        {33, 17, 50, 50},   // 1.52: corners split between pixels
                        {301, 7, 100, 100}, {7, 301, 100, 100}, {5, 4, 5, 5},  // 1
                        {1, 1, 1, 1},       {1, 9, 1, 1},       {9, 1, 1, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << c.width << "x" << c.height << " in " << c.boundWidth << "x" << c.boundHeight);
    testing::TempDir dir;
    const std::string grid = dir.Path("g.grid");
    testing::WriteGrid(grid, c.width, c.height, testing::Hills);
    const HeightRange range = RangeOf(grid);
    ExportRequest request{dir.Path("g.png"), grid};
    request.boundWidth = c.boundWidth;
    request.boundHeight = c.boundHeight;
    const QImage image = Exported(request);
    const double scale = std::min(static_cast<double>(c.boundWidth) / c.width,
                                  static_cast<double>(c.boundHeight) / c.height);
    ASSERT_EQ(image.width(), std::max(1, static_cast<int>(c.width * scale + 1e-9)));
    ASSERT_EQ(image.height(), std::max(1, static_cast<int>(c.height * scale + 1e-9)));
    // Per pixel: the corners' colours added channel by channel, and their count.
    std::vector<std::array<double, 4>> sums(static_cast<std::size_t>(image.width()) *
                                            static_cast<std::size_t>(image.height()));
    for (int row = 0; row < c.height; ++row) {
      for (int column = 0; column < c.width; ++column) {
        const CellRecord cell = testing::Hills(c.height - 1 - row, column);
        for (int corner = 0; corner < 4; ++corner) {
          const double across = scale > 1.0 ? 0.25 + 0.5 * (corner % 2) : 0.5;
          const double down = scale > 1.0 ? 0.25 + 0.5 * (corner / 2) : 0.5;
          const auto x = static_cast<int>(std::floor(column * scale + across * scale));
          const auto y = static_cast<int>(std::floor(row * scale + down * scale));
          if (x >= image.width() || y >= image.height()) {
            continue;
          }
          Colour colour = 0;
          CellColor(range, CornerOf(cell, corner), cell.CellType, colour);
          auto& sum = sums[static_cast<std::size_t>(y * image.width() + x)];
          sum[0] += RedOf(colour);
          sum[1] += GreenOf(colour);
          sum[2] += BlueOf(colour);
          sum[3] += 1.0;
        }
      }
    }
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        const auto& sum = sums[static_cast<std::size_t>(y * image.width() + x)];
        const Colour colour = PixelOf(image, x, y);
        if (sum[3] == 0.0) {
          ASSERT_EQ(colour, MemorySurface::kDefaultBackground) << x << ", " << y;
          continue;
        }
        ASSERT_NEAR(RedOf(colour), sum[0] / sum[3], 1.0) << x << ", " << y;
        ASSERT_NEAR(GreenOf(colour), sum[1] / sum[3], 1.0) << x << ", " << y;
        ASSERT_NEAR(BlueOf(colour), sum[2] / sum[3], 1.0) << x << ", " << y;
      }
    }
  }
}

}  // namespace
}  // namespace tolmer
