// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
// Light from the north-west: slopes turned to it are lighter, those turned away
// darker, flat ground as it was; and the starting exaggeration follows the grid.
#include "render/Relief.h"

#include <gtest/gtest.h>

#include <cmath>

#include "grid/GridWriter.h"
#include "render/Overview.h"

namespace tolmer {
namespace {

TEST(ReliefTest, PlanesFacingEachWayCatchTheLightFromTheNorthWest) {
  struct Case {
    double across, up;  // rising east, rising north
    double light;
  };
  const Case cases[] = {{0, 0, 1.0},             // flat
                        {1, -1, 1.3938468},      // turned to the north-west
                        {-1, 1, 0.0},            // turned away, steeper than the light
                        {1, 0, 1.2071068},       // facing west
                        {-1, 0, 0.2071068},      // facing east
                        {0, -1, 1.2071068},      // facing north
                        {0, 1, 0.2071068},       // facing south
                        {3.4e38, 0, 0.7071068},  // a wall facing west: no overflow
                        {-3.4e38, -3.4e38, 0.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.across << ", " << c.up);
    EXPECT_NEAR(LightOf(c.across, c.up, 1.0), c.light, 1e-6);
  }
  // Exaggerating a slope is making it steeper.
  EXPECT_DOUBLE_EQ(LightOf(0.5, 0, 4.0), LightOf(2.0, 0, 1.0));
  // The hue stays: each channel scaled, at most 255.
  EXPECT_EQ(Lit(MakeColour(100, 255, 100), 0.5), MakeColour(50, 128, 50));
  EXPECT_EQ(Lit(MakeColour(100, 255, 100), 1.5), MakeColour(150, 255, 150));
}

TEST(ReliefTest, StartsWhereTheTypicalSlopeStandsAt45Degrees) {
  for (const double slope : {0.0, 0.25, 3.0}) {
    Overview overview(64, 48, {});
    std::vector<unsigned char> bytes(std::size_t{64} * 48 * kCellRecordSize);
    for (std::size_t cell = 0; cell < 64 * 48; ++cell) {
      const auto corner = static_cast<float>(slope * static_cast<double>(cell % 64));
      const auto record = EncodeCell(CellRecord{corner, corner + static_cast<float>(slope), corner,
                                                corner + static_cast<float>(slope), 0});
      std::copy(record.begin(), record.end(),
                bytes.begin() + static_cast<std::ptrdiff_t>(cell * kCellRecordSize));
    }
    overview.Add(RecordBlock(bytes.data(), 64 * 48), 0);
    overview.Finish();
    EXPECT_NEAR(StartingExaggeration(overview), slope == 0.0 ? 1.0 : 1.0 / slope, 1e-6) << slope;
  }
}

}  // namespace
}  // namespace tolmer
