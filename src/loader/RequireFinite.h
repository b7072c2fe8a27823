// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "grid/GridFormat.h"

namespace tolmer {

// Throws GridError, naming the record and its first bad corner, unless all four
// heights are finite: anything else cannot be shaded, and finding it in pass 1
// keeps the earlier picture on the surface.
void RequireFinite(const CellRecord& cell, std::uint64_t record, std::int32_t gridWidth);

}  // namespace tolmer
