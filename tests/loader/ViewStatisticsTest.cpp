// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/ViewStatistics.h"

#include <gtest/gtest.h>

#include "loader/MemoryHost.h"
#include "loader/ShowGrid.h"
#include "support/GridFiles.h"
#include "support/TempDir.h"

namespace tolmer {
namespace {

constexpr std::int32_t kWidth = 64;  // bins of 4 x 4 cells
constexpr std::int32_t kHeight = 48;

CellRecord Slope(std::int32_t row, std::int32_t column, std::int32_t type) {
  const auto height = static_cast<float>(row * 3 - column) * 0.5F;
  return CellRecord{height, height + 1.0F, height - 2.0F, height + 4.5F, type};
}

// A view against a count of the cells of whole bins made here, cell by cell, for
// grids of one class, of the other, and of both.
TEST(ViewStatisticsTest, CountsTheCellsOfTheBinsInView) {
  const testing::CellMaker shapes[] = {
      [](std::int32_t row, std::int32_t column) { return Slope(row, column, 0); },
      [](std::int32_t row, std::int32_t column) { return Slope(row, column, 1 + (row % 3) * 7); },
      testing::Hills,
  };
  struct View {
    Viewport view;
    PixelRect area;
    // The cells of the bins it reaches, in picture columns and rows.
    std::int64_t firstColumn, endColumn, firstRow, endRow;
  };
  const View views[] = {
      {Viewport{1.0, -8.0, -12.0}, PixelRect{0, 0, 32, 16}, 8, 40, 12, 28},
      // Cut bins at every edge count whole.
      {Viewport{1.0, -9.0, -13.0}, PixelRect{0, 0, 30, 14}, 8, 40, 12, 28},
      {Viewport{0.5, 10.0, 30.0}, PixelRect{0, 25, 600, 400}, 0, kWidth, 0, kHeight},
      {Viewport{2.0, -100.0, 25.0}, PixelRect{0, 25, 8, 8}, 48, 56, 0, 4},
  };
  testing::TempDir dir;
  for (std::size_t shape = 0; shape < std::size(shapes); ++shape) {
    const std::string path = dir.Path("view.grid");
    testing::WriteGrid(path, kWidth, kHeight, shapes[shape]);
    MemoryHost host;
    const LoadResult result = ShowGrid(path, host);
    ASSERT_TRUE(result.IsLoaded()) << result.Reason();
    for (std::size_t index = 0; index < std::size(views); ++index) {
      SCOPED_TRACE(::testing::Message() << "shape " << shape << ", view " << index);
      const View& view = views[index];
      double cells[2] = {0.0, 0.0};
      double sums[2] = {0.0, 0.0};
      for (std::int64_t row = view.firstRow; row < view.endRow; ++row) {
        for (std::int64_t column = view.firstColumn; column < view.endColumn; ++column) {
          const CellRecord cell = shapes[shape](static_cast<std::int32_t>(kHeight - 1 - row),
                                                static_cast<std::int32_t>(column));
          const int type = cell.CellType != 0 ? 1 : 0;
          cells[type] += 1.0;
          sums[type] +=
              static_cast<double>(cell.Height1) + cell.Height2 + cell.Height3 + cell.Height4;
        }
      }
      const std::optional<ViewStatistics> statistics =
          StatisticsInView(*result.Grid(), view.view, view.area);
      ASSERT_TRUE(statistics.has_value());
      EXPECT_EQ(statistics->binSide, 4);
      for (const int type : {0, 1}) {
        EXPECT_EQ(statistics->Cells(type), cells[type]) << type;
        if (cells[type] > 0) {
          EXPECT_NEAR(statistics->Mean(type), sums[type] / (4.0 * cells[type]), 1e-4) << type;
        }
      }
    }
  }
}

}  // namespace
}  // namespace tolmer
