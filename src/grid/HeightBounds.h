// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <limits>

#include "grid/GridFormat.h"

// SSE2 is part of every x86-64 target.
#ifdef __SSE2__
#define TOLMER_SSE2_SCAN 1
#endif

namespace tolmer {

// The lowest and highest of the four heights of a run of records. lowest and
// highest only mean something when allFinite holds.
struct HeightBounds {
  float lowest = std::numeric_limits<float>::infinity();
  float highest = -std::numeric_limits<float>::infinity();
  bool allFinite = true;
};

// Scans with the fastest implementation the build target has: SSE2 on
// little-endian hosts that have it, the portable scan everywhere else.
HeightBounds ScanHeightBounds(const RecordBlock& block);

// Decodes every height byte by byte, so it gives the same answer on any host.
HeightBounds ScanHeightBoundsPortable(const RecordBlock& block);

#ifdef TOLMER_SSE2_SCAN
// One unaligned 16-byte load per record covers its four heights, read as floats
// in the host's byte order: only correct on a little-endian host.
HeightBounds ScanHeightBoundsSse2(const RecordBlock& block);
#endif

}  // namespace tolmer
