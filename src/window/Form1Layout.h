#pragma once

#include <QRect>
#include <QSize>

namespace tolmer {

// Where Form1 puts its controls, in pixels of its client area. The map below them
// starts at (5, 25), so the control row must stay within rows 0 to 18.
inline constexpr QSize kClientSize{617, 503};
inline constexpr QRect kText1Geometry{0, 0, 257, 19};
inline constexpr QRect kCommand1Geometry{264, 0, 57, 17};
inline constexpr QRect kLabel1Geometry{328, 0, 129, 17};

// Width for Label1 so that it shows `textWidth` pixels of status: never narrower than
// its designed width, and never reaching past the right edge of the client area.
constexpr int StatusLabelWidth(int textWidth, int clientWidth) {
  const int roomToEdge = clientWidth - kLabel1Geometry.left();
  const int wanted = textWidth < roomToEdge ? textWidth : roomToEdge;
  return wanted > kLabel1Geometry.width() ? wanted : kLabel1Geometry.width();
}

}  // namespace tolmer
