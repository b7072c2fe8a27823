// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
// Views of a loaded grid: crisp ones are the load's picture moved and enlarged,
// coarse ones the same from the overview as from the records, and a file that is no
// longer the one loaded is never drawn from.
#include "loader/DrawView.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>

#include "grid/GridError.h"
#include "loader/GridPictureRows.h"
#include "loader/MemoryHost.h"
#include "loader/ShowGrid.h"
#include "render/CellColor.h"
#include "support/GridFiles.h"
#include "support/TempDir.h"

namespace tolmer {
namespace {

using testing::GridBytes;
using testing::Hills;

class DrawViewTest : public ::testing::Test {
 protected:
  std::shared_ptr<const LoadedGrid> Load(std::int32_t width, std::int32_t height,
                                         const testing::CellMaker& cells = Hills) {
    path = testing::WriteFileIn(dir, "g.grid", GridBytes(width, height, cells));
    const LoadResult result = ShowGrid(path, host);
    EXPECT_TRUE(result.IsLoaded()) << result.Reason();
    return result.Grid();
  }

  ViewResult Draw(const LoadedGrid& grid, const Viewport& view) {
    surface.ClearSurface();
    return DrawView(grid, view, surface.hDC(), {});
  }

  testing::TempDir dir;
  MemoryHost host;
  MemorySurface surface{kViewerWidth, kViewerHeight};
  std::string path;  // of the grid loaded last
};

// The same grid without an overview, whose coarse views read the records in view.
std::shared_ptr<const LoadedGrid> WithoutOverview(const LoadedGrid& grid) {
  auto bare = std::make_shared<LoadedGrid>();
  bare->fileName = grid.fileName;
  bare->stamp = grid.stamp;
  bare->header = grid.header;
  bare->range = grid.range;
  return bare;
}

// Pixel (x, y) of a Hills grid's picture as a crisp view places it: Height3 upper
// left, Height4 upper right, Height1 lower left, Height2 lower right of each cell,
// the first stored row at the bottom, and nothing above the map area.
Colour Exact(const LoadedGrid& grid, const Viewport& view, std::int32_t x, std::int32_t y) {
  const double corner = view.scale / 2.0;
  const auto across = static_cast<std::int64_t>(std::floor((x - view.left) / corner));
  const auto down = static_cast<std::int64_t>(std::floor((y - view.top) / corner));
  const std::int64_t width = grid.header.GridWidth;
  const std::int64_t height = grid.header.GridHeight;
  if (y < kViewerMapPlacement.Top() || across < 0 || down < 0 || across >= 2 * width ||
      down >= 2 * height) {
    return MemorySurface::kDefaultBackground;
  }
  const CellRecord cell = Hills(static_cast<std::int32_t>(height - 1 - down / 2),
                                static_cast<std::int32_t>(across / 2));
  const float heights[2][2] = {{cell.Height3, cell.Height4}, {cell.Height1, cell.Height2}};
  Colour colour = 0;
  CellColor(grid.range, heights[down % 2][across % 2], cell.CellType, colour);
  return colour;
}

TEST_F(DrawViewTest, CrispViewsAreTheExactPictureMovedAndEnlarged) {
  struct Case {
    std::int32_t width, height;
    Viewport view;
  };
  const Case cases[] = {{700, 600, {2, 5 + 37, 25 + 11}},
                        {700, 600, {2, 5 - 23, 25 - 17}},  // partly above the map area
                        {700, 600, {4, -101, -33}},
                        // The far corner, the records stored first, at the bottom right.
                        {700, 600, {2, 617 - 1400 - 3, 503 - 1200 - 1}},
                        {700, 600, {32, 617 - 32 * 700 - 7, 503 - 32 * 600 - 5}},
                        {40, 30, FitViewport({40, 30}, MapArea(kViewerWidth, kViewerHeight))},
                        {1, 1, FitViewport({1, 1}, MapArea(kViewerWidth, kViewerHeight))},
                        {0, 5, {2, 5, 25}},
                        {5, 0, {32, -50, -50}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " from " << c.view.left);
    const auto grid = Load(c.width, c.height);
    ASSERT_TRUE(grid);
    ASSERT_TRUE(Draw(*grid, DefaultViewport()).IsDone());
    ASSERT_TRUE(surface.Bytes() == host.Picture().Bytes()) << "the default is not the load's";
    ASSERT_TRUE(Draw(*grid, c.view).IsDone());
    for (std::int32_t y = 0; y < kViewerHeight; ++y) {
      for (std::int32_t x = 0; x < kViewerWidth; ++x) {
        ASSERT_EQ(surface.PixelAt(x, y), Exact(*grid, c.view, x, y)) << "at " << x << ", " << y;
      }
    }
  }
}

// Where bins line up with pixels, the box filter gives the area average, as the
// records in view do; where they straddle pixels, it stays close to it.
TEST_F(DrawViewTest, OverviewAndRecordsGiveTheSamePixels) {
  struct Case {
    std::int32_t width, height;
    Viewport view;
    bool aligned;         // bin edges on pixel edges
    bool smooth = false;  // heights that change little from cell to cell
  };
  const PixelRect area = MapArea(kViewerWidth, kViewerHeight);
  // Bins of more than a pixel cannot show what changes within them.
  const auto smooth = [](std::int32_t row, std::int32_t column) {
    const float base = static_cast<float>(std::sin(row / 90.0) * 20 + column / 40.0);
    return CellRecord{base, base, base, base, row / 200 + column / 300 == 5 ? 1 : 0};
  };
  const Case cases[] = {{40001, 10, {1.0 / 64, 7, 40}, true},
                        {40001, 10, {1.0 / 128, -100, 30}, true},
                        {700, 600, {1.0 / 8, 250, 26}, true},
                        {700, 600, {1.0 / 16, 3, 30}, true},
                        {1501, 1499, {1.0 / 8, 10, 200}, true},  // two threads, half each
                        {700, 600, {1.0 / 12, 3.3, 30.7}, false},
                        // Too many records in view: bins of more than a pixel.
                        {2000, 1500, {0.3, 8.6, 26.2}, false, true},
                        {1501, 1499, {1 / 8.5, 10.3, 27.9}, false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " at " << c.view.scale);
    const auto grid = c.smooth ? Load(c.width, c.height, smooth) : Load(c.width, c.height);
    ASSERT_TRUE(grid);
    const auto regional = WithoutOverview(*grid);
    ASSERT_EQ(SourceOf(*grid, c.view, area), ViewSource::Overview);
    ASSERT_EQ(SourceOf(*regional, c.view, area), ViewSource::Region);
    ASSERT_TRUE(Draw(*grid, c.view).IsDone());
    const MemorySurface fromOverview = surface;
    ASSERT_TRUE(Draw(*regional, c.view).IsDone());
    std::int64_t painted = 0;
    std::int64_t unmatched = 0;
    std::int64_t far = 0;  // channels more than 8 apart
    double difference = 0.0;
    for (std::int32_t y = 0; y < kViewerHeight; ++y) {
      for (std::int32_t x = 0; x < kViewerWidth; ++x) {
        const Colour one = fromOverview.PixelAt(x, y);
        const Colour other = surface.PixelAt(x, y);
        if ((one == surface.Background()) != (other == surface.Background())) {
          ++unmatched;  // a pixel at the grid's edge, which the two may round apart
          continue;
        }
        painted += one != surface.Background() ? 1 : 0;
        for (const auto channel : {RedOf, GreenOf, BlueOf}) {
          const int apart = std::abs(channel(one) - channel(other));
          ASSERT_LE(apart, c.aligned ? 1 : 255) << x << ", " << y;
          far += apart > 8 ? 1 : 0;
          difference += apart;
        }
      }
    }
    EXPECT_GT(painted, 0);
    EXPECT_LE(unmatched, c.aligned ? 0 : kViewerWidth + kViewerHeight);
    EXPECT_LT(difference / static_cast<double>(3 * painted), c.aligned ? 0.5 : 1.0);
    EXPECT_LE(far * 100, 3 * painted);
  }
}

// Planes facing each way: every pixel is the plain picture's, lit by the plane's
// slope, at 2 pixels a cell from each cell's corners and zoomed out from the mean
// heights of neighbouring pixels alike.
TEST_F(DrawViewTest, ReliefLightsEachPlaneByItsSlopeAtEveryZoom) {
  const Relief relief{true, 2.0};
  for (const auto& [east, north] : {std::pair{1.0F, 0.0F},
                                    {-1.0F, 0.0F},
                                    {0.0F, 1.0F},
                                    {0.0F, -2.0F},
                                    {0.5F, 0.5F},
                                    {0.0F, 0.0F}}) {
    const auto grid = Load(1000, 900, [east, north](std::int32_t row, std::int32_t column) {
      const float lowerLeft = east * static_cast<float>(column) + north * static_cast<float>(row);
      return CellRecord{lowerLeft, lowerLeft + east, lowerLeft + north, lowerLeft + east + north,
                        0};
    });
    ASSERT_TRUE(grid);
    const Colour background = surface.Background();
    for (const Viewport& view : {Viewport{4, -1000, -900}, Viewport{1.0 / 8, 7, 30}}) {
      SCOPED_TRACE(::testing::Message() << east << ", " << north << " at " << view.scale);
      ASSERT_TRUE(Draw(*grid, view).IsDone());
      const MemorySurface plain = surface;
      surface.ClearSurface();
      ASSERT_TRUE(DrawView(*grid, view, surface.hDC(), {}, relief).IsDone());
      const double light = LightOf(east, north, relief.exaggeration);
      std::int64_t lit = 0;
      // Inside the grid's picture, away from its edges, where neighbours are missing.
      for (std::int32_t y = 40; y < 130; ++y) {
        for (std::int32_t x = 20; x < 120; ++x) {
          if (plain.PixelAt(x, y) == background) {
            continue;
          }
          const Colour expected = Lit(plain.PixelAt(x, y), light);
          const Colour got = surface.PixelAt(x, y);
          for (const auto channel : {RedOf, GreenOf, BlueOf}) {
            ASSERT_LE(std::abs(channel(got) - channel(expected)), 1) << x << ", " << y;
          }
          ++lit;
        }
      }
      EXPECT_GT(lit, 0);
    }
    // The export's rows alike, crisp and scaled down, away from the picture's edges.
    for (const std::int32_t bound : {2000, 300}) {
      SCOPED_TRACE(::testing::Message() << east << ", " << north << " exported in " << bound);
      GridReader reader;
      reader.open(path);
      const GridPicture picture = BoundedGridPicture({1000, 900}, bound, bound);
      GridPictureRows plain(reader, grid->header, grid->range, picture);
      GridPictureRows shaded(reader, grid->header, grid->range, picture, relief);
      GridPictureRows::Row plainRow = plain.MakeRow();
      GridPictureRows::Row shadedRow = shaded.MakeRow();
      const double light = LightOf(east, north, relief.exaggeration);
      for (std::int32_t y = 0; y < picture.height; ++y) {
        plain.Draw(plainRow);
        shaded.Draw(shadedRow);
        const unsigned char* plainRgb = plain.Shade(plainRow);
        const unsigned char* shadedRgb = shaded.Shade(shadedRow);
        for (std::int32_t x = 10; y % 50 == 10 && x + 10 < picture.width; x += 7) {
          const auto at = static_cast<std::size_t>(3 * x);
          const Colour expected =
              Lit(MakeColour(plainRgb[at], plainRgb[at + 1], plainRgb[at + 2]), light);
          const Colour got = MakeColour(shadedRgb[at], shadedRgb[at + 1], shadedRgb[at + 2]);
          for (const auto channel : {RedOf, GreenOf, BlueOf}) {
            ASSERT_LE(std::abs(channel(got) - channel(expected)), 1) << x << ", " << y;
          }
        }
      }
    }
  }
}

TEST_F(DrawViewTest, AFileThatIsNoLongerTheOneLoadedIsStale) {
  namespace fs = std::filesystem;
  const std::function<void(const std::string&)> changes[] = {
      [](const std::string& file) {  // rewritten, same size
        testing::WriteFile(file, GridBytes(40, 30, [](auto, auto) { return CellRecord{}; }));
        testing::MarkModified(file);
      },
      [](const std::string& file) {  // rewritten in place, its modification time put back
        struct stat loaded {};
        ASSERT_EQ(::stat(file.c_str(), &loaded), 0);
        struct stat now = loaded;
        // Until the change time moves: a rewrite in the clock tick of the load's
        // open leaves it as it was.
        while (now.st_ctim.tv_sec == loaded.st_ctim.tv_sec &&
               now.st_ctim.tv_nsec == loaded.st_ctim.tv_nsec) {
          testing::WriteFile(file, GridBytes(40, 30, [](auto, auto) { return CellRecord{}; }));
          const timespec times[2] = {loaded.st_atim, loaded.st_mtim};
          ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
          ASSERT_EQ(::stat(file.c_str(), &now), 0);
        }
        ASSERT_EQ(now.st_ino, loaded.st_ino);
      },
      [](const std::string& file) { fs::resize_file(file, fs::file_size(file) - 1); },
      [](const std::string& file) { fs::remove(file); },
      [this](const std::string& file) {  // another file renamed over it
        fs::rename(testing::WriteFileIn(dir, "other", GridBytes(40, 30, Hills)), file);
      }};
  for (const auto& change : changes) {
    const auto grid = Load(40, 30);
    ASSERT_TRUE(grid);
    change(path);
    const auto regional = WithoutOverview(*grid);
    for (const ViewResult& result :
         {Draw(*grid, DefaultViewport()), Draw(*regional, Viewport{0.5, 5, 25}),
          ReadCell(*grid, PictureCell{3, 4}).result}) {
      EXPECT_TRUE(result.IsStale());
      EXPECT_NE(result.reason, "");
    }
    // The overview is in memory: its views need no read.
    EXPECT_TRUE(Draw(*grid, Viewport{1.0 / 64, 5, 25}).IsDone());
  }
}

// An export's rows come from one version of the file: one cut short under them says
// it changed, rather than only that it ended.
TEST_F(DrawViewTest, PictureRowsFromAFileChangedUnderThemFail) {
  for (const std::int32_t bound : {100, 20}) {  // at 2 pixels a cell, and scaled down
    const auto grid = Load(40, 30);
    ASSERT_TRUE(grid);
    GridReader reader;
    reader.open(path);
    GridPictureRows rows(reader, grid->header, grid->range,
                         BoundedGridPicture({40, 30}, bound, bound));
    GridPictureRows::Row row = rows.MakeRow();
    rows.Draw(row);
    std::filesystem::resize_file(path, kHeaderSize + 20 * kCellRecordSize);
    try {
      for (std::int32_t y = 1; y < rows.Height(); ++y) {
        rows.Draw(row);
      }
      ADD_FAILURE() << "every row was made";
    } catch (const GridError& error) {
      EXPECT_NE(std::string(error.what()).find("changed"), std::string::npos) << error.what();
    }
  }
}

TEST_F(DrawViewTest, ReadCellGivesTheRecordUnderThePointer) {
  for (const auto& [width, height] : {std::pair{7, 5}, {1, 1}, {700, 600}}) {
    const auto grid = Load(width, height);
    ASSERT_TRUE(grid);
    for (const PictureCell cell :
         {PictureCell{0, 0}, {width - 1, height - 1}, {width / 2, 1 % height}, {width - 1, 0}}) {
      const CellReading reading = ReadCell(*grid, cell);
      const std::int32_t stored = height - 1 - static_cast<std::int32_t>(cell.row);
      ASSERT_TRUE(reading.result.IsDone()) << reading.result.reason;
      EXPECT_EQ(reading.cell.column, cell.column);
      EXPECT_EQ(reading.storedRow, stored);
      EXPECT_EQ(reading.record, static_cast<std::uint64_t>(stored * width + cell.column));
      EXPECT_EQ(reading.values, Hills(stored, static_cast<std::int32_t>(cell.column)));
    }
  }
}

}  // namespace
}  // namespace tolmer
