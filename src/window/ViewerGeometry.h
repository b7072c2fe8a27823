// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "render/MapPlacement.h"

namespace tolmer {

// The viewer window's client area at start and where its map goes, in pixels. Plain
// C++, so that hosts without a window (the benchmark, tests, the fuzzer) load exactly
// as the window does. The map sits below the control row, which ends at row 18.
inline constexpr std::int32_t kViewerWidth = 617;
inline constexpr std::int32_t kViewerHeight = 503;
inline constexpr MapPlacement kViewerMapPlacement{5, 25, 2};

}  // namespace tolmer
