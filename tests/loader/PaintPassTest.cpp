// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/PaintPass.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <vector>

#include "grid/GridError.h"
#include "grid/GridWriter.h"
#include "render/DrawCell.h"
#include "render/MemorySurface.h"

namespace tolmer {
namespace {

// A grid held as stored bytes, with its cells also at hand for drawing directly.
struct StoredGrid {
  StoredGrid(std::int32_t width, std::int32_t height) {
    header.GridWidth = width;
    header.GridHeight = height;
    std::mt19937 random(static_cast<std::uint32_t>(width * 1000 + height));
    std::uniform_real_distribution<float> heights(-50.0F, 50.0F);
    for (std::int32_t index = 0; index < width * height; ++index) {
      cells.push_back(CellRecord{heights(random), heights(random), heights(random), heights(random),
                                 index % 3});
      const auto record = EncodeCell(cells.back());
      bytes.insert(bytes.end(), record.begin(), record.end());
    }
  }

  RecordBlock Block(std::size_t first, std::size_t count) const {
    return RecordBlock(bytes.data(), cells.size()).SubBlock(first, count);
  }

  // Draws cells [0, count) one by one, the first stored row at the bottom.
  void DrawDirectly(MemorySurface& surface, std::size_t count) const {
    for (std::size_t index = 0; index < count; ++index) {
      const auto x = static_cast<std::int32_t>(index % static_cast<std::size_t>(header.GridWidth));
      const auto row =
          static_cast<std::int32_t>(index / static_cast<std::size_t>(header.GridWidth));
      DrawCell(surface.hDC(), range, placement, x, header.GridHeight - 1 - row, cells[index]);
    }
  }

  GridHeader header;
  HeightRange range{-50.0F, 50.0F};
  MapPlacement placement{5, 25, 2};
  std::vector<CellRecord> cells;
  std::vector<unsigned char> bytes;
};

TEST(PaintPassTest, PaintingBlocksPaintsWhatDrawingEveryCellPaints) {
  // Clipping is DrawCell's; a surface smaller than the grid only shows that the
  // painter hands every cell to it.
  const std::pair<std::int32_t, std::int32_t> surfaces[] = {{617, 503}, {41, 60}};
  const std::pair<std::int32_t, std::int32_t> grids[] = {{1, 1}, {3, 2}, {25, 40}, {310, 245}};
  const MapPlacement placements[] = {{5, 25, 2}, {0, 0, 4}, {-3, -5, 2}};
  std::mt19937 random(3);
  for (const auto& [gridWidth, gridHeight] : grids) {
    StoredGrid grid(gridWidth, gridHeight);
    for (const auto& [width, height] : surfaces) {
      for (const MapPlacement& placement : placements) {
        grid.placement = placement;
        SCOPED_TRACE(::testing::Message()
                     << "grid " << gridWidth << "x" << gridHeight << " surface " << width << "x"
                     << height << " cell size " << grid.placement.CellSize());
        MemorySurface painted(width, height);
        PaintPass painter(grid.header, grid.range, grid.placement, painted);
        // Blocks of random length, starting and ending anywhere in a row.
        for (std::size_t first = 0; first < grid.cells.size();) {
          const std::size_t count =
              std::min<std::size_t>(grid.cells.size() - first, 1 + random() % 700);
          painter.PaintInRange(grid.Block(first, count));
          first += count;
        }
        MemorySurface drawn(width, height);
        grid.DrawDirectly(drawn, grid.cells.size());
        EXPECT_EQ(painted.Bytes(), drawn.Bytes());
      }
    }
  }
}

TEST(PaintPassTest, PaintingEachCellStopsAtTheFirstFaultyCell) {
  StoredGrid grid(30, 20);
  constexpr std::size_t kFaulty = 217;
  StoreU32LE(grid.bytes.data() + kFaulty * kCellRecordSize + 8, 0xFFFFFFFFU);  // Height3: NaN
  MemorySurface painted(617, 503);
  PaintPass painter(grid.header, grid.range, grid.placement, painted);
  painter.PaintInRange(grid.Block(0, 100));
  try {
    painter.PaintEach(grid.Block(100, 200));
    ADD_FAILURE() << "the faulty cell was painted";
  } catch (const GridError& error) {
    EXPECT_STREQ(error.what(), "height 3 of record 217 (row 7, column 7) is not a number");
  }
  MemorySurface drawn(617, 503);
  grid.DrawDirectly(drawn, kFaulty);
  EXPECT_EQ(painted.Bytes(), drawn.Bytes());
}

}  // namespace
}  // namespace tolmer
