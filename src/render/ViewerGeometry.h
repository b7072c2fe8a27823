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

// The viewer window's client area at start, where its controls sit and where its
// map goes. Plain C++, so that hosts without a window (the benchmark, tests, the
// fuzzer) load exactly as the window does. The map starts at row 25, below the
// control row, which ends at row 18.
inline constexpr std::int32_t kViewerWidth = 617;
inline constexpr std::int32_t kViewerHeight = 503;
inline constexpr MapPlacement kViewerMapPlacement{5, 25, 2};
inline constexpr PixelRect kText1Rect{0, 0, 257, 19};
inline constexpr PixelRect kCommand1Rect{264, 0, 57, 17};
inline constexpr PixelRect kLabel1Rect{328, 0, 129, 17};
// Small enough for any screen, large enough that the control row stays whole.
inline constexpr std::int32_t kMinimumViewerWidth =
    kLabel1Rect.left + kLabel1Rect.width + kViewerMapPlacement.Left();
inline constexpr std::int32_t kMinimumViewerHeight = kViewerMapPlacement.Top();

// Width for Label1 so that it shows `textWidth` pixels of status: never narrower than
// its designed width, and never reaching past the right edge of the client area.
constexpr std::int32_t StatusLabelWidth(std::int32_t textWidth, std::int32_t clientWidth) {
  const std::int32_t roomToEdge = clientWidth - kLabel1Rect.left;
  const std::int32_t wanted = textWidth < roomToEdge ? textWidth : roomToEdge;
  return wanted > kLabel1Rect.width ? wanted : kLabel1Rect.width;
}

// The progress strip of a running load: rows 20 to 23, in the gap between the
// control row and the map, as wide as the map area with a margin on either side.
constexpr PixelRect ProgressStripRect(std::int32_t clientWidth) {
  const std::int32_t margin = kViewerMapPlacement.Left();
  const std::int32_t width = clientWidth - 2 * margin;
  return PixelRect{margin, 20, width > 0 ? width : 0, 4};
}

}  // namespace tolmer
