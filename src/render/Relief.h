// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "grid/GridFormat.h"
#include "render/Colour.h"
#include "render/DrawingSurface.h"

namespace tolmer {

class Overview;

// Shaded relief: the ramp colours darkened on slopes turned from the light and
// lightened on those turned towards it, light coming from the north-west, 45
// degrees above the horizon. Heights carry no unit and cells no size, so heights
// are exaggerated by a factor the user sets.
struct Relief {
  bool on = false;
  double exaggeration = 1.0;

  friend bool operator==(const Relief&, const Relief&) = default;
};

// The light a surface catches that rises by `across` heights a cell to the east and
// `up` to the north: 1 on flat ground, up to the square root of 2 facing the light
// at 45 degrees, 0 facing away from it steeply. In double, so that no height
// overflows it.
double LightOf(double across, double up, double exaggeration);

// The cell's own slope: its right corners less its left ones, its upper corners
// less its lower ones.
void SlopeOfCell(const CellRecord& cell, double& across, double& up);

// Each channel scaled by `light`, at most 255: the hue stays, land green and water
// blue. Inline, for it runs for every pixel of a crisp picture.
inline Colour Lit(Colour colour, double light) {
  // Rounded by truncating what the clamp keeps non-negative: std::floor is a call
  // without SSE4.1.
  const auto scale = [light](std::uint8_t channel) {
    return static_cast<std::uint32_t>(std::clamp(channel * light + 0.5, 0.0, 255.0));
  };
  return MakeColour(scale(RedOf(colour)), scale(GreenOf(colour)), scale(BlueOf(colour)));
}

// Lights every pixel of `surface` from `heights`, the mean height each shows (NaN
// where it shows no cell), a pixel being `cells` cells wide: slopes between
// neighbouring pixels, so that zoomed-out relief reads as the cells' own does.
void LightByHeights(const SurfaceHandle& surface, const std::vector<double>& heights, double cells,
                    double exaggeration);

// The exaggeration at which the grid's typical slope stands at 45 degrees, taken
// from its overview; 1 for a flat grid.
double StartingExaggeration(const Overview& overview);

}  // namespace tolmer
