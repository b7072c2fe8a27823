// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/PngExport.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <cmath>
#include <sstream>

#include "loader/MemoryHost.h"
#include "loader/ShowGrid.h"
#include "render/CellColor.h"
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

}  // namespace
}  // namespace tolmer
