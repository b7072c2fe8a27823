// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <optional>
#include <stop_token>

#include "grid/GridFormat.h"
#include "grid/GridReader.h"
#include "loader/GridStatistics.h"

namespace tolmer {

// The statistics of every record of the header's grid in `reader`'s file, read once
// by position in chunks, by `threads` (1 or 2) threads taking chunks in file order.
// Fails as a load would: GridError for the first faulty record of the file,
// whichever thread meets it, and for a file that changed while it was read.
GridStatistics ScanStatistics(const GridReader& reader, const GridHeader& header, unsigned threads);
// The same, stopped between chunks once `stop` is requested (nullopt), telling
// `progress` on the calling thread how far it has got, from 0 to 1.
std::optional<GridStatistics> ScanStatistics(const GridReader& reader, const GridHeader& header,
                                             unsigned threads, const std::stop_token& stop,
                                             const std::function<void(double)>& progress);

}  // namespace tolmer
