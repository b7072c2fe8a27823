// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <stdexcept>

namespace tolmer {

// Where a map lands on its surface: the upper-left pixel of cell (0, 0) and the side
// of each cell's square block, in pixels. Each corner height shades one quarter of
// the block, so the side is even. Row 0 is the top row of the picture.
class MapPlacement {
 public:
  constexpr MapPlacement(std::int32_t left, std::int32_t top, std::int32_t cellSize)
      : left_(left), top_(top), cellSize_(cellSize) {
    if (cellSize < 2 || cellSize % 2 != 0) {
      throw std::invalid_argument("a cell's block needs an even side of at least 2 pixels");
    }
  }

  constexpr std::int32_t Left() const { return left_; }
  constexpr std::int32_t Top() const { return top_; }
  constexpr std::int32_t CellSize() const { return cellSize_; }
  // The side of the square that one corner height shades.
  constexpr std::int32_t CornerSize() const { return cellSize_ / 2; }

  // First pixel column of cell column x, and first pixel row of cell row y; 64-bit,
  // so that no grid coordinate can overflow.
  constexpr std::int64_t CellLeft(std::int32_t x) const {
    return left_ + std::int64_t{cellSize_} * x;
  }
  constexpr std::int64_t CellTop(std::int32_t y) const {
    return top_ + std::int64_t{cellSize_} * y;
  }

  friend constexpr bool operator==(const MapPlacement&, const MapPlacement&) = default;

 private:
  std::int32_t left_;
  std::int32_t top_;
  std::int32_t cellSize_;
};

}  // namespace tolmer
