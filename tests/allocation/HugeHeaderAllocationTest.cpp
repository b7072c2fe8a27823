// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
// A tiny file may announce a grid of 2^62 cells; loading it must not ask for memory
// in proportion to what the header claims.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "allocation/LargestAllocation.h"
#include "loader/ShowGrid.h"
#include "support/GridFiles.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"

namespace tolmer {
namespace {

using testing::LargestAllocation;
using testing::ResetLargestAllocation;

// Far above any buffer a reader needs, far below what any of these headers claims.
constexpr std::size_t kLarge = std::size_t{64} << 20U;
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

TEST(LargestAllocation, SeesEveryRequest) {
  ResetLargestAllocation();
  const std::vector<char> block(kLarge + 1);
  EXPECT_GE(LargestAllocation(), kLarge + 1);
  ResetLargestAllocation();
  EXPECT_EQ(LargestAllocation(), 0U);
}

TEST(HugeHeaderAllocation, TinyFilesThatAnnounceHugeGridsAllocateNothingLarge) {
  struct Case {
    std::int32_t width;
    std::int32_t height;
    std::string status;
  };
  const Case cases[] = {{kMax, kMax, "Error"},
                        {kMax, 1, "Error"},
                        {1, kMax, "Error"},
                        {65536, 65536, "Error"},
                        {0, kMax, "Loaded, 0x2147483647"},
                        {kMax, 0, "Loaded, 2147483647x0"}};
  testing::TempDir dir;
  testing::RecordingHost host;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    const std::string path =
        testing::WriteFileIn(dir, "huge.grid", testing::GridBytes(c.width, c.height, {}, 0));
    ResetLargestAllocation();
    ShowGrid(path, host);
    EXPECT_EQ(host.LastStatus(), c.status);
    EXPECT_LT(LargestAllocation(), kLarge);
  }
}

}  // namespace
}  // namespace tolmer
