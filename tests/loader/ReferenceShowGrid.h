// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "loader/LoadHost.h"
#include "loader/LoadResult.h"

namespace tolmer::testing {

// The load done the plain way, one readCell per cell and one DrawCell per cell that
// starts on the surface, with the same header and finiteness checks and the same
// turns as ShowGrid. Tests hold ShowGrid's statuses, outcomes and pixels against it;
// its reasons are not ShowGrid's.
LoadResult ReferenceShowGrid(const std::string& fileName, LoadHost& host) noexcept;

}  // namespace tolmer::testing
