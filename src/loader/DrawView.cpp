// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/DrawView.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <exception>
#include <vector>

#include "grid/GridError.h"
#include "grid/GridReader.h"
#include "loader/RecordChunks.h"
#include "render/DrawCell.h"
#include "render/Overview.h"

namespace tolmer {
namespace {

// The rows of the area, so that nothing is drawn above or below them.
SurfaceHandle MapPart(const SurfaceHandle& surface, const PixelRect& area) {
  SurfaceHandle part = surface;
  const std::int32_t top = std::clamp(area.top, 0, surface.height);
  part.bits += top * surface.bytesPerLine;
  part.height = std::clamp(area.height, 0, surface.height - top);
  return part;
}

std::int64_t PixelOf(double coordinate) {
  return static_cast<std::int64_t>(std::floor(coordinate));
}

// The coarsest level of the overview whose bins cover at most one pixel; -1 when
// even the finest are coarser.
int OverviewLevel(const Overview& overview, double scale) {
  int level = -1;
  while (level + 1 < overview.Levels() &&
         static_cast<double>(overview.BinSide(level + 1)) * scale <= 1.0) {
    ++level;
  }
  return level;
}

// The file as it was loaded, or GridError.
void OpenLoaded(GridReader& reader, const LoadedGrid& grid) {
  reader.open(grid.fileName);
  if (!(reader.stamp() == grid.stamp)) {
    throw GridError("the file changed since it was loaded");
  }
}

// Pixels gathered from many corners or bins, one row of the map area at a time:
// rows arrive in order from the top, and each is drawn once nothing more can reach it.
class PixelRows {
 public:
  PixelRows(const SurfaceHandle& map, std::int64_t mapTop, const HeightRange& range)
      : map_(map), mapTop_(mapTop), range_(range) {}
  PixelRows(const PixelRows&) = delete;
  PixelRows& operator=(const PixelRows&) = delete;
  ~PixelRows() = default;

  // Draws every row above client row `y`: nothing more can reach them.
  void Reach(std::int64_t y) {
    while (!rows_.empty() && rows_.front().y < y) {
      Draw(rows_.front());
      rows_.pop_front();
    }
  }

  // The sums of client row `y`, which no row added before lies below; null outside
  // the map.
  BinSums* Row(std::int64_t y) {
    if (y < mapTop_ || y >= mapTop_ + map_.height) {
      return nullptr;
    }
    for (PendingRow& row : rows_) {
      if (row.y == y) {
        return row.sums.data();
      }
    }
    rows_.push_back(PendingRow{y, std::vector<BinSums>(static_cast<std::size_t>(map_.width))});
    return rows_.back().sums.data();
  }

  // True when pixel column x is on the map.
  bool Holds(std::int64_t x) const { return x >= 0 && x < map_.width; }

  void Finish() {
    for (const PendingRow& row : rows_) {
      Draw(row);
    }
    rows_.clear();
  }

 private:
  struct PendingRow {
    std::int64_t y;
    std::vector<BinSums> sums;
  };

  void Draw(const PendingRow& row) const {
    for (std::size_t x = 0; x < row.sums.size(); ++x) {
      if (!row.sums[x].IsEmpty()) {
        SetPixel(map_, static_cast<std::int64_t>(x), row.y - mapTop_,
                 BinColour(row.sums[x], range_));
      }
    }
  }

  SurfaceHandle map_;
  std::int64_t mapTop_;
  const HeightRange& range_;
  std::deque<PendingRow> rows_;
};

void AddCorner(BinSums* row, const PixelRows& pixels, std::int64_t x, bool other, float height) {
  if (row != nullptr && pixels.Holds(x)) {
    row[x].AddCorner(other, height);
  }
}

// The cells of one view and how to reach their records.
class ViewDrawing {
 public:
  ViewDrawing(const LoadedGrid& grid, const Viewport& view, const SurfaceHandle& surface,
              const PixelRect& area, const ViewControl& control)
      : grid_(grid),
        view_(view),
        area_(area),
        map_(MapPart(surface, area_)),
        control_(control),
        span_(VisibleCells(view, ExtentOf(grid.header), area_)) {}

  // Each returns false when the view was abandoned.
  bool DrawRecords(const GridReader& reader);
  bool DrawOverview(int level);
  bool DrawRegion(const GridReader& reader);

 private:
  // Reads the visible records of picture row `row`, chunk by chunk, for `use`.
  template <typename Use>
  void ReadRow(const GridReader& reader, std::int64_t row, Use use) {
    ReadRowCells(reader, grid_.header, row, span_.firstColumn, span_.endColumn, buffer_, use);
  }

  const LoadedGrid& grid_;
  const Viewport& view_;
  const PixelRect area_;
  const SurfaceHandle map_;
  const ViewControl& control_;
  const CellSpan span_;
  ChunkBuffer buffer_;
};

bool ViewDrawing::DrawRecords(const GridReader& reader) {
  if (span_.IsEmpty()) {
    return true;
  }
  const MapPlacement from = view_.PlacementFrom(span_.firstColumn, span_.firstRow);
  const MapPlacement placement(from.Left(), from.Top() - area_.top, from.CellSize());
  for (std::int64_t row = span_.firstRow; row < span_.endRow; ++row) {
    if (control_.stop.stop_requested()) {
      return false;
    }
    const auto y = static_cast<std::int32_t>(row - span_.firstRow);
    ReadRow(reader, row, [&](std::int64_t first, const RecordBlock& block) {
      for (std::size_t index = 0; index < block.Size(); ++index) {
        const auto x =
            static_cast<std::int32_t>(first - span_.firstColumn) + static_cast<std::int32_t>(index);
        DrawCell(map_, grid_.range, placement, x, y, block[index]);
      }
    });
  }
  return true;
}

bool ViewDrawing::DrawOverview(int level) {
  const Overview& overview = grid_.overview;
  const std::int64_t side = overview.BinSide(level);
  const GridExtent grid = ExtentOf(grid_.header);
  PixelRows pixels(map_, area_.top, grid_.range);
  const std::int64_t endBinRow = (span_.endRow + side - 1) / side;
  const std::int64_t endBinColumn = (span_.endColumn + side - 1) / side;
  for (std::int64_t binRow = span_.firstRow / side; binRow < endBinRow; ++binRow) {
    if (control_.stop.stop_requested()) {
      return false;
    }
    // Each bin lands on the pixel under its centre.
    const std::int64_t top = binRow * side;
    const double middle =
        static_cast<double>(top) + static_cast<double>(std::min(side, grid.height - top)) / 2.0;
    const std::int64_t y = PixelOf(view_.top + middle * view_.scale);
    pixels.Reach(y);
    BinSums* row = pixels.Row(y);
    if (row == nullptr) {
      continue;
    }
    for (std::int64_t binColumn = span_.firstColumn / side; binColumn < endBinColumn; ++binColumn) {
      const std::int64_t left = binColumn * side;
      const double centre =
          static_cast<double>(left) + static_cast<double>(std::min(side, grid.width - left)) / 2.0;
      const std::int64_t x = PixelOf(view_.left + centre * view_.scale);
      if (pixels.Holds(x)) {
        row[x].Add(overview.Bin(level, binColumn, binRow));
      }
    }
  }
  pixels.Finish();
  return true;
}

bool ViewDrawing::DrawRegion(const GridReader& reader) {
  PixelRows pixels(map_, area_.top, grid_.range);
  const double rows = static_cast<double>(span_.endRow - span_.firstRow);
  const double scale = view_.scale;
  for (std::int64_t row = span_.firstRow; row < span_.endRow; ++row) {
    if (control_.stop.stop_requested()) {
      return false;
    }
    // Each corner lands on the pixel under its centre, a quarter of a cell in.
    const double cellTop = view_.top + static_cast<double>(row) * scale;
    const std::int64_t upperRow = PixelOf(cellTop + 0.25 * scale);
    pixels.Reach(upperRow);
    BinSums* upper = pixels.Row(upperRow);
    BinSums* lower = pixels.Row(PixelOf(cellTop + 0.75 * scale));
    ReadRow(reader, row, [&](std::int64_t first, const RecordBlock& block) {
      for (std::size_t index = 0; index < block.Size(); ++index) {
        const CellRecord cell = block[index];
        const double cellLeft =
            view_.left + static_cast<double>(first + static_cast<std::int64_t>(index)) * scale;
        const std::int64_t left = PixelOf(cellLeft + 0.25 * scale);
        const std::int64_t right = PixelOf(cellLeft + 0.75 * scale);
        const bool other = cell.CellType != 0;
        AddCorner(upper, pixels, left, other, cell.Height3);
        AddCorner(upper, pixels, right, other, cell.Height4);
        AddCorner(lower, pixels, left, other, cell.Height1);
        AddCorner(lower, pixels, right, other, cell.Height2);
      }
    });
    if (control_.progress) {
      control_.progress(static_cast<double>(row + 1 - span_.firstRow) / rows);
    }
  }
  pixels.Finish();
  return true;
}

ViewResult StaleBecause(const std::exception& error) {
  return ViewResult{ViewResult::Outcome::Stale, error.what()};
}

}  // namespace

ViewSource SourceOf(const LoadedGrid& grid, const Viewport& view) {
  if (view.IsCrisp()) {
    return ViewSource::Records;
  }
  return OverviewLevel(grid.overview, view.scale) >= 0 ? ViewSource::Overview : ViewSource::Region;
}

ViewResult DrawView(const LoadedGrid& grid, const Viewport& view, const SurfaceHandle& surface,
                    const ViewControl& control) {
  return DrawView(grid, view, surface, MapArea(surface.width, surface.height), control);
}

ViewResult DrawView(const LoadedGrid& grid, const Viewport& view, const SurfaceHandle& surface,
                    const PixelRect& area, const ViewControl& control) {
  try {
    ViewDrawing drawing(grid, view, surface, area, control);
    const ViewSource source = SourceOf(grid, view);
    if (source == ViewSource::Overview) {
      const bool drawn = drawing.DrawOverview(OverviewLevel(grid.overview, view.scale));
      return drawn ? ViewResult{} : ViewResult{ViewResult::Outcome::Abandoned, {}};
    }
    GridReader reader;
    OpenLoaded(reader, grid);
    const bool drawn =
        source == ViewSource::Records ? drawing.DrawRecords(reader) : drawing.DrawRegion(reader);
    if (!drawn) {
      return ViewResult{ViewResult::Outcome::Abandoned, {}};
    }
    reader.requireUnchanged();
    return ViewResult{};
  } catch (const std::exception& error) {
    return StaleBecause(error);
  }
}

CellReading ReadCell(const LoadedGrid& grid, const PictureCell& cell) {
  CellReading reading;
  reading.cell = cell;
  reading.storedRow = FlipRow(cell.row, grid.header.GridHeight);
  reading.record = RecordOfCell(grid.header, cell.column, cell.row);
  try {
    GridReader reader;
    OpenLoaded(reader, grid);
    reading.values = reader.readCell(reading.record);
    reader.requireUnchanged();
  } catch (const std::exception& error) {
    reading.result = StaleBecause(error);
  }
  return reading;
}

}  // namespace tolmer
