// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "render/Colour.h"
#include "render/HeightRange.h"

namespace tolmer {

inline constexpr int kShadeSteps = 195;  // the palest shade stays short of white

// 195 at range.MinHeight down to 0 at range.MaxHeight, clamped to 0..255 outside it.
// Throws GridError for a height that cannot be shaded (NaN or infinite).
std::int32_t Shade(const HeightRange& range, float height);

// The green ramp for cellType 0, the blue ramp for every other type.
void CellColor(const HeightRange& range, const float& height, const std::int32_t& cellType,
               Colour& colour);

}  // namespace tolmer
