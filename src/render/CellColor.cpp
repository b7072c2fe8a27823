// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "render/CellColor.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "grid/GridError.h"

namespace tolmer {

std::int32_t Shade(const HeightRange& range, float height) {
  const double span = static_cast<double>(range.MaxHeight) - static_cast<double>(range.MinHeight);
  double fraction = 0.0;
  if (span > 0.0) {
    fraction = 1.0 - (static_cast<double>(height) - static_cast<double>(range.MinHeight)) / span;
  }
  const double scaled = std::floor(fraction * kShadeSteps);
  // Written so that NaN fails the test as well as values beyond 32 bits.
  if (!(scaled >= std::numeric_limits<std::int32_t>::min() &&
        scaled <= std::numeric_limits<std::int32_t>::max())) {
    char text[80];
    std::snprintf(text, sizeof text, "height %g lies too far outside the range to be shaded",
                  static_cast<double>(height));
    throw GridError(text);
  }
  const auto shade = static_cast<std::int32_t>(scaled);
  if (shade < 0) {
    return 0;
  }
  return shade > 255 ? 255 : shade;
}

void CellColor(const HeightRange& range, const float& height, const std::int32_t& cellType,
               Colour& colour) {
  const auto shade = static_cast<std::uint32_t>(Shade(range, height));
  colour = cellType != 0 ? MakeColour(shade, shade, 255) : MakeColour(shade, 255, shade);
}

}  // namespace tolmer
