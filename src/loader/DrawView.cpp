// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/DrawView.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <exception>
#include <thread>
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

// Beyond this many records in view, bins of up to two pixels are drawn instead:
// reading them would take longer than a view may.
constexpr std::int64_t kMostRecordCells = std::int64_t{5} << 19U;

// From this many bins in view, two threads filter them, each into half the map.
constexpr std::int64_t kBinsForTwoThreads = std::int64_t{1} << 16U;

// Bins up to this part of a pixel keep the box filter close to the area average.
constexpr double kAboutHalf = 0.55;

// The coarsest kept level whose bins are at most about half a pixel, so that the
// box filter stays close to the area average; failing that, where records would
// take too long, the finest kept level with bins of at most two pixels; else -1.
int OverviewLevel(const Overview& overview, double scale, std::int64_t cellsInView) {
  int finest = -1;
  for (int level = overview.Levels() - 1; level >= 0; --level) {
    if (!overview.HasLevel(level)) {
      continue;
    }
    const double pixels = static_cast<double>(overview.BinSide(level)) * scale;
    if (pixels <= kAboutHalf) {
      return level;
    }
    finest = pixels <= 2.0 ? level : finest;
  }
  return cellsInView > kMostRecordCells ? finest : -1;
}

// Pixels gathered from many corners or bins, one row of the map area at a time:
// rows arrive in order from the top, and each is drawn once nothing more can reach it.
class PixelRows {
 public:
  // With `heights`, each pixel drawn leaves there the mean height it shows, at its
  // place in rows of map.width from client row `heightsTop`.
  PixelRows(const SurfaceHandle& map, std::int64_t mapTop, const HeightRange& range,
            std::vector<double>* heights = nullptr, std::int64_t heightsTop = 0)
      : map_(map), mapTop_(mapTop), shading_(range), heights_(heights), heightsTop_(heightsTop) {}
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
        const BinSums& sums = row.sums[x];
        SetPixel(map_, static_cast<std::int64_t>(x), row.y - mapTop_, shading_(sums));
        if (heights_ != nullptr) {
          (*heights_)[static_cast<std::size_t>((row.y - heightsTop_) * map_.width) + x] =
              (sums.sum[0] + sums.sum[1]) / (sums.count[0] + sums.count[1]);
        }
      }
    }
  }

  SurfaceHandle map_;
  std::int64_t mapTop_;
  BinShading shading_;
  std::vector<double>* heights_;
  std::int64_t heightsTop_;
  std::deque<PendingRow> rows_;
};

// How a run of bins along one axis falls on pixels: for bin i, the pixels from
// start[i] to start[i + 1], each with the part of the bin that lies in it. Only
// pixels that hold the centre of a cell take part, as in a picture drawn from the
// records themselves.
struct AxisPieces {
  std::vector<std::size_t> start;
  std::vector<std::int64_t> pixel;
  std::vector<double> weight;
};

AxisPieces SplitAxis(double origin, double scale, std::int64_t side, std::int64_t firstBin,
                     std::int64_t endBin, std::int64_t cells) {
  AxisPieces pieces;
  const std::int64_t firstPixel = PixelOf(origin + 0.5 * scale);
  const std::int64_t lastPixel = PixelOf(origin + (static_cast<double>(cells) - 0.5) * scale);
  for (std::int64_t bin = firstBin; bin < endBin; ++bin) {
    pieces.start.push_back(pieces.pixel.size());
    const double from = origin + static_cast<double>(bin * side) * scale;
    const double to = origin + static_cast<double>(std::min((bin + 1) * side, cells)) * scale;
    for (std::int64_t pixel = std::max(PixelOf(from), firstPixel);
         pixel <= std::min(PixelOf(to), lastPixel); ++pixel) {
      const double inside =
          std::min(to, static_cast<double>(pixel + 1)) - std::max(from, static_cast<double>(pixel));
      if (inside > 0.0) {
        pieces.pixel.push_back(pixel);
        pieces.weight.push_back(inside / (to - from));
      }
    }
  }
  pieces.start.push_back(pieces.pixel.size());
  return pieces;
}

// One row of bins into pixel columns, each bin's parts in the pixels they lie in.
void FilterAcross(const std::vector<BinSums>& bins, const AxisPieces& columns,
                  std::vector<BinSums>& pixels) {
  const auto width = static_cast<std::int64_t>(pixels.size());
  BinSums pixel;
  std::int64_t at = -1;
  for (std::size_t bin = 0; bin < bins.size(); ++bin) {
    for (std::size_t piece = columns.start[bin]; piece < columns.start[bin + 1]; ++piece) {
      if (columns.pixel[piece] != at) {
        if (at >= 0 && at < width) {
          pixels[static_cast<std::size_t>(at)] = pixel;
        }
        pixel = BinSums{};
        at = columns.pixel[piece];
      }
      pixel.Add(bins[bin], columns.weight[piece]);
    }
  }
  if (at >= 0 && at < width) {
    pixels[static_cast<std::size_t>(at)] = pixel;
  }
}

void AddCorner(BinSums* row, const PixelRows& pixels, std::int64_t x, bool other, float height) {
  if (row != nullptr && pixels.Holds(x)) {
    row[x].AddCorner(other, height);
  }
}

// The cells of one view and how to reach their records.
class ViewDrawing {
 public:
  ViewDrawing(const LoadedGrid& grid, const Viewport& view, const SurfaceHandle& surface,
              const PixelRect& area, const ViewControl& control, const Relief& relief)
      : grid_(grid),
        view_(view),
        area_(area),
        map_(MapPart(surface, area_)),
        control_(control),
        relief_(relief),
        span_(VisibleCells(view, ExtentOf(grid.header), area_)) {
    if (relief_.on && !view.IsCrisp()) {
      heights_.assign(static_cast<std::size_t>(map_.width) * static_cast<std::size_t>(map_.height),
                      NAN);
    }
  }

  // Lights a zoomed-out picture by the mean heights its pixels show.
  void LightZoomedOut() {
    if (!heights_.empty()) {
      LightByHeights(map_, heights_, 1.0 / view_.scale, relief_.exaggeration);
    }
  }

  // Each returns false when the view was abandoned.
  bool DrawRecords(const GridReader& reader);
  bool DrawOverview(int level);
  bool DrawRegion(const GridReader& reader);

 private:
  // The bins of a level in view, and how they fall on pixels.
  struct BinPieces {
    int level = 0;
    std::int64_t firstRow = 0;
    std::int64_t firstColumn = 0;
    AxisPieces rows;
    AxisPieces columns;
  };
  // Lights the block of cell (x, y) by the cell's own slope.
  void LightCell(const MapPlacement& placement, std::int32_t x, std::int32_t y,
                 const CellRecord& cell) const;
  // Box-filters the bins into the map's client rows [top, bottom).
  bool FilterBins(const BinPieces& pieces, std::int32_t top, std::int32_t bottom);

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
  const Relief relief_;
  const CellSpan span_;
  ChunkBuffer buffer_;
  std::vector<double> heights_;  // with relief, zoomed out: each pixel's mean height
};

void ViewDrawing::LightCell(const MapPlacement& placement, std::int32_t x, std::int32_t y,
                            const CellRecord& cell) const {
  double across = 0.0;
  double up = 0.0;
  SlopeOfCell(cell, across, up);
  const double light = LightOf(across, up, relief_.exaggeration);
  const std::int64_t left = std::max<std::int64_t>(placement.CellLeft(x), 0);
  const std::int64_t top = std::max<std::int64_t>(placement.CellTop(y), 0);
  const std::int64_t right =
      std::min<std::int64_t>(placement.CellLeft(x) + placement.CellSize(), map_.width);
  const std::int64_t bottom =
      std::min<std::int64_t>(placement.CellTop(y) + placement.CellSize(), map_.height);
  for (std::int64_t row = top; row < bottom; ++row) {
    for (std::int64_t column = left; column < right; ++column) {
      unsigned char* pixel = map_.bits + row * map_.bytesPerLine + column * 4;
      SetPixel(map_, column, row, Lit(MakeColour(pixel[0], pixel[1], pixel[2]), light));
    }
  }
}

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
        if (relief_.on) {
          LightCell(placement, x, y, block[index]);
        }
      }
    });
  }
  return true;
}

bool ViewDrawing::DrawOverview(int level) {
  const std::int64_t side = grid_.overview.BinSide(level);
  const GridExtent grid = ExtentOf(grid_.header);
  BinPieces pieces;
  pieces.level = level;
  pieces.firstRow = span_.firstRow / side;
  pieces.firstColumn = span_.firstColumn / side;
  pieces.rows = SplitAxis(view_.top, view_.scale, side, pieces.firstRow,
                          (span_.endRow + side - 1) / side, grid.height);
  pieces.columns = SplitAxis(view_.left, view_.scale, side, pieces.firstColumn,
                             (span_.endColumn + side - 1) / side, grid.width);
  const std::int32_t top = area_.top;
  const std::int32_t bottom = area_.top + map_.height;
  const auto bins =
      static_cast<std::int64_t>((pieces.rows.start.size() - 1) * (pieces.columns.start.size() - 1));
  if (bins < kBinsForTwoThreads) {
    return FilterBins(pieces, top, bottom);
  }
  // The upper half of the map on a thread of its own, the lower on this one.
  const std::int32_t middle = top + (bottom - top) / 2;
  bool upperDrawn = false;
  std::exception_ptr upperFailure;
  std::jthread upper([&] {
    try {
      upperDrawn = FilterBins(pieces, top, middle);
    } catch (...) {
      upperFailure = std::current_exception();
    }
  });
  const bool lowerDrawn = FilterBins(pieces, middle, bottom);
  upper.join();
  if (upperFailure) {
    std::rethrow_exception(upperFailure);
  }
  return upperDrawn && lowerDrawn;
}

bool ViewDrawing::FilterBins(const BinPieces& pieces, std::int32_t top, std::int32_t bottom) {
  const AxisPieces& rows = pieces.rows;
  const AxisPieces& columns = pieces.columns;
  SurfaceHandle slice = map_;
  slice.bits += (top - area_.top) * map_.bytesPerLine;
  slice.height = bottom - top;
  PixelRows pixels(slice, top, grid_.range, heights_.empty() ? nullptr : &heights_, area_.top);
  std::vector<BinSums> bins(columns.start.size() - 1);
  // Every pixel column the bins reach is written by each row of them.
  std::vector<BinSums> across(static_cast<std::size_t>(map_.width));
  const std::int64_t left =
      columns.pixel.empty() ? 0 : std::max<std::int64_t>(columns.pixel.front(), 0);
  const std::int64_t right =
      columns.pixel.empty() ? 0 : std::min<std::int64_t>(columns.pixel.back() + 1, map_.width);
  for (std::size_t row = 0; row + 1 < rows.start.size(); ++row) {
    if (control_.stop.stop_requested()) {
      return false;
    }
    const std::size_t rowStart = rows.start[row];
    const std::size_t rowEnd = rows.start[row + 1];
    if (rowStart == rowEnd || rows.pixel[rowEnd - 1] < top) {
      continue;
    }
    if (rows.pixel[rowStart] >= bottom) {
      break;
    }
    pixels.Reach(rows.pixel[rowStart]);
    grid_.overview.ReadRow(pieces.level, pieces.firstRow + static_cast<std::int64_t>(row),
                           pieces.firstColumn, static_cast<std::int64_t>(bins.size()), bins.data());
    // Across first, then down: the pixel being summed stays in registers.
    FilterAcross(bins, columns, across);
    for (std::size_t y = rowStart; y < rowEnd; ++y) {
      if (BinSums* sums = pixels.Row(rows.pixel[y])) {
        const double weight = rows.weight[y];
        for (std::int64_t x = left; x < right; ++x) {
          sums[x].Add(across[static_cast<std::size_t>(x)], weight);
        }
      }
    }
  }
  pixels.Finish();
  return true;
}

bool ViewDrawing::DrawRegion(const GridReader& reader) {
  PixelRows pixels(map_, area_.top, grid_.range, heights_.empty() ? nullptr : &heights_, area_.top);
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

struct ViewPlan {
  ViewSource source = ViewSource::Records;
  int level = -1;  // of the overview
};

ViewPlan PlanOf(const LoadedGrid& grid, const Viewport& view, const PixelRect& area) {
  if (view.IsCrisp()) {
    return ViewPlan{};
  }
  const std::int64_t cells = VisibleCells(view, ExtentOf(grid.header), area).Cells();
  const int level = OverviewLevel(grid.overview, view.scale, cells);
  return ViewPlan{level >= 0 ? ViewSource::Overview : ViewSource::Region, level};
}

ViewResult StaleBecause(const std::exception& error) {
  return ViewResult{ViewResult::Outcome::Stale, error.what()};
}

}  // namespace

void OpenLoaded(GridReader& reader, const LoadedGrid& grid) {
  reader.open(grid.fileName);
  if (!(reader.stamp() == grid.stamp)) {
    throw GridError("the file changed since it was loaded");
  }
}

ViewSource SourceOf(const LoadedGrid& grid, const Viewport& view, const PixelRect& area) {
  return PlanOf(grid, view, area).source;
}

ViewResult DrawView(const LoadedGrid& grid, const Viewport& view, const SurfaceHandle& surface,
                    const ViewControl& control, const Relief& relief) {
  return DrawView(grid, view, surface, MapArea(surface.width, surface.height), control, relief);
}

ViewResult DrawView(const LoadedGrid& grid, const Viewport& view, const SurfaceHandle& surface,
                    const PixelRect& area, const ViewControl& control, const Relief& relief) {
  try {
    ViewDrawing drawing(grid, view, surface, area, control, relief);
    const ViewPlan plan = PlanOf(grid, view, area);
    const ViewSource source = plan.source;
    if (source == ViewSource::Overview) {
      if (!drawing.DrawOverview(plan.level)) {
        return ViewResult{ViewResult::Outcome::Abandoned, {}};
      }
      drawing.LightZoomedOut();
      return ViewResult{};
    }
    GridReader reader;
    OpenLoaded(reader, grid);
    const bool drawn =
        source == ViewSource::Records ? drawing.DrawRecords(reader) : drawing.DrawRegion(reader);
    if (!drawn) {
      return ViewResult{ViewResult::Outcome::Abandoned, {}};
    }
    reader.requireUnchanged();
    drawing.LightZoomedOut();
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
