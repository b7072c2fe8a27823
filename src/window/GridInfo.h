// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <stop_token>
#include <string>

#include "grid/GridFormat.h"
#include "loader/GridStatistics.h"
#include "loader/LoadResult.h"
#include "window/CommandLine.h"

namespace tolmer {

// What --info tells of a grid file, and the statistics window of a grid shown.
struct GridInfo {
  GridHeader header;
  std::uint64_t fileSize = 0;
  GridStatistics statistics;

  std::uint64_t TrailingBytes() const {
    return fileSize - kHeaderSize - CellCount(header) * kCellRecordSize;
  }
  double Share(std::uint64_t cells) const {
    return static_cast<double>(cells) / static_cast<double>(statistics.Cells());
  }
};

// The figures of a loaded grid, read from its file as --info reads them: nullopt when
// stopped first. `progress` hears how far the read has got, from 0 to 1. Throws
// GridError when the file is no longer the one loaded or cannot be read.
std::optional<GridInfo> GatherGridInfo(const LoadedGrid& grid, const std::stop_token& stop,
                                       const std::function<void(double)>& progress);

// The text --info prints: a line for each figure.
std::string GridInfoText(const GridInfo& info);

// Prints what request.file holds to `out`, as text or as one JSON object (the keys
// are in the manual page), after reading it once as a load would. Needs no display
// and no application object. Returns the exit status: 0 printed, 1 when the grid
// cannot be read, with the reason a load gives on `errors`, one line after
// "tolmer: ".
int PrintGridInfo(const InfoRequest& request, std::ostream& out, std::ostream& errors);

}  // namespace tolmer
