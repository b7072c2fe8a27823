// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
// ShowGrid against the step-by-step load on randomised grids: both must give the
// same statuses, turns, clears and every pixel, also when a load fails.
#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <random>
#include <sstream>

#include "ReferenceShowGrid.h"
#include "grid/GridFormat.h"
#include "grid/GridWriter.h"
#include "loader/ShowGrid.h"
#include "support/GridFiles.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"

namespace tolmer {
namespace {

using testing::RecordingHost;
using testing::TempDir;

enum class Heights { Spread, AboveSeeds, BelowSeeds, Constant, WholeShades, Tiny };
enum class Size { Fits, Clips, Large };

struct Scenario {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<unsigned char> bytes;
  // Runs when the surface is cleared, between the two passes.
  std::function<void(const std::string& path)> betweenPasses;
  int abandonAtTurn = 0;  // 0: the host never asks the load to stop
  std::string description;
};

void PatchFile(const std::string& path, std::size_t offset, float value) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  unsigned char bytes[4];
  StoreF32LE(bytes, value);
  file.seekp(static_cast<std::streamoff>(offset));
  file.write(reinterpret_cast<const char*>(bytes), 4);
  if (!file.flush()) {
    throw std::runtime_error("cannot patch " + path);
  }
}

class RandomGrids {
 public:
  explicit RandomGrids(std::uint32_t seed) : random_(seed) {}

  Scenario Make(Size size) {
    Scenario scenario;
    PickSize(size, scenario);
    heights_ = static_cast<Heights>(Pick(0, 5));
    typeMode_ = Pick(0, 2);
    scenario.bytes = testing::GridBytes(scenario.width, scenario.height,
                                        [&](std::int32_t, std::int32_t) { return RandomCell(); });
    if (heights_ == Heights::WholeShades && CellCount(scenario) > 0) {
      // One cell spans the whole range, so every height falls on a whole shade.
      const auto first = EncodeCell(CellRecord{0.0F, 195.0F, 0.0F, 195.0F, 0});
      std::copy(first.begin(), first.end(), scenario.bytes.begin() + kHeaderSize);
    }
    std::ostringstream text;
    text << scenario.width << "x" << scenario.height << " heights " << static_cast<int>(heights_)
         << " types " << typeMode_;
    scenario.description = text.str();
    return scenario;
  }

  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  std::size_t PickIndex(std::size_t count) {
    return std::uniform_int_distribution<std::size_t>(0, count - 1)(random_);
  }
  float PickHeight() { return RandomHeight(); }

  static std::size_t CellCount(const Scenario& scenario) {
    return static_cast<std::size_t>(scenario.width) * static_cast<std::size_t>(scenario.height);
  }

 private:
  void PickSize(Size size, Scenario& scenario) {
    switch (size) {
      case Size::Fits:
        scenario.width = Pick(0, 306);
        scenario.height = Pick(0, 239);
        break;
      case Size::Clips:
        if (Pick(0, 1) == 0) {
          scenario.width = Pick(307, 700);
          scenario.height = Pick(1, 300);
        } else {
          scenario.width = Pick(1, 306);
          scenario.height = Pick(240, 600);
        }
        break;
      case Size::Large:  // several buffers and turns, wide or tall, some scanned by two threads
        if (Pick(0, 1) == 0) {
          scenario.width = Pick(400, 800);
          scenario.height = Pick(200, 300);
        } else {
          scenario.width = Pick(100, 306);
          scenario.height = Pick(600, 1000);
        }
        break;
    }
  }

  float RandomHeight() {
    switch (heights_) {
      case Heights::Spread:
        return std::uniform_real_distribution<float>(-500.0F, 500.0F)(random_);
      case Heights::AboveSeeds:
        return std::uniform_real_distribution<float>(150.0F, 400.0F)(random_);
      case Heights::BelowSeeds:
        return std::uniform_real_distribution<float>(-400.0F, -150.0F)(random_);
      case Heights::Constant:
        return 42.5F;
      case Heights::WholeShades:
        return static_cast<float>(Pick(0, 195));
      case Heights::Tiny: {
        constexpr float kTiny[] = {0.0F, -0.0F, 1e-45F, -1e-45F, 1e-38F, -2e-40F};
        return kTiny[Pick(0, 5)];
      }
    }
    return 0.0F;
  }

  std::int32_t RandomType() {
    constexpr std::int32_t kTypes[] = {0,
                                       1,
                                       -1,
                                       7,
                                       std::numeric_limits<std::int32_t>::min(),
                                       std::numeric_limits<std::int32_t>::max()};
    switch (typeMode_) {
      case 0:
        return 0;
      case 1:
        return kTypes[Pick(1, 5)];
      default:
        return kTypes[Pick(0, 5)];
    }
  }

  CellRecord RandomCell() {
    return CellRecord{RandomHeight(), RandomHeight(), RandomHeight(), RandomHeight(), RandomType()};
  }

  std::mt19937 random_;
  Heights heights_ = Heights::Spread;
  int typeMode_ = 0;
};

constexpr float kNonFinite[] = {std::numeric_limits<float>::quiet_NaN(),
                                std::numeric_limits<float>::infinity(),
                                -std::numeric_limits<float>::infinity(),
                                std::bit_cast<float>(0xFF800001U),   // negative signalling NaN
                                std::bit_cast<float>(0x7FFFFFFFU)};  // NaN with every bit set

std::size_t HeightOffset(std::size_t cell, int corner) {
  return kHeaderSize + cell * kCellRecordSize + static_cast<std::size_t>(corner) * 4;
}

class ShowGridEquivalenceTest : public ::testing::Test {
 protected:
  using Load = LoadResult (*)(const std::string&, LoadHost&);

  LoadResult Run(const Scenario& scenario, Load load, RecordingHost& host) {
    const std::string path = testing::WriteFileIn(dir, "random.grid", scenario.bytes);
    if (scenario.betweenPasses) {
      host.onClear = [&] {
        scenario.betweenPasses(path);
        testing::MarkModified(path);
      };
    }
    host.stopAtTurn = scenario.abandonAtTurn;
    return load(path, host);
  }

  LoadResult ExpectSameLoad(const Scenario& scenario) {
    SCOPED_TRACE(scenario.description);
    RecordingHost reference;
    RecordingHost fast;
    const LoadResult expected = Run(scenario, testing::ReferenceShowGrid, reference);
    const LoadResult result = Run(scenario, ShowGrid, fast);
    EXPECT_EQ(result.GetOutcome(), expected.GetOutcome()) << result.Reason();
    EXPECT_EQ(result.Width(), expected.Width());
    EXPECT_EQ(result.Height(), expected.Height());
    EXPECT_EQ(fast.Statuses(), reference.Statuses());
    EXPECT_EQ(fast.Clears(), reference.Clears());
    ExpectSamePixels(fast.Picture(), reference.Picture());
    // A range scan of two threads that fails has given the turns for the cells both
    // threads got through, which is not where a reading from the start stops.
    if (!expected.IsFailed()) {
      EXPECT_EQ(fast.Turns(), reference.Turns());
    }
    if (expected.IsLoaded()) {
      EXPECT_EQ(fast.Range().MinHeight, reference.Range().MinHeight);
      EXPECT_EQ(fast.Range().MaxHeight, reference.Range().MaxHeight);
    }
    ++outcomes[static_cast<int>(expected.GetOutcome())];
    return result;
  }

  static void ExpectSamePixels(const MemorySurface& fast, const MemorySurface& reference) {
    for (std::int32_t y = 0; y < reference.Height(); ++y) {
      for (std::int32_t x = 0; x < reference.Width(); ++x) {
        if (fast.PixelAt(x, y) != reference.PixelAt(x, y)) {
          ADD_FAILURE() << "first differing pixel (" << x << ", " << y << "): " << std::hex
                        << fast.PixelAt(x, y) << " instead of " << reference.PixelAt(x, y);
          return;
        }
      }
    }
  }

  TempDir dir;
  RandomGrids random{20240601};
  int outcomes[3] = {0, 0, 0};  // loaded, failed, abandoned
};

TEST_F(ShowGridEquivalenceTest, CleanGridsPaintTheSamePicture) {
  for (int round = 0; round < 36; ++round) {
    ExpectSameLoad(random.Make(static_cast<Size>(round % 3)));
  }
  EXPECT_EQ(outcomes[1], 0);
}

TEST_F(ShowGridEquivalenceTest, FaultyFilesFailTheSameWay) {
  for (int round = 0; round < 24; ++round) {
    Scenario scenario = random.Make(static_cast<Size>(round % 3));
    const std::size_t cells = RandomGrids::CellCount(scenario);
    if (round % 2 == 0 && cells > 0) {
      const std::size_t offset = HeightOffset(random.PickIndex(cells), random.Pick(0, 3));
      StoreF32LE(scenario.bytes.data() + offset, kNonFinite[random.Pick(0, 4)]);
    } else {
      // Shorter than the header announces, by anything from one byte to everything.
      scenario.bytes.resize(kHeaderSize +
                            random.PickIndex(scenario.bytes.size() - kHeaderSize + 1));
      if (scenario.bytes.size() == kHeaderSize + cells * kCellRecordSize) {
        scenario.bytes.pop_back();
      }
    }
    ExpectSameLoad(scenario);
  }
  EXPECT_EQ(outcomes[0], 0);
}

TEST_F(ShowGridEquivalenceTest, FilesChangedBetweenPassesFailAndPaintTheSameUpToTheFault) {
  for (int round = 0; round < 36; ++round) {
    Scenario scenario = random.Make(Size::Large);
    const std::size_t cells = RandomGrids::CellCount(scenario);
    ASSERT_GT(cells, 0U);
    const std::size_t cell = random.PickIndex(cells);
    const std::size_t offset = HeightOffset(cell, random.Pick(0, 3));
    switch (round % 6) {
      case 0: {  // no longer finite
        const float bad = kNonFinite[random.Pick(0, 4)];
        scenario.betweenPasses = [=](const std::string& path) { PatchFile(path, offset, bad); };
        break;
      }
      case 1: {  // finite, but outside the range of pass 1: clamped or not shadeable
        constexpr float kOutside[] = {1e30F, -3.4e38F, 1000.0F, -1000.0F, 3.4e38F};
        const float outside = kOutside[random.Pick(0, 4)];
        scenario.betweenPasses = [=](const std::string& path) { PatchFile(path, offset, outside); };
        break;
      }
      case 2: {  // cut short at any byte of the cell or after it
        const std::size_t length =
            HeightOffset(cell, 0) + random.PickIndex(scenario.bytes.size() - HeightOffset(cell, 0));
        scenario.betweenPasses = [=](const std::string& path) {
          std::filesystem::resize_file(path, length);
        };
        break;
      }
      case 3: {  // grown, and its header rewritten
        const std::size_t length = scenario.bytes.size() + random.PickIndex(3000);
        const float header = std::bit_cast<float>(random.Pick(-5, 5000));
        scenario.betweenPasses = [=](const std::string& path) {
          std::filesystem::resize_file(path, length);
          PatchFile(path, kSignatureSize + 4 * (length % 2), header);
        };
        break;
      }
      default: {  // new heights inside the range
        const float inside = random.PickHeight();
        scenario.betweenPasses = [=](const std::string& path) { PatchFile(path, offset, inside); };
        break;
      }
    }
    // Also where pass 2 trips over the change before the end of the load.
    EXPECT_EQ(ExpectSameLoad(scenario).Reason(), "the file changed while it was being read");
  }
  EXPECT_EQ(outcomes[1], 36);
}

TEST_F(ShowGridEquivalenceTest, LoadsAbandonedByTheHostStopAtTheSameCell) {
  for (int round = 0; round < 6; ++round) {
    Scenario scenario = random.Make(Size::Large);
    const auto turns = static_cast<int>(2 * RandomGrids::CellCount(scenario) / 65536);
    scenario.abandonAtTurn = random.Pick(1, turns);
    ExpectSameLoad(scenario);
  }
  EXPECT_EQ(outcomes[2], 6);
}

}  // namespace
}  // namespace tolmer
