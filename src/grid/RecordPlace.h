// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

namespace tolmer {

// Where record `record` of a grid `gridWidth` cells wide lies, for messages:
// "record 1407 (row 7, column 12)", all counted from 0 in the order of the file.
std::string DescribeRecord(std::uint64_t record, std::int32_t gridWidth);

}  // namespace tolmer
