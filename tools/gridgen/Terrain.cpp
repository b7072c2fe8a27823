// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "gridgen/Terrain.h"

#include <algorithm>
#include <cmath>

namespace tolmer::gridgen {
namespace {

double SmoothStep(double t) {
  return t * t * (3.0 - 2.0 * t);
}

std::uint64_t Mix(std::uint64_t value) {
  value ^= value >> 33U;
  value *= 0xFF51AFD7ED558CCDULL;
  value ^= value >> 33U;
  value *= 0xC4CEB9FE1A85EC53ULL;
  value ^= value >> 33U;
  return value;
}

}  // namespace

Terrain::Terrain(std::int32_t width, std::int32_t height, std::uint32_t seed)
    : width_(width), height_(height), seed_(seed) {}

double Terrain::LatticeValue(std::int64_t x, std::int64_t y) const {
  const auto key = static_cast<std::uint64_t>(x) * 0x9E3779B97F4A7C15ULL ^
                   static_cast<std::uint64_t>(y) * 0xC2B2AE3D27D4EB4FULL ^ seed_;
  return static_cast<double>(Mix(key) >> 11U) / static_cast<double>(1ULL << 53U);
}

double Terrain::Noise(double x, double y) const {
  const double cellX = std::floor(x);
  const double cellY = std::floor(y);
  const auto ix = static_cast<std::int64_t>(cellX);
  const auto iy = static_cast<std::int64_t>(cellY);
  const double tx = SmoothStep(x - cellX);
  const double ty = SmoothStep(y - cellY);
  const double bottom = std::lerp(LatticeValue(ix, iy), LatticeValue(ix + 1, iy), tx);
  const double top = std::lerp(LatticeValue(ix, iy + 1), LatticeValue(ix + 1, iy + 1), tx);
  return std::lerp(bottom, top, ty);
}

float Terrain::HeightAt(std::int32_t vx, std::int32_t vy) const {
  // Features scale with the map, so small and large maps both look like islands.
  const double scale = 6.0 / std::max(1, std::min(width_, height_));
  double sum = 0.0;
  double amplitude = 1.0;
  double frequency = scale;
  for (int octave = 0; octave < 5; ++octave) {
    sum += amplitude * Noise(vx * frequency, vy * frequency);
    amplitude *= 0.5;
    frequency *= 2.0;
  }
  // Distance from the centre, 0 there and about 1 at the edges.
  const double dx = 2.0 * vx / std::max(1, width_) - 1.0;
  const double dy = 2.0 * vy / std::max(1, height_) - 1.0;
  const double falloff = std::sqrt(dx * dx + dy * dy);
  const double level = 150.0 * (sum / 1.9375) - 110.0 * falloff - 20.0;
  // Land rises more steeply than the sea floor falls, so hills show their shape.
  return static_cast<float>(level > 0.0 ? 3.0 * level : level);
}

CellRecord Terrain::Cell(std::int32_t row, std::int32_t column) const {
  CellRecord cell;
  cell.Height1 = HeightAt(column, row);
  cell.Height2 = HeightAt(column + 1, row);
  cell.Height3 = HeightAt(column, row + 1);
  cell.Height4 = HeightAt(column + 1, row + 1);
  const float average = (cell.Height1 + cell.Height2 + cell.Height3 + cell.Height4) / 4.0F;
  cell.CellType = average < kSeaLevel ? 1 : 0;
  return cell;
}

}  // namespace tolmer::gridgen
