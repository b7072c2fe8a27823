// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "render/DrawCell.h"

#include "render/CellColor.h"

namespace tolmer {
namespace {

void FillSquare(const SurfaceHandle& surface, std::int64_t left, std::int64_t top,
                std::int32_t side, Colour colour) {
  if (side == 1) {
    // The window's cells: one pixel a corner, the case worth the shortcut.
    SetPixel(surface, left, top, colour);
    return;
  }
  for (std::int64_t y = top; y < top + side; ++y) {
    for (std::int64_t x = left; x < left + side; ++x) {
      SetPixel(surface, x, y, colour);
    }
  }
}

}  // namespace

void DrawCell(const SurfaceHandle& surface, const HeightRange& range, const MapPlacement& placement,
              const std::int32_t& x, const std::int32_t& y, const CellRecord& cell) {
  const std::int64_t left = placement.CellLeft(x);
  const std::int64_t top = placement.CellTop(y);
  const std::int32_t side = placement.CornerSize();
  Colour colour = 0;
  CellColor(range, cell.Height3, cell.CellType, colour);
  FillSquare(surface, left, top, side, colour);
  CellColor(range, cell.Height4, cell.CellType, colour);
  FillSquare(surface, left + side, top, side, colour);
  CellColor(range, cell.Height1, cell.CellType, colour);
  FillSquare(surface, left, top + side, side, colour);
  CellColor(range, cell.Height2, cell.CellType, colour);
  FillSquare(surface, left + side, top + side, side, colour);
}

}  // namespace tolmer
