// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include "grid/GridError.h"
#include "render/Colour.h"
#include "render/HeightRange.h"

namespace tolmer {

inline constexpr int kShadeSteps = 195;  // the palest shade stays short of white

// The shade before it is rounded down to a whole step and clamped: 195 at
// range.MinHeight, 0 at range.MaxHeight. Also for the mean of many heights.
inline double UnroundedShade(const HeightRange& range, double height) {
  const double span = static_cast<double>(range.MaxHeight) - static_cast<double>(range.MinHeight);
  if (!(span > 0.0)) {
    return 0.0;
  }
  return (1.0 - (height - static_cast<double>(range.MinHeight)) / span) * kShadeSteps;
}

// 195 at range.MinHeight down to 0 at range.MaxHeight, clamped to 0..255 outside it.
// Throws GridError for a height that cannot be shaded (NaN or infinite). Inline, as
// it runs for every pixel a load paints.
inline std::int32_t Shade(const HeightRange& range, float height) {
  const double scaled = std::floor(UnroundedShade(range, height));
  // Written so that NaN fails the test as well as values beyond 32 bits.
  if (!(scaled >= std::numeric_limits<std::int32_t>::min() &&
        scaled <= std::numeric_limits<std::int32_t>::max())) {
    ThrowUnshadeable(height);
  }
  const auto shade = static_cast<std::int32_t>(scaled);
  if (shade < 0) {
    return 0;
  }
  return shade > 255 ? 255 : shade;
}

// The green ramp for cellType 0, the blue ramp for every other type.
inline void CellColor(const HeightRange& range, const float& height, const std::int32_t& cellType,
                      Colour& colour) {
  const auto shade = static_cast<std::uint32_t>(Shade(range, height));
  colour = cellType != 0 ? MakeColour(shade, shade, 255) : MakeColour(shade, 255, shade);
}

// True for the colours CellColor can give, whatever the range: green (s, 255, s)
// or blue (s, s, 255).
constexpr bool IsRampColour(Colour colour) {
  const std::uint8_t shade = RedOf(colour);
  return (GreenOf(colour) == 0xFF && BlueOf(colour) == shade) ||
         (GreenOf(colour) == shade && BlueOf(colour) == 0xFF);
}

}  // namespace tolmer
