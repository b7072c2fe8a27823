#include "loader/LoadGrid.h"

#include <exception>

#include "grid/GridError.h"
#include "grid/GridReader.h"
#include "grid/HeightBounds.h"
#include "loader/CellPainter.h"
#include "loader/CellStream.h"
#include "loader/RequireFinite.h"
#include "loader/RequireRegularFile.h"

namespace tolmer {
namespace {

std::uint64_t CellCount(const GridHeader& header) {
  // readHeader has refused negative sizes.
  return static_cast<std::uint64_t>(header.GridWidth) *
         static_cast<std::uint64_t>(header.GridHeight);
}

// Widens the range by every height of the file; false when the host stopped the load.
bool ScanHeights(const GridHeader& header, CellStream& cells, HeightRange& range) {
  const std::uint64_t total = CellCount(header);
  cells.beginPass(0, total);
  for (std::uint64_t done = 0; done < total;) {
    const std::optional<RecordBlock> block = cells.next(total - done);
    if (!block) {
      return false;
    }
    const HeightBounds bounds = ScanHeightBounds(*block);
    if (bounds.allFinite) {
      // Minimum and maximum do not depend on the order in which heights are seen.
      range.Widen(bounds.lowest);
      range.Widen(bounds.highest);
    } else {
      // Cell by cell, so the range stops growing exactly at the faulty cell.
      for (std::size_t index = 0; index < block->size(); ++index) {
        const CellRecord cell = (*block)[index];
        RequireFinite(cell, done + index, header.GridWidth);
        range.Widen(cell.Height1);
        range.Widen(cell.Height2);
        range.Widen(cell.Height3);
        range.Widen(cell.Height4);
      }
    }
    done += block->size();
  }
  return true;
}

// True when no height of the block can fail to shade: pass 1 saw every one of
// them, unless the file has changed since.
bool InsideRange(const HeightBounds& bounds, const HeightRange& range) {
  return bounds.allFinite && bounds.lowest >= range.MinHeight && bounds.highest <= range.MaxHeight;
}

// Paints every cell; false when the host stopped the load.
bool PaintCells(const GridHeader& header, CellStream& cells, LoadHost& host) {
  const HeightRange& range = host.Range();
  CellPainter painter(header, range, host.Placement(), host.Surface());
  const std::uint64_t total = CellCount(header);
  cells.beginPass(1, total);
  for (std::uint64_t done = 0; done < total;) {
    const std::optional<RecordBlock> block = cells.next(total - done);
    if (!block) {
      return false;
    }
    if (InsideRange(ScanHeightBounds(*block), range)) {
      painter.paintVisible(*block);
    } else {
      painter.paintEach(*block);
    }
    done += block->size();
  }
  return true;
}

LoadResult TwoPassLoad(const std::string& fileName, LoadHost& host, GridReader& reader) {
  host.Range().Reset();
  RequireRegularFile(fileName);
  reader.open(fileName);
  CellStream cells(reader, host);
  if (host.StopRequested() || !ScanHeights(reader.readHeader(), cells, host.Range())) {
    return LoadResult::Abandoned();
  }
  const GridHeader header = reader.readHeader();
  if (host.StopRequested()) {
    return LoadResult::Abandoned();
  }
  host.Surface().ClearSurface();
  if (!PaintCells(header, cells, host)) {
    return LoadResult::Abandoned();
  }
  return LoadResult::Loaded(header.GridWidth, header.GridHeight);
}

}  // namespace

LoadResult LoadGrid(const std::string& fileName, LoadHost& host) noexcept {
  GridReader reader;
  try {
    LoadResult result = TwoPassLoad(fileName, host, reader);
    reader.close();
    return result;
  } catch (const std::exception& error) {
    // The one place where failures end, as a value the owner can show.
    reader.close();
    return LoadResult::Failed(error.what());
  } catch (...) {
    reader.close();
    return LoadResult::Failed("unknown failure");
  }
}

}  // namespace tolmer
