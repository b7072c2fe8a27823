// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "grid/GridFormat.h"

namespace tolmer::gridgen {

// An island landscape: fractal value noise, lower towards the edges, with every
// cell whose corners average below sea level marked as water (type 1).
class Terrain {
 public:
  static constexpr float kSeaLevel = 0.0F;

  Terrain(std::int32_t width, std::int32_t height, std::uint32_t seed);

  // Height at grid vertex (vx, vy); vy = 0 is the bottom edge of the map.
  float HeightAt(std::int32_t vx, std::int32_t vy) const;
  // The cell at stored row `row` (0 = bottom) and column `column`.
  CellRecord Cell(std::int32_t row, std::int32_t column) const;

 private:
  double Noise(double x, double y) const;
  double LatticeValue(std::int64_t x, std::int64_t y) const;

  std::int32_t width_;
  std::int32_t height_;
  std::uint32_t seed_;
};

}  // namespace tolmer::gridgen
