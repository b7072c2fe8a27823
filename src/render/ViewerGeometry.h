// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "render/MapPlacement.h"

namespace tolmer {

// A rectangle of a client area, in pixels from its upper-left corner.
struct PixelRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// The viewer window's client area at start, and where its map goes. Plain C++, so
// that hosts without a window (the benchmark, tests, the fuzzer) load exactly as
// the window does. The map starts at row 25, below the control row, which ends at
// row 18.
inline constexpr std::int32_t kViewerWidth = 617;
inline constexpr std::int32_t kViewerHeight = 503;
inline constexpr MapPlacement kViewerMapPlacement{5, 25, 2};
}  // namespace tolmer
