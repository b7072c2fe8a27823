// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "grid/GridFormat.h"
#include "render/DrawingSurface.h"
#include "render/HeightRange.h"
#include "render/MapPlacement.h"

namespace tolmer {

// Paints cell (x, y) as the square block the placement gives it, each quarter shaded
// by its own corner height: Height3 upper left, Height4 upper right, Height1 lower
// left, Height2 lower right. Row 0 is the top of the picture.
void DrawCell(const SurfaceHandle& surface, const HeightRange& range, const MapPlacement& placement,
              const std::int32_t& x, const std::int32_t& y, const CellRecord& cell);

}  // namespace tolmer
