// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "grid/GridFormat.h"

namespace tolmer {

// Anything wrong with a grid file or its reading: the file cannot be opened, is not
// a regular file, is shorter than its header says, or holds a height that cannot be shaded.
class GridError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Where record `record` of a grid `gridWidth` cells wide lies, for messages:
// "record 1407 (row 7, column 12)", all counted from 0 in the order of the file.
std::string DescribeRecord(std::uint64_t record, std::int32_t gridWidth);

// Throws GridError, naming the record and its first bad corner, unless all four
// heights are finite: anything else cannot be shaded, and finding it in pass 1
// keeps the earlier picture on the surface.
void RequireFinite(const CellRecord& cell, std::uint64_t record, std::int32_t gridWidth);

// Throws GridError saying that `height` cannot be shaded: it lies so far outside
// the range that its shade does not fit in 32 bits, or it is not finite.
[[noreturn]] void ThrowUnshadeable(float height);

// Throws GridError with `what` and the system's words for `error`.
[[noreturn]] void ThrowSystemError(const std::string& what, int error);

// Whether everything a program printed reached standard output. A full disk or a
// closed pipe must not end in success, so a failure is said on stderr, after
// `program`'s name, as the standard tools say it.
bool StandardOutputWritten(const char* program);

}  // namespace tolmer
