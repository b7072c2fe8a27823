#pragma once

#include <string>

#include "loader/LoadHost.h"

namespace tolmer::testing {

// The load done the plain way, one readCell and one DrawCell per cell, with the
// same header and finiteness checks and the same heartbeat as ShowGrid. Tests
// hold ShowGrid's statuses and pixels against it.
void ReferenceShowGrid(const std::string& fileName, LoadHost& host) noexcept;

}  // namespace tolmer::testing
