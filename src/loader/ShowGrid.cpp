// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/ShowGrid.h"

#include <exception>
#include <memory>
#include <optional>

#include "grid/GridError.h"
#include "grid/GridReader.h"
#include "loader/LoadHost.h"
#include "loader/PaintPass.h"
#include "loader/ScanGrid.h"

namespace tolmer {
namespace {

LoadResult BothPasses(const std::string& fileName, LoadHost& host, GridReader& reader) {
  LoadTurns turns(host);
  if (host.StopRequested()) {
    return LoadResult::Abandoned();
  }
  std::shared_ptr<LoadedGrid> grid =
      ScanGrid(reader, fileName, turns, OverviewStorage{.spillFolders = DefaultSpillFolders()});
  if (!grid || host.StopRequested()) {
    return LoadResult::Abandoned();
  }
  const GridHeader& header = grid->header;
  host.Range() = grid->range;
  host.Surface().ClearSurface();
  turns.BeginPass(1, CellCount(header));
  if (!PaintVisibleCells(reader, header, turns, host)) {
    return LoadResult::Abandoned();
  }
  // Otherwise the picture may mix records painted before and after a rewrite, or
  // the file no longer holds the records pass 2 passed over.
  reader.requireUnchanged();
  return LoadResult::Loaded(header.GridWidth, header.GridHeight, std::move(grid));
}

LoadResult TwoPassLoad(const std::string& fileName, LoadHost& host, GridReader& reader) {
  host.Range().Reset();
  reader.open(fileName);
  try {
    return BothPasses(fileName, host, reader);
  } catch (const GridError&) {
    // As the scan does for pass 1: a rewrite is why pass 2 failed.
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
