// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "render/DrawCell.h"

#include <gtest/gtest.h>

#include <limits>

#include "render/CellColor.h"
#include "render/MapPlacement.h"
#include "render/MemorySurface.h"

namespace tolmer {
namespace {

class DrawCellTest : public ::testing::Test {
 protected:
  DrawCellTest() {
    range.MinHeight = 0.0F;
    range.MaxHeight = 256.0F;  // a power of two keeps every shade below exact
  }

  static Colour Green(int shade) {
    return MakeColour(static_cast<std::uint32_t>(shade), 255, static_cast<std::uint32_t>(shade));
  }

  void Draw(std::int32_t x, std::int32_t y) {
    DrawCell(surface.hDC(), range, placement, x, y, cell);
  }

  HeightRange range;
  MapPlacement placement{5, 25, 2};
  MemorySurface surface{617, 503};
  // Height1..4 = lower-left, lower-right, upper-left, upper-right.
  // Shades 195, 146, 97 and 0, so each corner is recognisable.
  CellRecord cell{0.0F, 64.0F, 128.0F, 256.0F, 0};
};

TEST_F(DrawCellTest, EachCornerShadesItsOwnQuarterOfTheBlock) {
  // The window's placement, then others that move the origin and grow the block.
  for (const MapPlacement& other : {placement, MapPlacement{0, 0, 4}, MapPlacement{9, 3, 6}}) {
    SCOPED_TRACE(other.CellSize());
    placement = other;
    surface.ClearSurface();
    Draw(1, 2);
    const std::int32_t left = placement.Left() + placement.CellSize();
    const std::int32_t top = placement.Top() + 2 * placement.CellSize();
    const std::int32_t half = placement.CornerSize();
    for (std::int32_t y = top - 1; y <= top + 2 * half; ++y) {
      for (std::int32_t x = left - 1; x <= left + 2 * half; ++x) {
        const bool inside = x >= left && x < left + 2 * half && y >= top && y < top + 2 * half;
        const bool right = x >= left + half;
        const bool lower = y >= top + half;
        // Height3 upper left, Height4 upper right, Height1 lower left, Height2 lower right.
        const Colour wanted = !inside          ? surface.Background()
                              : lower && right ? Green(146)
                              : lower          ? Green(195)
                              : right          ? Green(0)
                                               : Green(97);
        EXPECT_EQ(surface.PixelAt(x, y), wanted) << x << "," << y;
      }
    }
  }
}

TEST_F(DrawCellTest, NeighbouringCellsTouchWithoutOverlap) {
  Draw(1, 0);
  EXPECT_EQ(surface.PixelAt(7, 25), Green(97));
  EXPECT_EQ(surface.PixelAt(6, 25), surface.Background());
  Draw(0, 1);
  EXPECT_EQ(surface.PixelAt(5, 27), Green(97));
  EXPECT_EQ(surface.PixelAt(6, 28), Green(146));
  EXPECT_EQ(surface.PixelAt(5, 26), surface.Background());
}

TEST_F(DrawCellTest, PixelsOffTheSurfaceAreDroppedAndTheOthersKept) {
  const auto untouched = surface.Bytes();
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
  for (const auto& [x, y] : {std::pair{kMax, 0},
                             {0, kMax},
                             {kMin, 0},
                             {0, kMin},
                             {kMax, kMax},
                             {306, 0},
                             {0, 239},
                             {-4, 0},
                             {0, -14}}) {
    Draw(x, y);
    EXPECT_EQ(surface.Bytes(), untouched) << x << "," << y;
  }
  // Blocks cut by an edge keep their visible pixels.
  Draw(-3, 0);  // left = -1: only the right column lands, at x = 0
  EXPECT_EQ(surface.PixelAt(0, 25), Green(0));
  EXPECT_EQ(surface.PixelAt(0, 26), Green(146));
  Draw(305, 238);  // the last whole block of a 617 x 503 surface
  EXPECT_EQ(surface.PixelAt(616, 502), Green(146));
  MemorySurface small(6, 26);
  DrawCell(small.hDC(), range, placement, 0, 0, cell);
  EXPECT_EQ(small.PixelAt(5, 25), Green(97));
}

}  // namespace
}  // namespace tolmer
