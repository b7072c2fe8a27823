// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "render/CellColor.h"

#include <gtest/gtest.h>

#include <limits>

#include "grid/GridError.h"

namespace tolmer {
namespace {

Colour ColourOf(const HeightRange& range, float height, std::int32_t cellType) {
  Colour colour = 0xDEADBEEF;
  CellColor(range, height, cellType, colour);
  return colour;
}

HeightRange Range(float low, float high) {
  HeightRange range;
  range.MinHeight = low;
  range.MaxHeight = high;
  return range;
}

TEST(CellColor, GreenRampForTypeZero) {
  const HeightRange range = Range(0.0F, 10.0F);
  EXPECT_EQ(ColourOf(range, 0.0F, 0), MakeColour(195, 255, 195));
  EXPECT_EQ(ColourOf(range, 10.0F, 0), MakeColour(0, 255, 0));
  EXPECT_EQ(ColourOf(range, 5.0F, 0), 0x61FF61U);  // 97.5 rounds down to 97
}

TEST(CellColor, BlueRampForEveryOtherType) {
  const HeightRange range = Range(0.0F, 10.0F);
  for (const std::int32_t type : {7, -1, 1, std::numeric_limits<std::int32_t>::min(),
                                  std::numeric_limits<std::int32_t>::max()}) {
    EXPECT_EQ(ColourOf(range, 0.0F, type), MakeColour(195, 195, 255)) << type;
    EXPECT_EQ(ColourOf(range, 10.0F, type), MakeColour(0, 0, 255)) << type;
    EXPECT_EQ(ColourOf(range, 5.0F, type), 0xFF6161U) << type;
  }
}

TEST(CellColor, EmptyOrInvertedRangeGivesTheFullColour) {
  EXPECT_EQ(ColourOf(Range(5.0F, 5.0F), 5.0F, 0), 0x00FF00U);
  EXPECT_EQ(ColourOf(Range(5.0F, 5.0F), 5.0F, 3), 0xFF0000U);
  // The untouched seeds: MinHeight 100 above MaxHeight -100.
  EXPECT_EQ(ColourOf(HeightRange{}, 42.0F, 0), 0x00FF00U);
}

TEST(CellColor, HeightsOutsideTheRangeAreClamped) {
  const HeightRange range = Range(0.0F, 10.0F);
  EXPECT_EQ(Shade(range, -20.0F), 255);  // 3 x 195 clamps to 255
  EXPECT_EQ(Shade(range, -2.0F), 234);   // 1.2 x 195, still inside 255
  EXPECT_EQ(Shade(range, 30.0F), 0);     // negative clamps to 0
}

TEST(CellColor, ShadingIsComputedInDoublePrecision) {
  // In float, 1 - 1e-9 rounds back to 1 and the shade would stay at 195.
  const HeightRange range = Range(0.0F, 1.0F);
  EXPECT_EQ(Shade(range, 0.0F), 195);
  EXPECT_EQ(Shade(range, 1e-9F), 194);
  // A span that overflows float but not double.
  const HeightRange wide = Range(-3.0e38F, 3.0e38F);
  EXPECT_EQ(Shade(wide, 0.0F), 97);
}

TEST(CellColor, UnshadeableHeightsThrow) {
  const HeightRange range = Range(0.0F, 10.0F);
  EXPECT_THROW(Shade(range, std::numeric_limits<float>::quiet_NaN()), GridError);
  EXPECT_THROW(Shade(range, std::numeric_limits<float>::infinity()), GridError);
  EXPECT_THROW(Shade(range, -std::numeric_limits<float>::infinity()), GridError);
  // A tiny span can push a finite height beyond 32 bits.
  EXPECT_THROW(Shade(Range(0.0F, 1e-30F), 3.0e38F), GridError);
}

}  // namespace
}  // namespace tolmer
