// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "grid/GridFormat.h"
#include "grid/GridReader.h"
#include "loader/LoadHost.h"
#include "loader/LoadResult.h"
#include "loader/RecordChunks.h"
#include "render/HeightRange.h"
#include "render/Overview.h"

namespace tolmer {

// How many threads the range scan of `cells` cells uses: two when the grid is large
// enough to gain from it and the process may run on two processors, else one.
unsigned ScanThreads(std::uint64_t cells);

// Pass 1: widens `range` by every height of the header's records, read by position
// a band of the overview or a chunk at a time, with `threads` (1 or 2) threads
// taking them in file order, and adds every record to `overview`, an overview of
// the header's grid or none. Throws GridError for the first faulty record of the
// file, whichever thread finds it, so that the outcome is the one a reading from
// the start would have. Returns false when the host has asked the load to stop.
bool ScanHeights(const GridReader& reader, const GridHeader& header, LoadTurns& turns,
                 HeightRange& range, Overview& overview, unsigned threads);

// Pass 1 of a load, from `reader`'s file, opened as `fileName`: its header, the
// height range from the seeds on, the overview kept as `storage` says (none without
// it), and the stamp, which the file must still match once every record is read.
// Null when the turns' taker has asked the read to stop; throws GridError for a
// faulty file, or one that changed meanwhile.
std::shared_ptr<LoadedGrid> ScanGrid(const GridReader& reader, const std::string& fileName,
                                     LoadTurns& turns,
                                     const std::optional<OverviewStorage>& storage);

}  // namespace tolmer
