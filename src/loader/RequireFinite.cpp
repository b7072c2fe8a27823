// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/RequireFinite.h"

#include <cmath>
#include <string>

#include "grid/GridError.h"
#include "grid/RecordPlace.h"

namespace tolmer {

void RequireFinite(const CellRecord& cell, std::uint64_t record, std::int32_t gridWidth) {
  const float heights[] = {cell.Height1, cell.Height2, cell.Height3, cell.Height4};
  for (int corner = 0; corner < 4; ++corner) {
    const float height = heights[corner];
    if (!std::isfinite(height)) {
      throw GridError("height " + std::to_string(corner + 1) + " of " +
                      DescribeRecord(record, gridWidth) + " is " +
                      (std::isnan(height) ? "not a number" : "infinite"));
    }
  }
}

}  // namespace tolmer
