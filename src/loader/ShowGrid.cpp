#include "loader/ShowGrid.h"

#include <cmath>

#include "grid/GridError.h"
#include "grid/GridReader.h"
#include "loader/RegularFileExists.h"
#include "render/DrawCell.h"

namespace tolmer {
namespace {

// Non-finite heights cannot be shaded; finding them before the surface is cleared
// keeps the earlier picture.
void RequireFinite(const CellRecord& cell) {
  if (!std::isfinite(cell.Height1) || !std::isfinite(cell.Height2) ||
      !std::isfinite(cell.Height3) || !std::isfinite(cell.Height4)) {
    throw GridError("height is not a finite number");
  }
}

// Gives the host a regular chance to run while a long load reads cells.
class Heartbeat {
 public:
  explicit Heartbeat(LoadHost& host) : host_(host) {}

  void beat() {
    if (--countdown_ == 0) {
      countdown_ = kCellsPerBeat;
      host_.WhileLoading();
    }
  }

 private:
  static constexpr std::uint32_t kCellsPerBeat = 1U << 16U;
  LoadHost& host_;
  std::uint32_t countdown_ = kCellsPerBeat;
};

// A header of 0 x 2147483647 announces no cell, but counting down its rows one by
// one would still freeze the window for seconds.
bool HasCells(const GridHeader& header) {
  return header.GridWidth > 0 && header.GridHeight > 0;
}

void ScanHeights(GridReader& reader, const GridHeader& header, HeightRange& range,
                 Heartbeat& heartbeat) {
  if (!HasCells(header)) {
    return;
  }
  for (std::int32_t y = header.GridHeight - 1; y >= 0; --y) {
    for (std::int32_t x = 0; x < header.GridWidth; ++x) {
      heartbeat.beat();
      const CellRecord cell = reader.readCell();
      RequireFinite(cell);
      range.Widen(cell.Height1);
      range.Widen(cell.Height2);
      range.Widen(cell.Height3);
      range.Widen(cell.Height4);
    }
  }
}

void PaintCells(GridReader& reader, const GridHeader& header, const HeightRange& range,
                DrawingSurface& surface, Heartbeat& heartbeat) {
  if (!HasCells(header)) {
    return;
  }
  for (std::int32_t y = header.GridHeight - 1; y >= 0; --y) {
    for (std::int32_t x = 0; x < header.GridWidth; ++x) {
      heartbeat.beat();
      const CellRecord cell = reader.readCell();
      // The file may have changed since pass 1.
      RequireFinite(cell);
      DrawCell(surface.hDC(), range, x, y, cell);
    }
  }
}

std::string LoadedStatus(const GridHeader& header) {
  return kStatusLoaded + std::to_string(header.GridWidth) + "x" +
         std::to_string(header.GridHeight);
}

}  // namespace

void ShowGrid(const std::string& fileName, LoadHost& host) noexcept {
  GridReader reader;
  try {
    host.SetStatus(kStatusLoading + fileName);
    HeightRange& range = host.Range();
    range.Reset();
    if (!RegularFileExists(fileName)) {
      throw GridError("no regular file named " + fileName);
    }
    reader.open(fileName);
    Heartbeat heartbeat(host);
    ScanHeights(reader, reader.readHeader(), range, heartbeat);
    const GridHeader header = reader.readHeader();
    DrawingSurface& surface = host.Surface();
    surface.ClearSurface();
    PaintCells(reader, header, range, surface, heartbeat);
    host.SetStatus(LoadedStatus(header));
    reader.close();
  } catch (...) {
    // The one place where failures end: whatever went wrong, the user sees "Error".
    reader.close();
    try {
      host.SetStatus(kStatusError);
    } catch (...) {
      // Nothing is left to report it with.
    }
  }
}

}  // namespace tolmer
