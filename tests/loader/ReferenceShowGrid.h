#pragma once

#include <string>

#include "loader/LoadHost.h"
#include "loader/LoadResult.h"

namespace tolmer::testing {

// The load done the plain way, one readCell and one DrawCell per cell, with the
// same header and finiteness checks and the same turns as ShowGrid. Tests hold
// ShowGrid's statuses, outcomes and pixels against it; its reasons are not ShowGrid's.
LoadResult ReferenceShowGrid(const std::string& fileName, LoadHost& host) noexcept;

}  // namespace tolmer::testing
