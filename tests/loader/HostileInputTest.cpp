// Whatever a file or a name holds, a load ends in "Error" or a consistent picture,
// closes the file, keeps the earlier picture when it fails before clearing, and
// leaves the host ready for the next load.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cfloat>
#include <chrono>
#include <climits>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <tuple>

#include "grid/LittleEndian.h"
#include "loader/ShowGrid.h"
#include "support/GridFiles.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"

namespace tolmer {
namespace {

using testing::GridBytes;
using testing::OpenDescriptorCount;
using testing::UniformCell;

constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();

// Heights in [0, 50) and both cell classes, so a misplaced or missing cell shows.
CellRecord Varied(std::int32_t row, std::int32_t column) {
  const auto base = static_cast<float>((row * 7 + column * 3) % 47);
  return CellRecord{base, base + 1.0F, base + 2.0F, base + 3.0F, (row + column) % 3 == 0 ? 0 : 5};
}

std::vector<unsigned char> Header(std::int32_t width, std::int32_t height) {
  return GridBytes(width, height, Varied, 0);
}

class HostileInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    earlierPath = Write(GridBytes(4, 4, Varied), "earlier.grid");
    ShowGrid(earlierPath, host);
    ASSERT_EQ(host.lastStatus(), "Loaded, 4x4");
    earlierPicture = host.surface.bytes();
    descriptors = OpenDescriptorCount();
  }

  std::string Write(const std::vector<unsigned char>& bytes, const std::string& name = "in.grid") {
    const std::string path = dir.path(name);
    testing::WriteFile(path, bytes);
    return path;
  }

  // Loads `name`, checking the first status and that no descriptor stays open.
  void Load(const std::string& name) {
    const std::size_t before = host.statuses.size();
    ShowGrid(name, host);
    ASSERT_EQ(host.statuses.size(), before + 2);
    EXPECT_EQ(host.statuses[before], "Loading " + name);
    EXPECT_EQ(OpenDescriptorCount(), descriptors) << "a descriptor was left open";
  }

  // Reloading the earlier file gives back the earlier picture exactly, so nothing
  // of the failed load lingers in the host.
  void ExpectNextLoadWorks() {
    Load(earlierPath);
    EXPECT_EQ(host.lastStatus(), "Loaded, 4x4");
    EXPECT_TRUE(host.surface.bytes() == earlierPicture) << "the next load paints differently";
  }

  void ExpectErrorKeepingPicture(const std::string& name) {
    SCOPED_TRACE(name.size() < 300 ? name : name.substr(0, 300) + "...");
    const auto picture = host.surface.bytes();
    const int clears = host.surface.clears;
    Load(name);
    EXPECT_EQ(host.lastStatus(), "Error");
    EXPECT_EQ(host.surface.clears, clears) << "the surface was cleared before the failure";
    EXPECT_TRUE(host.surface.bytes() == picture) << "the earlier picture changed";
    ExpectNextLoadWorks();
  }

  void ExpectLoaded(const std::string& name, const std::string& status) {
    SCOPED_TRACE(name);
    Load(name);
    EXPECT_EQ(host.lastStatus(), status);
  }

  Colour At(std::int32_t x, std::int32_t y) const { return host.surface.PixelAt(x, y); }

  // The four pixels of cell (column, top row) of a one-row grid, in the order
  // Height1 (lower left), Height2, Height3 (upper left), Height4.
  std::array<Colour, 4> CornerColours(std::int32_t column) const {
    const std::int32_t left = 5 + 2 * column;
    return {At(left, 26), At(left + 1, 26), At(left, 25), At(left + 1, 25)};
  }

  testing::TempDir dir;
  testing::RecordingHost host;
  std::string earlierPath;
  std::vector<unsigned char> earlierPicture;
  int descriptors = 0;
};

TEST_F(HostileInputTest, GridsWithoutCellsLoadAtOnceHoweverLongTheirOtherSide) {
  // Counting down the rows of an empty grid one by one took about ten seconds.
  const auto start = std::chrono::steady_clock::now();
  ExpectLoaded(Write(Header(0, kInt32Max)), "Loaded, 0x2147483647");
  ExpectLoaded(Write(Header(kInt32Max, 0)), "Loaded, 2147483647x0");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(At(5, 25), host.surface.background());
  ExpectNextLoadWorks();
}

}  // namespace
}  // namespace tolmer
