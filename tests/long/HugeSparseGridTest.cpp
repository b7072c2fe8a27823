// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
// A grid of more than 4 GiB, so that every size and offset must be 64-bit. The
// file is sparse: its all-zero records take no disk space but are read in full,
// twice, which makes this test slow.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>

#include "grid/GridFormat.h"
#include "loader/ShowGrid.h"
#include "support/GridFiles.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"

namespace tolmer {
namespace {

TEST(HugeSparseGrid, LoadsAGridOfMoreThanFourGibibytes) {
  constexpr std::int32_t kWidth = 2000;
  constexpr std::int32_t kHeight = 107375;
  constexpr std::uint64_t kSize =
      kHeaderSize + std::uint64_t{kCellRecordSize} * kWidth * std::uint64_t{kHeight};
  static_assert(kSize > (std::uint64_t{1} << 32U));

  testing::TempDir dir;
  const std::string path =
      testing::WriteFileIn(dir, "huge.grid", testing::GridBytes(kWidth, kHeight, {}, 0));
  if (::truncate(path.c_str(), static_cast<off_t>(kSize)) != 0) {
    GTEST_SKIP() << "the temporary directory cannot hold a sparse file of " << kSize << " bytes";
  }

  testing::RecordingHost host;
  const int descriptors = testing::OpenDescriptorCount();
  ShowGrid(path, host);
  EXPECT_EQ(host.LastStatus(), "Loaded, 2000x107375");
  EXPECT_EQ(testing::OpenDescriptorCount(), descriptors);

  // Every height is 0, so the range is [0, 0] and every cell is pure green. The map
  // reaches past the surface's right and lower edges.
  std::int64_t green = 0;
  std::int64_t background = 0;
  for (std::int32_t y = 0; y < testing::kWindowHeight; ++y) {
    for (std::int32_t x = 0; x < testing::kWindowWidth; ++x) {
      const bool inMap = x >= host.Placement().Left() && y >= host.Placement().Top();
      const Colour colour = host.Picture().PixelAt(x, y);
      green += inMap && colour == 0x00FF00U ? 1 : 0;
      background += !inMap && colour == host.Picture().Background() ? 1 : 0;
    }
  }
  const std::int64_t mapPixels = std::int64_t{testing::kWindowWidth - host.Placement().Left()} *
                                 (testing::kWindowHeight - host.Placement().Top());
  EXPECT_EQ(green, mapPixels);
  EXPECT_EQ(background, std::int64_t{testing::kWindowWidth} * testing::kWindowHeight - mapPixels);
}

}  // namespace
}  // namespace tolmer
