#include "loader/ShowGrid.h"

#include <cmath>

#include "grid/GridError.h"
#include "grid/GridReader.h"
#include "loader/CellStream.h"
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

std::uint64_t CellCount(const GridHeader& header) {
  // readHeader has refused negative sizes.
  return static_cast<std::uint64_t>(header.GridWidth) *
         static_cast<std::uint64_t>(header.GridHeight);
}

void ScanHeights(const GridHeader& header, CellStream& cells, HeightRange& range) {
  for (std::uint64_t remaining = CellCount(header); remaining > 0;) {
    const RecordBlock block = cells.next(remaining);
    remaining -= block.size();
    for (std::size_t index = 0; index < block.size(); ++index) {
      const CellRecord cell = block[index];
      RequireFinite(cell);
      range.Widen(cell.Height1);
      range.Widen(cell.Height2);
      range.Widen(cell.Height3);
      range.Widen(cell.Height4);
    }
  }
}

void PaintCells(const GridHeader& header, CellStream& cells, const HeightRange& range,
                DrawingSurface& surface) {
  std::int32_t x = 0;
  std::int32_t y = header.GridHeight - 1;
  for (std::uint64_t remaining = CellCount(header); remaining > 0;) {
    const RecordBlock block = cells.next(remaining);
    remaining -= block.size();
    for (std::size_t index = 0; index < block.size(); ++index) {
      const CellRecord cell = block[index];
      // The file may have changed since pass 1.
      RequireFinite(cell);
      DrawCell(surface.hDC(), range, x, y, cell);
      if (++x == header.GridWidth) {
        x = 0;
        --y;
      }
    }
  }
}

std::string LoadedStatus(const GridHeader& header) {
  return kStatusLoaded + std::to_string(header.GridWidth) + "x" + std::to_string(header.GridHeight);
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
    CellStream cells(reader, host);
    ScanHeights(reader.readHeader(), cells, range);
    const GridHeader header = reader.readHeader();
    DrawingSurface& surface = host.Surface();
    surface.ClearSurface();
    PaintCells(header, cells, range, surface);
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
