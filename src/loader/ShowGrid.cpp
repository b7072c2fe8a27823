// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/ShowGrid.h"

#include <exception>
#include <memory>
#include <optional>

#include "grid/GridError.h"
#include "grid/GridReader.h"
#include "loader/HeightScan.h"
#include "loader/LoadHost.h"
#include "loader/PaintPass.h"

namespace tolmer {
namespace {

LoadResult BothPasses(const std::string& fileName, LoadHost& host, GridReader& reader) {
  LoadTurns turns(host);
  if (host.StopRequested()) {
    return LoadResult::Abandoned();
  }
  auto grid = std::make_shared<LoadedGrid>();
  grid->fileName = fileName;
  grid->header = reader.readHeader();
  const GridHeader& header = grid->header;
  const std::uint64_t cells = CellCount(header);
  grid->overview = Overview(header.GridWidth, header.GridHeight);
  turns.BeginPass(0, cells);
  if (!ScanHeights(reader, header, turns, host.Range(), grid->overview, ScanThreads(cells))) {
    return LoadResult::Abandoned();
  }
  grid->overview.Finish();
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
  grid->stamp = reader.stamp();
  grid->range = host.Range();
  return LoadResult::Loaded(header.GridWidth, header.GridHeight, std::move(grid));
}

LoadResult TwoPassLoad(const std::string& fileName, LoadHost& host, GridReader& reader) {
  host.Range().Reset();
  reader.open(fileName);
  try {
    return BothPasses(fileName, host, reader);
  } catch (const GridError&) {
    // A file rewritten under the load failed because of that, whatever its
    // half-written bytes made the reading trip over.
    reader.requireUnchanged();
    throw;
  }
}

// The two passes of a load, without the status texts: pass 1 finds the height range,
// pass 2 clears the host's surface and paints every cell. A failure found before the
// clear leaves the old picture; one found later leaves what was painted up to it.
// A file whose content changes during the load fails, for that reason.
// The file is closed on every path, and nothing is thrown.
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

// Sets the status; what went wrong when the host could not take it.
std::optional<std::string> TrySetStatus(LoadHost& host, const std::string& text) noexcept {
  try {
    host.SetStatus(text);
    return std::nullopt;
  } catch (const std::exception& error) {
    return std::string("cannot show the status: ") + error.what();
  } catch (...) {
    return std::string("cannot show the status");
  }
}

}  // namespace

LoadResult ShowGrid(const std::string& fileName, LoadHost& host) noexcept {
  LoadResult result;
  if (const auto failure = TrySetStatus(host, kStatusLoading + fileName)) {
    result = LoadResult::Failed(*failure);
  } else {
    result = LoadGrid(fileName, host);
  }
  if (result.IsLoaded()) {
    const std::string status =
        kStatusLoaded + std::to_string(result.Width()) + "x" + std::to_string(result.Height());
    if (const auto failure = TrySetStatus(host, status)) {
      result = LoadResult::Failed(*failure);
    }
  }
  if (result.IsFailed()) {
    // Nothing is left to report a failure of this one with.
    TrySetStatus(host, kStatusError);
  }
  return result;
}

}  // namespace tolmer
