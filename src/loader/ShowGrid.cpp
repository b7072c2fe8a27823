#include "loader/ShowGrid.h"

#include "grid/GridError.h"
#include "grid/GridReader.h"
#include "grid/HeightBounds.h"
#include "loader/CellPainter.h"
#include "loader/CellStream.h"
#include "loader/RegularFileExists.h"
#include "loader/RequireFinite.h"

namespace tolmer {
namespace {

std::uint64_t CellCount(const GridHeader& header) {
  // readHeader has refused negative sizes.
  return static_cast<std::uint64_t>(header.GridWidth) *
         static_cast<std::uint64_t>(header.GridHeight);
}

void ScanHeights(const GridHeader& header, CellStream& cells, HeightRange& range) {
  for (std::uint64_t remaining = CellCount(header); remaining > 0;) {
    const RecordBlock block = cells.next(remaining);
    remaining -= block.size();
    const HeightBounds bounds = ScanHeightBounds(block);
    if (bounds.allFinite) {
      // Minimum and maximum do not depend on the order in which heights are seen.
      range.Widen(bounds.lowest);
      range.Widen(bounds.highest);
    } else {
      // Cell by cell, so the range stops growing exactly at the faulty cell.
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
}

// True when no height of the block can fail to shade: pass 1 saw every one of
// them, unless the file has changed since.
bool InsideRange(const HeightBounds& bounds, const HeightRange& range) {
  return bounds.allFinite && bounds.lowest >= range.MinHeight && bounds.highest <= range.MaxHeight;
}

void PaintCells(const GridHeader& header, CellStream& cells, const HeightRange& range,
                DrawingSurface& surface) {
  CellPainter painter(header, range, surface);
  for (std::uint64_t remaining = CellCount(header); remaining > 0;) {
    const RecordBlock block = cells.next(remaining);
    remaining -= block.size();
    if (InsideRange(ScanHeightBounds(block), range)) {
      painter.paintVisible(block);
    } else {
      painter.paintEach(block);
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
