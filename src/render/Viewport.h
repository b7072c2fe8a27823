// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>

#include "grid/GridFormat.h"
#include "render/MapPlacement.h"
#include "render/ViewerGeometry.h"

namespace tolmer {

// Where the user has moved the map: `scale` pixels a cell, and the pixel of the
// client area where the upper-left corner of picture cell (0, 0) lies. At 2 pixels
// a cell and more, scales are whole powers of two and the corner a whole pixel, so
// each corner height stays a crisp square; below, both are free.
struct Viewport {
  double scale = kViewerMapPlacement.CellSize();
  double left = kViewerMapPlacement.Left();
  double top = kViewerMapPlacement.Top();

  friend bool operator==(const Viewport&, const Viewport&) = default;

  // True when cells are squares of whole pixels, drawn from their records.
  bool IsCrisp() const { return scale >= kViewerMapPlacement.CellSize(); }
  // The placement of cell (firstColumn, firstRow) as cell (0, 0), for a crisp view:
  // small numbers however far the view has moved.
  MapPlacement PlacementFrom(std::int64_t firstColumn, std::int64_t firstRow) const;
};

// The view that places cells as `placement` does.
inline Viewport ViewportOf(const MapPlacement& placement) {
  return Viewport{static_cast<double>(placement.CellSize()), static_cast<double>(placement.Left()),
                  static_cast<double>(placement.Top())};
}

// The picture's size in cells: columns and rows.
struct GridExtent {
  std::int64_t width = 0;
  std::int64_t height = 0;

  bool IsEmpty() const { return width <= 0 || height <= 0; }
};

inline GridExtent ExtentOf(const GridHeader& header) {
  return GridExtent{header.GridWidth, header.GridHeight};
}

// A cell of the picture: its column, and its row counted from the top.
struct PictureCell {
  std::int64_t column = 0;
  std::int64_t row = 0;
};

inline constexpr double kMaximumScale = 32.0;

// The part of a client area `width` x `height` that the map may use: everything
// from row 25 down.
PixelRect MapArea(std::int32_t width, std::int32_t height);

// The view after each load: the map at 2 pixels a cell from (5, 25).
inline Viewport DefaultViewport() {
  return Viewport{};
}

// The whole grid in the map area, centred, cells square, a margin around it: at the
// largest whole level up to 32 when that is at least 2, else at the exact scale.
Viewport FitViewport(const GridExtent& grid, const PixelRect& area);

// One zoom level in (steps > 0) or out (steps < 0) per step, keeping the point
// (x, y) of the client area over the same place of the grid. Levels are 2, 4, 8,
// 16 and 32 pixels a cell, and below 2 a ladder of steps finer than a factor of 2
// down to the fit, the least.
Viewport Zoomed(const Viewport& view, int steps, double x, double y, const GridExtent& grid,
                const PixelRect& area);

// Moved by (dx, dy) pixels, but never so far that no part of the grid stays in view.
Viewport Panned(const Viewport& view, double dx, double dy, const GridExtent& grid,
                const PixelRect& area);

// At the view's scale, with the point (column, row) of the grid, counted in cells,
// at the middle of the map area, as near as panning keeps part of the grid in view.
Viewport CentredAt(const Viewport& view, double column, double row, const GridExtent& grid,
                   const PixelRect& area);

// The cell under pixel (x, y) of the client area, if any.
std::optional<PictureCell> CellAt(const Viewport& view, double x, double y, const GridExtent& grid);

// The cells [firstColumn, endColumn) x [firstRow, endRow) that have a pixel in `area`.
struct CellSpan {
  std::int64_t firstColumn = 0;
  std::int64_t endColumn = 0;
  std::int64_t firstRow = 0;
  std::int64_t endRow = 0;

  bool IsEmpty() const { return endColumn <= firstColumn || endRow <= firstRow; }
  std::int64_t Cells() const {
    return IsEmpty() ? 0 : (endColumn - firstColumn) * (endRow - firstRow);
  }
};
CellSpan VisibleCells(const Viewport& view, const GridExtent& grid, const PixelRect& area);

// The whole grid as a picture of its own, without a margin: at 2 pixels a cell, or
// where that would pass boundWidth x boundHeight, at the largest scale that fits;
// at least 1 x 1 pixels for a grid with cells. Its view puts the grid's upper-left
// corner at pixel (0, 0).
struct GridPicture {
  Viewport view;
  std::int32_t width = 0;
  std::int32_t height = 0;
};
GridPicture BoundedGridPicture(const GridExtent& grid, std::int32_t boundWidth,
                               std::int32_t boundHeight);

}  // namespace tolmer
