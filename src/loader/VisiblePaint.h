// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include "grid/GridFormat.h"
#include "grid/GridReader.h"
#include "loader/LoadHost.h"
#include "loader/LoadTurns.h"

namespace tolmer {

// Pass 2, after the clear: paints, in file order, every cell whose block has a pixel
// on the host's surface as it is now, reading only those records by position. The
// others are passed over unread, though the host still gets its turns for them.
// Throws GridError for a faulty painted cell or a failed read; returns false when
// the host has asked the load to stop.
bool PaintVisibleCells(const GridReader& reader, const GridHeader& header, LoadTurns& turns,
                       LoadHost& host);

}  // namespace tolmer
