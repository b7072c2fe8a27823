// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "grid/GridError.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace tolmer {

std::string DescribeRecord(std::uint64_t record, std::int32_t gridWidth) {
  std::string text = "record " + std::to_string(record);
  if (gridWidth > 0) {
    const auto width = static_cast<std::uint64_t>(gridWidth);
    text += " (row " + std::to_string(record / width) + ", column " +
            std::to_string(record % width) + ")";
  }
  return text;
}

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

void ThrowUnshadeable(float height) {
  char text[80];
  std::snprintf(text, sizeof text, "height %g lies too far outside the range to be shaded",
                static_cast<double>(height));
  throw GridError(text);
}

void ThrowSystemError(const std::string& what, int error) {
  throw GridError(what + ": " + std::strerror(error));
}

bool StandardOutputWritten(const char* program) {
  errno = 0;
  if (std::cout.flush() && std::fflush(stdout) == 0) {
    return true;
  }
  std::cerr << program << ": write error: " << std::strerror(errno) << '\n';
  return false;
}

}  // namespace tolmer
