// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/LoadGrid.h"

#include <exception>

#include "grid/GridReader.h"
#include "loader/HeightScan.h"
#include "loader/LoadTurns.h"
#include "loader/RequireRegularFile.h"
#include "loader/VisiblePaint.h"

namespace tolmer {
namespace {

LoadResult TwoPassLoad(const std::string& fileName, LoadHost& host, GridReader& reader) {
  host.Range().Reset();
  RequireRegularFile(fileName);
  reader.open(fileName);
  LoadTurns turns(host);
  if (host.StopRequested()) {
    return LoadResult::Abandoned();
  }
  const GridHeader scanned = reader.readHeader();
  const std::uint64_t cells = CellCount(scanned);
  turns.BeginPass(0, cells);
  if (!ScanHeights(reader, scanned, turns, host.Range(), ScanThreads(cells))) {
    return LoadResult::Abandoned();
  }
  // Read again, and checked against the file's size again: it may have changed.
  const GridHeader header = reader.readHeader();
  if (host.StopRequested()) {
    return LoadResult::Abandoned();
  }
  host.Surface().ClearSurface();
  turns.BeginPass(1, CellCount(header));
  if (!PaintVisibleCells(reader, header, turns, host)) {
    return LoadResult::Abandoned();
  }
  // Records passed over unread must still be there, as in a file read whole.
  reader.requireRecords(header);
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
