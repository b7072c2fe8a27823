// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/LoadGrid.h"

#include <exception>

#include "grid/GridError.h"
#include "grid/GridReader.h"
#include "loader/HeightScan.h"
#include "loader/LoadTurns.h"
#include "loader/VisiblePaint.h"

namespace tolmer {
namespace {

LoadResult BothPasses(LoadHost& host, GridReader& reader) {
  LoadTurns turns(host);
  if (host.StopRequested()) {
    return LoadResult::Abandoned();
  }
  const GridHeader header = reader.readHeader();
  const std::uint64_t cells = CellCount(header);
  turns.BeginPass(0, cells);
  if (!ScanHeights(reader, header, turns, host.Range(), ScanThreads(cells))) {
    return LoadResult::Abandoned();
  }
  // An unchanged file still holds this header and every record it announces, and
  // the heights the range was taken from.
  reader.requireUnchanged();
  if (host.StopRequested()) {
    return LoadResult::Abandoned();
  }
  host.Surface().ClearSurface();
  turns.BeginPass(1, cells);
  if (!PaintVisibleCells(reader, header, turns, host)) {
    return LoadResult::Abandoned();
  }
  // Otherwise the picture may mix records painted before and after a rewrite, or
  // the file no longer holds the records pass 2 passed over.
  reader.requireUnchanged();
  return LoadResult::Loaded(header.GridWidth, header.GridHeight);
}

LoadResult TwoPassLoad(const std::string& fileName, LoadHost& host, GridReader& reader) {
  host.Range().Reset();
  reader.open(fileName);
  try {
    return BothPasses(host, reader);
  } catch (const GridError&) {
    // A file rewritten under the load failed because of that, whatever its
    // half-written bytes made the reading trip over.
    reader.requireUnchanged();
    throw;
  }
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
