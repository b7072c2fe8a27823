// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "render/Relief.h"

#include <algorithm>
#include <cmath>

#include "render/Overview.h"

namespace tolmer {
namespace {

// Towards the light: west, north and up, 45 degrees above the horizon.
constexpr double kLightWest = 0.5;
constexpr double kLightNorth = 0.5;
constexpr double kLightUp = 0.70710678118654752;

// Bins on the coarsest level that still shows the grid's slopes.
constexpr std::int64_t kSlopeBins = std::int64_t{1} << 16U;

// LightOf for slopes whose squares could overflow: each part of the normal divided
// by the largest first.
double LightOfSteep(double east, double north) {
  constexpr double kSteepest = 1e300;
  east = std::clamp(east, -kSteepest, kSteepest);
  north = std::clamp(north, -kSteepest, kSteepest);
  const double largest = std::max({std::abs(east), std::abs(north), 1.0});
  const double x = east / largest;
  const double y = north / largest;
  const double z = 1.0 / largest;
  const double facing =
      (x * kLightWest - y * kLightNorth + z * kLightUp) / std::sqrt(x * x + y * y + z * z);
  return std::isfinite(facing) ? std::max(facing, 0.0) / kLightUp : 1.0;
}

}  // namespace

// Runs for every cell of a crisp picture, so the usual slopes take one square root
// and one division.
double LightOf(double across, double up, double exaggeration) {
  constexpr double kSteep = 1e150;
  const double east = across * exaggeration;
  const double north = up * exaggeration;
  if (!(std::abs(east) < kSteep && std::abs(north) < kSteep)) {
    return LightOfSteep(east, north);
  }
  // The surface's normal (-east, -north, 1) against the light.
  const double facing = (east * kLightWest - north * kLightNorth + kLightUp) /
                        std::sqrt(east * east + north * north + 1.0);
  return std::max(facing, 0.0) * (1.0 / kLightUp);
}

void SlopeOfCell(const CellRecord& cell, double& across, double& up) {
  const double lowerLeft = cell.Height1;
  const double lowerRight = cell.Height2;
  const double upperLeft = cell.Height3;
  const double upperRight = cell.Height4;
  across = (lowerRight + upperRight - lowerLeft - upperLeft) / 2.0;
  up = (upperLeft + upperRight - lowerLeft - lowerRight) / 2.0;
}

void LightByHeights(const SurfaceHandle& surface, const std::vector<double>& heights, double cells,
                    double exaggeration) {
  const std::int32_t width = surface.width;
  const auto at = [&](std::int32_t x, std::int32_t y, double fallback) {
    if (x < 0 || y < 0 || x >= width || y >= surface.height) {
      return fallback;
    }
    const double height = heights[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                  static_cast<std::size_t>(x)];
    return std::isnan(height) ? fallback : height;
  };
  for (std::int32_t y = 0; y < surface.height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      const double here = at(x, y, NAN);
      if (std::isnan(here)) {
        continue;
      }
      // Rows grow downwards, to the south.
      const double across = (at(x + 1, y, here) - at(x - 1, y, here)) / (2.0 * cells);
      const double up = (at(x, y - 1, here) - at(x, y + 1, here)) / (2.0 * cells);
      unsigned char* pixel = surface.bits + y * surface.bytesPerLine + x * 4;
      const Colour colour =
          Lit(MakeColour(pixel[0], pixel[1], pixel[2]), LightOf(across, up, exaggeration));
      pixel[0] = RedOf(colour);
      pixel[1] = GreenOf(colour);
      pixel[2] = BlueOf(colour);
    }
  }
}

double StartingExaggeration(const Overview& overview) {
  int level = 0;
  while (level + 1 < overview.Levels() &&
         (!overview.HasLevel(level) ||
          overview.BinsAcross(level) * overview.BinsDown(level) > kSlopeBins)) {
    ++level;
  }
  if (overview.Levels() == 0 || !overview.HasLevel(level)) {
    return 1.0;
  }
  // The mean steepness of the bins, in heights a cell: from each bin's left and
  // upper neighbours.
  const std::int64_t across = overview.BinsAcross(level);
  std::vector<BinSums> above(static_cast<std::size_t>(across));
  std::vector<BinSums> row(static_cast<std::size_t>(across));
  const auto mean = [](const BinSums& bin) {
    const double count = bin.count[0] + bin.count[1];
    return count > 0.0 ? (bin.sum[0] + bin.sum[1]) / count : NAN;
  };
  double steepness = 0.0;
  double pairs = 0.0;
  for (std::int64_t y = 0; y < overview.BinsDown(level); ++y) {
    overview.ReadRow(level, y, 0, across, row.data());
    for (std::int64_t x = 1; y > 0 && x < across; ++x) {
      const double here = mean(row[static_cast<std::size_t>(x)]);
      const double rise = std::hypot(here - mean(row[static_cast<std::size_t>(x - 1)]),
                                     here - mean(above[static_cast<std::size_t>(x)]));
      if (std::isfinite(rise)) {
        steepness += rise;
        pairs += 1.0;
      }
    }
    std::swap(above, row);
  }
  const double typical =
      pairs > 0.0 ? steepness / pairs / static_cast<double>(overview.BinSide(level)) : 0.0;
  return typical > 0.0 && std::isfinite(1.0 / typical) ? 1.0 / typical : 1.0;
}

}  // namespace tolmer
