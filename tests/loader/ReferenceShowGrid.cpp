// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "ReferenceShowGrid.h"

#include <cmath>
#include <cstdint>

#include "grid/GridError.h"
#include "grid/GridReader.h"
#include "render/DrawCell.h"

namespace tolmer::testing {
namespace {

class StepByStepLoad {
 public:
  StepByStepLoad(LoadHost& host, GridReader& reader) : host_(host), reader_(reader) {}

  // Both return false when the host stopped the load.
  bool ScanHeights(HeightRange& range) {
    const GridHeader header = reader_.readHeader();
    std::uint64_t record = 0;
    for (std::int32_t y = header.GridHeight - 1; y >= 0; --y) {
      for (std::int32_t x = 0; x < header.GridWidth; ++x) {
        if (!TakeTurn()) {
          return false;
        }
        const CellRecord cell = reader_.readCell(record++);
        RequireFinite(cell);
        range.Widen(cell.Height1);
        range.Widen(cell.Height2);
        range.Widen(cell.Height3);
        range.Widen(cell.Height4);
      }
    }
    return true;
  }

  bool PaintCells(const HeightRange& range, GridHeader& header) {
    reader_.requireUnchanged();
    header = reader_.readHeader();
    if (host_.StopRequested()) {
      return false;
    }
    host_.Surface().ClearSurface();
    const SurfaceHandle surface = host_.Surface().hDC();
    const MapPlacement placement = host_.Placement();
    std::uint64_t record = 0;
    for (std::int32_t y = header.GridHeight - 1; y >= 0; --y) {
      for (std::int32_t x = 0; x < header.GridWidth; ++x) {
        if (!TakeTurn()) {
          return false;
        }
        // Only cells that start on the surface are looked at; the others are read,
        // so that a file cut short anywhere fails.
        const CellRecord cell = reader_.readCell(record++);
        if (placement.CellLeft(x) < surface.width && placement.CellTop(y) < surface.height) {
          RequireFinite(cell);
          DrawCell(surface, range, placement, x, y, cell);
        }
      }
    }
    return true;
  }

 private:
  // The host gets its turn before every 65536th cell, counted over both passes;
  // false when it then asks the load to stop.
  bool TakeTurn() {
    if (++cellsRead_ % 65536 == 0) {
      host_.TakeTurn(LoadProgress{});
      return !host_.StopRequested();
    }
    return true;
  }

  static void RequireFinite(const CellRecord& cell) {
    if (!std::isfinite(cell.Height1) || !std::isfinite(cell.Height2) ||
        !std::isfinite(cell.Height3) || !std::isfinite(cell.Height4)) {
      throw GridError("height is not a finite number");
    }
  }

  LoadHost& host_;
  GridReader& reader_;
  std::uint64_t cellsRead_ = 0;
};

}  // namespace

LoadResult ReferenceShowGrid(const std::string& fileName, LoadHost& host) noexcept {
  GridReader reader;
  try {
    host.SetStatus("Loading " + fileName);
    HeightRange& range = host.Range();
    range.Reset();
    reader.open(fileName);
    StepByStepLoad load(host, reader);
    GridHeader header;
    if (host.StopRequested() || !load.ScanHeights(range) || !load.PaintCells(range, header)) {
      return LoadResult::Abandoned();
    }
    reader.requireUnchanged();
    host.SetStatus("Loaded, " + std::to_string(header.GridWidth) + "x" +
                   std::to_string(header.GridHeight));
    return LoadResult::Loaded(header.GridWidth, header.GridHeight);
  } catch (const std::exception& error) {
    reader.close();
    host.SetStatus("Error");
    return LoadResult::Failed(error.what());
  }
}

}  // namespace tolmer::testing
