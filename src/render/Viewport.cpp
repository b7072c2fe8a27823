// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "render/Viewport.h"

#include <algorithm>
#include <cmath>

namespace tolmer {
namespace {

constexpr double kCrispScale = kViewerMapPlacement.CellSize();
// Levels below kCrispScale are this factor apart.
const double kFineStep = std::sqrt(2.0);
// Scales this close count as the same level.
constexpr double kSameLevel = 1e-9;
// Pixels of the grid that panning keeps in view, or all of it when it is smaller.
constexpr double kKeptInView = 32.0;

// The margin the default view leaves at the left, kept around a fitted grid too.
constexpr double kFitMargin = kViewerMapPlacement.Left();

double ExactFitScale(const GridExtent& grid, const PixelRect& area) {
  const double width = std::max(1.0, area.width - 2.0 * kFitMargin);
  const double height = std::max(1.0, area.height - kFitMargin);
  return std::min(width / static_cast<double>(grid.width),
                  height / static_cast<double>(grid.height));
}

// The least scale zooming out may reach.
double FitScale(const GridExtent& grid, const PixelRect& area) {
  if (grid.IsEmpty()) {
    return kCrispScale;
  }
  const double exact = ExactFitScale(grid, area);
  if (exact < kCrispScale) {
    return exact;
  }
  return std::exp2(std::floor(std::log2(std::min(exact, kMaximumScale))));
}

double LevelAbove(double scale) {
  if (scale >= kCrispScale) {
    return std::min(kMaximumScale, std::exp2(std::floor(std::log2(scale) + kSameLevel) + 1.0));
  }
  double level = kCrispScale;
  while (level / kFineStep > scale * (1.0 + kSameLevel)) {
    level /= kFineStep;
  }
  return level;
}

double LevelBelow(double scale, double least) {
  double level = 0.0;
  if (scale > kCrispScale * (1.0 + kSameLevel)) {
    level = std::exp2(std::ceil(std::log2(scale) - kSameLevel) - 1.0);
  } else {
    level = kCrispScale;
    while (level >= scale * (1.0 - kSameLevel)) {
      level /= kFineStep;
    }
  }
  return std::max(level, std::min(least, scale));
}

// The view with its origin on whole pixels where cells are whole squares.
Viewport Aligned(Viewport view) {
  if (view.IsCrisp()) {
    view.left = std::round(view.left);
    view.top = std::round(view.top);
  }
  return view;
}

double KeptOrigin(double origin, double extent, double areaStart, double areaExtent) {
  const double kept = std::min({kKeptInView, extent, areaExtent});
  const double highest = areaStart + areaExtent - kept;
  const double lowest = areaStart + kept - extent;
  return std::clamp(origin, std::min(lowest, highest), std::max(lowest, highest));
}

Viewport Kept(Viewport view, const GridExtent& grid, const PixelRect& area) {
  if (grid.IsEmpty()) {
    return view;
  }
  view.left =
      KeptOrigin(view.left, static_cast<double>(grid.width) * view.scale, area.left, area.width);
  view.top =
      KeptOrigin(view.top, static_cast<double>(grid.height) * view.scale, area.top, area.height);
  return Aligned(view);
}

std::int64_t FloorCell(double pixels, double scale) {
  return static_cast<std::int64_t>(std::floor(pixels / scale));
}

}  // namespace

MapPlacement Viewport::PlacementFrom(std::int64_t firstColumn, std::int64_t firstRow) const {
  const auto side = static_cast<std::int32_t>(scale);
  return MapPlacement(
      static_cast<std::int32_t>(std::llround(left + scale * static_cast<double>(firstColumn))),
      static_cast<std::int32_t>(std::llround(top + scale * static_cast<double>(firstRow))), side);
}

PixelRect MapArea(std::int32_t width, std::int32_t height) {
  const std::int32_t top = kViewerMapPlacement.Top();
  return PixelRect{0, top, std::max(width, 0), std::max(height - top, 0)};
}

Viewport FitViewport(const GridExtent& grid, const PixelRect& area) {
  if (grid.IsEmpty()) {
    return DefaultViewport();
  }
  Viewport view;
  view.scale = FitScale(grid, area);
  const double width = static_cast<double>(grid.width) * view.scale;
  const double height = static_cast<double>(grid.height) * view.scale;
  view.left = area.left + (area.width - width) / 2.0;
  view.top = area.top + (area.height - kFitMargin - height) / 2.0;
  return Aligned(view);
}

Viewport Zoomed(const Viewport& view, int steps, double x, double y, const GridExtent& grid,
                const PixelRect& area) {
  const double least = FitScale(grid, area);
  double scale = view.scale;
  for (; steps > 0; --steps) {
    scale = LevelAbove(scale);
  }
  for (; steps < 0; ++steps) {
    scale = LevelBelow(scale, least);
  }
  Viewport zoomed;
  zoomed.scale = scale;
  zoomed.left = x - (x - view.left) * scale / view.scale;
  zoomed.top = y - (y - view.top) * scale / view.scale;
  return Kept(zoomed, grid, area);
}

Viewport Panned(const Viewport& view, double dx, double dy, const GridExtent& grid,
                const PixelRect& area) {
  Viewport moved = view;
  moved.left += dx;
  moved.top += dy;
  return Kept(moved, grid, area);
}

Viewport CentredAt(const Viewport& view, double column, double row, const GridExtent& grid,
                   const PixelRect& area) {
  Viewport centred = view;
  centred.left = area.left + area.width / 2.0 - column * view.scale;
  centred.top = area.top + area.height / 2.0 - row * view.scale;
  return Kept(centred, grid, area);
}

std::optional<PictureCell> CellAt(const Viewport& view, double x, double y,
                                  const GridExtent& grid) {
  const PictureCell cell{FloorCell(x - view.left, view.scale), FloorCell(y - view.top, view.scale)};
  if (cell.column < 0 || cell.row < 0 || cell.column >= grid.width || cell.row >= grid.height) {
    return std::nullopt;
  }
  return cell;
}

CellSpan VisibleCells(const Viewport& view, const GridExtent& grid, const PixelRect& area) {
  CellSpan span;
  span.firstColumn = std::clamp<std::int64_t>(FloorCell(area.left - view.left, view.scale), 0,
                                              std::max<std::int64_t>(grid.width, 0));
  span.endColumn = std::clamp<std::int64_t>(
      FloorCell(area.left + area.width - view.left + view.scale * (1.0 - kSameLevel), view.scale),
      span.firstColumn, std::max<std::int64_t>(grid.width, 0));
  span.firstRow = std::clamp<std::int64_t>(FloorCell(area.top - view.top, view.scale), 0,
                                           std::max<std::int64_t>(grid.height, 0));
  span.endRow = std::clamp<std::int64_t>(
      FloorCell(area.top + area.height - view.top + view.scale * (1.0 - kSameLevel), view.scale),
      span.firstRow, std::max<std::int64_t>(grid.height, 0));
  return span;
}

GridPicture BoundedGridPicture(const GridExtent& grid, std::int32_t boundWidth,
                               std::int32_t boundHeight) {
  GridPicture picture;
  picture.view = Viewport{kCrispScale, 0.0, 0.0};
  if (grid.IsEmpty() || boundWidth <= 0 || boundHeight <= 0) {
    return picture;
  }
  // In whole numbers, so that the side that meets its bound meets it exactly. Every
  // product stays below 2^62.
  const std::int64_t width = grid.width;
  const std::int64_t height = grid.height;
  if (2 * width <= boundWidth && 2 * height <= boundHeight) {
    picture.width = static_cast<std::int32_t>(2 * width);
    picture.height = static_cast<std::int32_t>(2 * height);
  } else if (boundWidth * height <= boundHeight * width) {
    picture.view.scale = static_cast<double>(boundWidth) / static_cast<double>(width);
    picture.width = boundWidth;
    picture.height =
        static_cast<std::int32_t>(std::max<std::int64_t>(1, height * boundWidth / width));
  } else {
    picture.view.scale = static_cast<double>(boundHeight) / static_cast<double>(height);
    picture.width =
        static_cast<std::int32_t>(std::max<std::int64_t>(1, width * boundHeight / height));
    picture.height = boundHeight;
  }
  return picture;
}

}  // namespace tolmer
