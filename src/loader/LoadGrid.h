// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "loader/LoadHost.h"
#include "loader/LoadResult.h"

namespace tolmer {

// The two passes of a load, without the status texts: pass 1 finds the height range,
// pass 2 clears the host's surface and paints every cell. A failure found before the
// clear leaves the old picture; one found later leaves what was painted up to it.
// A file whose content changes during the load fails, for that reason.
// The file is closed on every path, and nothing is thrown.
LoadResult LoadGrid(const std::string& fileName, LoadHost& host) noexcept;

}  // namespace tolmer
