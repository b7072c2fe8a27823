// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/ShowGrid.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>

#include "render/CellColor.h"
#include "support/GridFiles.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"

namespace tolmer {
namespace {

using testing::GridBytes;
using testing::RecordingHost;
using testing::TempDir;
using testing::UniformCell;
using testing::WriteFile;
using testing::WriteGrid;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Heights and types vary by stored row and column, so misplaced cells show.
CellRecord Terrain(std::int32_t row, std::int32_t column) {
  const float base = static_cast<float>((row * 7 + column * 3) % 50);
  return CellRecord{base, base + 1, base + 2, base + 3, (row + column) % 3 == 0 ? 0 : 2};
}

Colour Expected(const HeightRange& range, float height, std::int32_t type) {
  Colour colour = 0;
  CellColor(range, height, type, colour);
  return colour;
}

class ShowGridTest : public ::testing::Test {
 protected:
  std::string Grid(std::int32_t width, std::int32_t height,
                   const testing::CellMaker& make = Terrain, const std::string& name = "g.grid") {
    const std::string path = dir.path(name);
    WriteGrid(path, width, height, make);
    return path;
  }

  std::string Bytes(const std::vector<unsigned char>& bytes, const std::string& name = "b.grid") {
    const std::string path = dir.path(name);
    WriteFile(path, bytes);
    return path;
  }

  // Paints a recognisable picture, then checks that loading `name` fails, for a
  // reason that says `why`, without touching it and without leaking the reader's
  // descriptor.
  void ExpectErrorKeepingPicture(const std::string& name, const std::string& why = "") {
    ShowGrid(Grid(4, 4, Terrain, "earlier.grid"), host);
    ASSERT_EQ(host.LastStatus(), "Loaded, 4x4");
    const auto picture = host.Picture().Bytes();
    const int clears = host.Clears();
    const int descriptors = testing::OpenDescriptorCount();
    const LoadResult result = ShowGrid(name, host);
    EXPECT_EQ(host.Statuses().at(host.Statuses().size() - 2), "Loading " + name);
    EXPECT_EQ(host.LastStatus(), "Error");
    EXPECT_TRUE(result.IsFailed());
    EXPECT_THAT(result.Reason(),
                ::testing::AllOf(::testing::Not(::testing::IsEmpty()), ::testing::HasSubstr(why)));
    EXPECT_EQ(host.Clears(), clears) << "surface was cleared";
    EXPECT_EQ(host.Picture().Bytes(), picture) << "earlier picture changed";
    EXPECT_EQ(testing::OpenDescriptorCount(), descriptors);
  }

  // Checks the four pixels of the block of the cell stored at (row, column) of a
  // grid `gridHeight` rows high, made by Terrain.
  void ExpectTerrainBlock(std::int32_t gridHeight, std::int32_t row, std::int32_t column) {
    const CellRecord cell = Terrain(row, column);
    const auto left = static_cast<std::int32_t>(host.Placement().CellLeft(column));
    const auto top = static_cast<std::int32_t>(host.Placement().CellTop(gridHeight - 1 - row));
    const HeightRange& range = host.Range();
    EXPECT_EQ(host.Picture().PixelAt(left, top), Expected(range, cell.Height3, cell.CellType));
    EXPECT_EQ(host.Picture().PixelAt(left + 1, top), Expected(range, cell.Height4, cell.CellType));
    EXPECT_EQ(host.Picture().PixelAt(left, top + 1), Expected(range, cell.Height1, cell.CellType));
    EXPECT_EQ(host.Picture().PixelAt(left + 1, top + 1),
              Expected(range, cell.Height2, cell.CellType));
  }

  TempDir dir;
  RecordingHost host;
};

TEST_F(ShowGridTest, ReportsLoadingThenTheSize) {
  const std::string path = Grid(3, 2);
  ShowGrid(path, host);
  EXPECT_EQ(host.Statuses(), (std::vector<std::string>{"Loading " + path, "Loaded, 3x2"}));
  EXPECT_EQ(host.Clears(), 1);
}

TEST_F(ShowGridTest, PaintsFirstStoredRowAtTheBottom) {
  ShowGrid(Grid(3, 2), host);
  ASSERT_EQ(host.LastStatus(), "Loaded, 3x2");
  for (std::int32_t row = 0; row < 2; ++row) {
    for (std::int32_t column = 0; column < 3; ++column) {
      ExpectTerrainBlock(2, row, column);
    }
  }
  // Everything outside the 6 x 4 pixel rectangle from (5, 25) is background.
  std::int64_t painted = 0;
  for (std::int32_t y = 0; y < testing::kWindowHeight; ++y) {
    for (std::int32_t x = 0; x < testing::kWindowWidth; ++x) {
      painted += host.Picture().PixelAt(x, y) != host.Picture().Background() ? 1 : 0;
    }
  }
  EXPECT_EQ(painted, 6 * 4);
}

TEST_F(ShowGridTest, RangeIncludesTheSeeds) {
  ShowGrid(Grid(2, 2, [](auto, auto) { return UniformCell(150.0F, 0); }), host);
  EXPECT_EQ(host.Range().MinHeight, 100.0F);
  EXPECT_EQ(host.Range().MaxHeight, 150.0F);
  EXPECT_EQ(host.Picture().PixelAt(5, 25), 0x00FF00U);

  ShowGrid(Grid(2, 2, [](auto, auto) { return UniformCell(-150.0F, 4); }), host);
  EXPECT_EQ(host.Range().MinHeight, -150.0F);
  EXPECT_EQ(host.Range().MaxHeight, -100.0F);
  EXPECT_EQ(host.Picture().PixelAt(5, 25), MakeColour(195, 195, 255));

  ShowGrid(Grid(1, 1, [](auto, auto) { return CellRecord{-400.0F, 250.0F, 0.0F, 5.0F, 0}; }), host);
  EXPECT_EQ(host.Range().MinHeight, -400.0F);
  EXPECT_EQ(host.Range().MaxHeight, 250.0F);
}

TEST_F(ShowGridTest, EqualHeightsPaintPureColours) {
  ShowGrid(Grid(2, 1, [](auto, std::int32_t column) { return UniformCell(5.0F, column); }), host);
  // Both seeds give way to 5, so the span is zero and every pixel gets shade 0.
  EXPECT_EQ(host.Range().MinHeight, 5.0F);
  EXPECT_EQ(host.Range().MaxHeight, 5.0F);
  EXPECT_EQ(host.Picture().PixelAt(5, 25), 0x00FF00U);
  EXPECT_EQ(host.Picture().PixelAt(7, 25), 0xFF0000U);
}

TEST_F(ShowGridTest, OneCellIsOneBlockAtTheMapOrigin) {
  ShowGrid(Grid(1, 1, [](auto, auto) { return CellRecord{0.0F, 10.0F, 5.0F, 0.0F, 0}; }), host);
  EXPECT_EQ(host.LastStatus(), "Loaded, 1x1");
  EXPECT_EQ(host.Picture().PixelAt(5, 25), 0x61FF61U);  // Height3 = 5 of [0, 10]
  EXPECT_EQ(host.Picture().PixelAt(6, 26), 0x00FF00U);  // Height2 = 10
  EXPECT_EQ(host.Picture().PixelAt(7, 25), host.Picture().Background());
  EXPECT_EQ(host.Picture().PixelAt(5, 27), host.Picture().Background());
}

TEST_F(ShowGridTest, EmptyGridsClearAndLoad) {
  ShowGrid(Grid(3, 3), host);
  ShowGrid(Grid(0, 0, Terrain, "empty.grid"), host);
  EXPECT_EQ(host.LastStatus(), "Loaded, 0x0");
  EXPECT_EQ(host.Clears(), 2);
  EXPECT_EQ(host.Picture().PixelAt(5, 25), host.Picture().Background());
  ShowGrid(Bytes(GridBytes(0, 5, Terrain)), host);
  EXPECT_EQ(host.LastStatus(), "Loaded, 0x5");
}

TEST_F(ShowGridTest, LargeGridIsClippedToTheSurface) {
  constexpr std::int32_t kWidth = 400;
  constexpr std::int32_t kHeight = 300;
  ShowGrid(Grid(kWidth, kHeight), host);
  ASSERT_EQ(host.LastStatus(), "Loaded, 400x300");
  // 306 columns and the last 239 stored rows are visible.
  ExpectTerrainBlock(kHeight, kHeight - 1, 0);      // top-left
  ExpectTerrainBlock(kHeight, kHeight - 1, 305);    // top-right
  ExpectTerrainBlock(kHeight, kHeight - 239, 305);  // bottom-right, ends at (616, 502)
  ExpectTerrainBlock(kHeight, kHeight - 239, 0);
  ExpectTerrainBlock(kHeight, 150, 100);
}

TEST_F(ShowGridTest, SecondLoadReplacesTheFirst) {
  const auto water = [](auto, auto) { return UniformCell(1.0F, 1); };
  const auto land = [](auto, auto) { return UniformCell(1.0F, 0); };
  ShowGrid(Grid(5, 5, water, "blue.grid"), host);
  ShowGrid(Grid(1, 1, land, "green.grid"), host);
  EXPECT_EQ(host.Picture().PixelAt(5, 25), 0x00FF00U);
  EXPECT_EQ(host.Picture().PixelAt(7, 25), host.Picture().Background());
}

TEST_F(ShowGridTest, TrailingBytesAreIgnored) {
  auto bytes = GridBytes(2, 2, Terrain);
  bytes.insert(bytes.end(), 37, 0xAB);
  ShowGrid(Bytes(bytes), host);
  EXPECT_EQ(host.LastStatus(), "Loaded, 2x2");
}

TEST_F(ShowGridTest, NamesAreTakenCharacterForCharacter) {
  for (const std::string name : {" spaced name .grid", "Höhenkarte ü.grid", "-dash.grid"}) {
    const std::string path = Grid(1, 1, Terrain, name);
    ShowGrid(path, host);
    EXPECT_EQ(host.Statuses().at(host.Statuses().size() - 2), "Loading " + path);
    EXPECT_EQ(host.LastStatus(), "Loaded, 1x1") << name;
  }
  const std::string target = Grid(2, 1);
  const std::string link = dir.path("link.grid");
  std::filesystem::create_symlink(target, link);
  ShowGrid(link, host);
  EXPECT_EQ(host.LastStatus(), "Loaded, 2x1");
}

TEST_F(ShowGridTest, NamesThatAreNotRegularFilesFail) {
  Grid(2, 2, Terrain, "a.grid");
  const std::string fifo = dir.path("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string dangling = dir.path("dangling");
  std::filesystem::create_symlink(dir.path("nowhere"), dangling);
  for (const std::string& name :
       {std::string(), dir.path("missing.grid"), dir.root().string(), dir.path("*.grid"),
        dir.path("?.grid"), fifo, dangling, std::string("/dev/null"),
        dir.path("a.grid") + std::string(1, '\0') + "x", std::string("Filename")}) {
    SCOPED_TRACE(name);
    ExpectErrorKeepingPicture(name);
  }
}

TEST_F(ShowGridTest, CorruptHeadersFailBeforeTheClear) {
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
  ExpectErrorKeepingPicture(Bytes(GridBytes(-3, 2, Terrain, 0), "negative.grid"),
                            "negative grid size, -3x2");
  ExpectErrorKeepingPicture(Bytes(GridBytes(2, kMin, Terrain, 0), "min.grid"), "negative");
  ExpectErrorKeepingPicture(Bytes(GridBytes(kMax, kMax, Terrain, 0), "huge.grid"), "only 0");
  ExpectErrorKeepingPicture(Bytes(GridBytes(3, 3, Terrain, 2), "short.grid"),
                            "3x3 grid of 9 records, but its 134 bytes hold only 6");
  auto oneByteShort = GridBytes(3, 3, Terrain);
  oneByteShort.pop_back();
  ExpectErrorKeepingPicture(Bytes(oneByteShort, "byteshort.grid"), "only 8");
  ExpectErrorKeepingPicture(Bytes({1, 2, 3, 4, 5, 6, 7}, "tiny.grid"),
                            "ends at byte 7, inside the header");
  ExpectErrorKeepingPicture(Bytes({}, "zero.grid"), "ends at byte 0");
}

TEST_F(ShowGridTest, NonFiniteHeightsFailBeforeTheClear) {
  for (const float bad : {kNaN, kInf, -kInf}) {
    for (int corner = 0; corner < 4; ++corner) {
      auto make = [&](std::int32_t row, std::int32_t column) {
        CellRecord cell = Terrain(row, column);
        if (row == 2 && column == 1) {
          (corner == 0   ? cell.Height1
           : corner == 1 ? cell.Height2
           : corner == 2 ? cell.Height3
                         : cell.Height4) = bad;
        }
        return cell;
      };
      SCOPED_TRACE(corner);
      ExpectErrorKeepingPicture(Grid(3, 3, make, "bad.grid"),
                                "height " + std::to_string(corner + 1) +
                                    " of record 7 (row 2, column 1) is " +
                                    (std::isnan(bad) ? "not a number" : "infinite"));
    }
  }
}

TEST_F(ShowGridTest, FileChangedBetweenPassesEndsInError) {
  // Larger than the reader's buffer, so pass 2 still has to read from the file
  // after the surface is cleared.
  constexpr std::int32_t kWidth = 300;
  constexpr std::int32_t kHeight = 200;
  const std::string path = dir.path("g.grid");
  const int descriptors = testing::OpenDescriptorCount();
  const std::function<void()> changes[] = {
      [&] { std::filesystem::resize_file(path, 14 + 20 * kWidth * 10); },
      [&] { WriteGrid(path, kWidth, kHeight, [](auto, auto) { return UniformCell(kNaN); }); },
      [&] { WriteGrid(path, kWidth, kHeight, [](auto, auto) { return UniformCell(7.0F); }); },
      [&] { WriteGrid(path, kWidth + 1, kHeight, Terrain); },
  };
  for (const auto& change : changes) {
    WriteGrid(path, kWidth, kHeight, Terrain);
    host.onClear = [&] {
      change();
      testing::MarkModified(path);
    };
    EXPECT_EQ(ShowGrid(path, host).Reason(), "the file changed while it was being read");
    EXPECT_EQ(host.LastStatus(), "Error");
  }
  EXPECT_EQ(testing::OpenDescriptorCount(), descriptors);
}

TEST_F(ShowGridTest, LongLoadsGiveTheHostATurnAndCanBeAbandoned) {
  const std::string path = Grid(1000, 300);  // 300,000 cells in each pass
  EXPECT_EQ(ShowGrid(path, host), LoadResult::Loaded(1000, 300));
  EXPECT_EQ(host.LastStatus(), "Loaded, 1000x300");
  EXPECT_EQ(host.Turns(), 9);
  // Before the 589824th of 600,000 cells.
  EXPECT_EQ(host.LastProgress().cellsDone, 589823U);
  EXPECT_EQ(host.LastProgress().cellsTotal, 600000U);

  const int descriptors = testing::OpenDescriptorCount();
  for (const int stopAt : {1, 5}) {
    RecordingHost stopping;
    stopping.stopAtTurn = stopAt;
    EXPECT_EQ(ShowGrid(path, stopping), LoadResult::Abandoned());
    EXPECT_EQ(stopping.Statuses(), std::vector<std::string>{"Loading " + path});
    EXPECT_EQ(stopping.Turns(), stopAt);
    EXPECT_EQ(testing::OpenDescriptorCount(), descriptors);
  }
}

TEST_F(ShowGridTest, RecoversAfterAnErrorForTheNextLoad) {
  ShowGrid(dir.path("missing.grid"), host);
  ASSERT_EQ(host.LastStatus(), "Error");
  ShowGrid(Grid(2, 3), host);
  EXPECT_EQ(host.LastStatus(), "Loaded, 2x3");
  ExpectTerrainBlock(3, 0, 0);
}

}  // namespace
}  // namespace tolmer
