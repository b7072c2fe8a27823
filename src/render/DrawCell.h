#pragma once

#include <cstdint>

#include "grid/GridFormat.h"
#include "render/DrawingSurface.h"
#include "render/HeightRange.h"

namespace tolmer {

// Top-left pixel of cell (0, 0); the control row sits above it.
inline constexpr std::int64_t kMapLeft = 5;
inline constexpr std::int64_t kMapTop = 25;

// Paints cell (x, y) as the 2 x 2 block whose upper-left pixel is (2x + 5, 2y + 25),
// each pixel shaded by its own corner height; row 0 is the top of the picture.
void DrawCell(const SurfaceHandle& surface, const HeightRange& range, const std::int32_t& x,
              const std::int32_t& y, const CellRecord& cell);

}  // namespace tolmer
