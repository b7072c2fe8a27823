// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>

namespace tolmer::testing {

// The largest single request made to the global operator new since the last
// ResetLargestAllocation, whether or not it succeeded. Only an executable that
// links LargestAllocation.cpp counts them: that file replaces the global
// (unaligned) allocation and deallocation functions.
std::size_t LargestAllocation();
void ResetLargestAllocation();

}  // namespace tolmer::testing
