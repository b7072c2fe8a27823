// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <QRect>
#include <QSize>

#include "window/ViewerGeometry.h"

namespace tolmer {

// Where Form1 puts its controls, in pixels of its client area. The map below them
// starts at row 25, so the control row must stay within rows 0 to 18.
inline constexpr QSize kClientSize{kViewerWidth, kViewerHeight};
inline constexpr QRect kText1Geometry{0, 0, 257, 19};
inline constexpr QRect kCommand1Geometry{264, 0, 57, 17};
inline constexpr QRect kLabel1Geometry{328, 0, 129, 17};

// Small enough for any screen, large enough that the control row stays whole.
inline constexpr QSize kMinimumClientSize{kLabel1Geometry.right() + 1 + kViewerMapPlacement.left(),
                                          kViewerMapPlacement.top()};

// Width for Label1 so that it shows `textWidth` pixels of status: never narrower than
// its designed width, and never reaching past the right edge of the client area.
constexpr int StatusLabelWidth(int textWidth, int clientWidth) {
  const int roomToEdge = clientWidth - kLabel1Geometry.left();
  const int wanted = textWidth < roomToEdge ? textWidth : roomToEdge;
  return wanted > kLabel1Geometry.width() ? wanted : kLabel1Geometry.width();
}

// The progress strip of a running load: rows 20 to 23, in the gap between the
// control row and the map, as wide as the map area with a margin on either side.
constexpr QRect ProgressStripGeometry(int clientWidth) {
  const int margin = kViewerMapPlacement.left();
  const int width = clientWidth - 2 * margin;
  return QRect(margin, 20, width > 0 ? width : 0, 4);
}

}  // namespace tolmer
