// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "grid/GridFormat.h"

namespace tolmer {

// Throws GridError unless both dimensions are non-negative and a file of fileSize
// bytes holds every record the header announces. Never overflows, whatever the header.
void CheckHeader(const GridHeader& header, std::uint64_t fileSize);

}  // namespace tolmer
