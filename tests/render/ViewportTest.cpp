// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
// The default view is the load's picture, zooming keeps the place under the pointer,
// the fit shows the whole grid, and no move loses it.
#include "render/Viewport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <vector>

namespace tolmer {
namespace {

constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
const PixelRect kArea = MapArea(kViewerWidth, kViewerHeight);
// What the fit leaves around the grid, as the default view leaves at its left.
constexpr double kMargin = kViewerMapPlacement.Left();

// Grids of many shapes: wide, tall, tiny, one that fits at exactly 2 pixels a cell,
// and the largest both ways.
const GridExtent kGrids[] = {
    {5000, 3},  {3, 5000},        {1, 1},         {7, 5},         {40, 30},
    {300, 236}, {100000, 100000}, {kInt32Max, 1}, {1, kInt32Max}, {kInt32Max, kInt32Max}};

// A crisp view has a power-of-two scale and its origin on whole pixels.
void ExpectWellFormed(const Viewport& view) {
  ASSERT_TRUE(std::isfinite(view.left) && std::isfinite(view.top)) << view.left << ", " << view.top;
  EXPECT_LE(view.scale, kMaximumScale);
  if (view.IsCrisp()) {
    EXPECT_TRUE(std::has_single_bit(static_cast<unsigned>(view.scale)) &&
                std::round(view.left) == view.left && std::round(view.top) == view.top)
        << view.scale << " from " << view.left << ", " << view.top;
  }
}

TEST(ViewportTest, DefaultIsWhereTheLoadPaints) {
  const Viewport view = DefaultViewport();
  EXPECT_EQ(view.PlacementFrom(0, 0), kViewerMapPlacement);
  for (const GridExtent grid : {GridExtent{400, 300}, {3, 2}, {kInt32Max, kInt32Max}}) {
    const CellSpan span = VisibleCells(view, grid, kArea);
    EXPECT_EQ(span.firstColumn, 0);
    EXPECT_EQ(span.firstRow, 0);
    // 2 x 306 + 5 pixels make 617, 2 x 239 + 25 make 503, the last cells cut.
    EXPECT_EQ(span.endColumn, std::min<std::int64_t>(grid.width, 306));
    EXPECT_EQ(span.endRow, std::min<std::int64_t>(grid.height, 239));
  }
}

// From the default in to 32, then out to the fit and beyond: every step keeps the
// cell under the pointer, and the levels are 2, 4, ... 32 and sqrt(2) apart below 2.
TEST(ViewportTest, ZoomingKeepsTheCellUnderThePointer) {
  const GridExtent grid{100000, 100000};
  const double fit = FitViewport(grid, kArea).scale;
  std::vector<int> steps(6, 1);
  steps.insert(steps.end(), 30, -1);
  Viewport view = DefaultViewport();
  for (const int step : steps) {
    // The pointer at the middle of a cell, as near (300, 250) as there is one.
    const auto at = CellAt(view, 300.0, 250.0, grid);
    ASSERT_TRUE(at);
    const double x = view.left + (static_cast<double>(at->column) + 0.5) * view.scale;
    const double y = view.top + (static_cast<double>(at->row) + 0.5) * view.scale;
    const Viewport zoomed = Zoomed(view, step, x, y, grid, kArea);
    SCOPED_TRACE(::testing::Message() << view.scale << " by " << step << " to " << zoomed.scale);
    ExpectWellFormed(zoomed);
    EXPECT_GE(zoomed.scale, fit);
    const auto still = CellAt(zoomed, x, y, grid);
    ASSERT_TRUE(still);
    EXPECT_EQ(still->column, at->column);
    EXPECT_EQ(still->row, at->row);
    const double ratio = std::max(zoomed.scale / view.scale, view.scale / zoomed.scale);
    if ((view.scale == kMaximumScale && step > 0) || (view.scale == fit && step < 0)) {
      EXPECT_EQ(zoomed.scale, view.scale);
    } else {
      EXPECT_TRUE(std::max(view.scale, zoomed.scale) > 2.0 ? ratio == 2.0
                                                           : ratio > 1.0 && ratio < 1.4143)
          << ratio;
    }
    view = zoomed;
  }
  EXPECT_EQ(view.scale, fit);
  EXPECT_EQ(Zoomed(DefaultViewport(), 100, 300, 250, grid, kArea).scale, kMaximumScale);
  EXPECT_EQ(Zoomed(DefaultViewport(), -100, 300, 250, grid, kArea).scale, fit);
}

TEST(ViewportTest, FitShowsTheWholeGridCentred) {
  for (const PixelRect area : {kArea, MapArea(1920, 1080), MapArea(462, 40)}) {
    for (const GridExtent grid : kGrids) {
      SCOPED_TRACE(::testing::Message()
                   << grid.width << "x" << grid.height << " in " << area.width);
      const Viewport view = FitViewport(grid, area);
      ExpectWellFormed(view);
      const double width = static_cast<double>(grid.width) * view.scale;
      const double height = static_cast<double>(grid.height) * view.scale;
      const double leftGap = view.left - area.left;
      const double rightGap = area.left + area.width - (view.left + width);
      const double topGap = view.top - area.top;
      const double bottomGap = area.top + area.height - (view.top + height);
      EXPECT_GE(std::min({leftGap, rightGap, topGap, bottomGap}), -1e-6);
      EXPECT_LE(std::abs(leftGap - rightGap), 1.0);
      // The margin is kept below the grid, as the default view keeps it at the left.
      EXPECT_NEAR(bottomGap - topGap, kMargin, 1.0);
      // The largest that fits inside the margin: the next level in would not.
      const double wider = Zoomed(view, 1, view.left, view.top, grid, area).scale;
      if (view.scale < kMaximumScale) {
        EXPECT_TRUE(static_cast<double>(grid.width) * wider > area.width - 2 * kMargin ||
                    static_cast<double>(grid.height) * wider > area.height - kMargin)
            << "zoomed in to " << wider << " still fits";
      }
    }
  }
}

TEST(ViewportTest, PanningFarKeepsPartOfTheGridInView) {
  for (const GridExtent grid : kGrids) {
    for (const double scale : {kMaximumScale, 2.0, FitViewport(grid, kArea).scale}) {
      for (const auto& [dx, dy] : {std::pair{1e12, 1e12}, {-1e12, -1e12}, {-1e12, 1e12}}) {
        SCOPED_TRACE(::testing::Message() << grid.width << "x" << grid.height << " at " << scale
                                          << " by " << dx << ", " << dy);
        const Viewport view = Panned(Viewport{scale, 5.0, 25.0}, dx, dy, grid, kArea);
        ExpectWellFormed(view);
        const double width = static_cast<double>(grid.width) * scale;
        const double height = static_cast<double>(grid.height) * scale;
        const double across = std::min(view.left + width, 617.0) - std::max(view.left, 0.0);
        const double down = std::min(view.top + height, 503.0) - std::max(view.top, 25.0);
        EXPECT_GE(across, std::min(width, 32.0) - 1e-6);
        EXPECT_GE(down, std::min(height, 32.0) - 1e-6);
        EXPECT_FALSE(VisibleCells(view, grid, kArea).IsEmpty());
      }
    }
  }
  // A short move is taken as it is.
  EXPECT_EQ(Panned(DefaultViewport(), -40.0, -60.0, {400, 300}, kArea),
            (Viewport{2.0, -35.0, -35.0}));
}

TEST(ViewportTest, GridsWithoutCellsShowNothingWhateverIsDone) {
  for (const GridExtent grid : {GridExtent{0, 5}, {5, 0}, {0, kInt32Max}, {kInt32Max, 0}}) {
    EXPECT_EQ(FitViewport(grid, kArea), DefaultViewport());
    for (const Viewport view : {Zoomed(DefaultViewport(), 3, 9, 40, grid, kArea),
                                Panned(DefaultViewport(), -1e12, 1e12, grid, kArea)}) {
      ExpectWellFormed(view);
      EXPECT_TRUE(VisibleCells(view, grid, kArea).IsEmpty() && !CellAt(view, 6, 26, grid));
    }
  }
}

// Two pixels a cell when both sides fit, else scaled down until one side meets its
// bound and the other keeps the grid's shape.
TEST(ViewportTest, BoundedPictureMeetsOneBoundKeepingTheShape) {
  struct Case {
    GridExtent grid;
    std::int32_t width, height;
  };
  for (const Case c : {Case{{10, 10}, 20, 20}, Case{{100, 10}, 40, 4}, Case{{10, 100}, 3, 30},
                       Case{{100, 60}, 40, 24}}) {
    const GridPicture picture = BoundedGridPicture(c.grid, 40, 30);
    EXPECT_EQ(picture.width, c.width) << c.grid.width << "x" << c.grid.height;
    EXPECT_EQ(picture.height, c.height) << c.grid.width << "x" << c.grid.height;
  }
}

}  // namespace
}  // namespace tolmer
