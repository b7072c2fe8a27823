#pragma once

#include <limits>

#include "grid/RecordBlock.h"

// The SSE2 scan loads records as little-endian floats, so it needs both.
#if defined(__SSE2__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
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

// Scans with the fastest implementation the build target has.
HeightBounds ScanHeightBounds(const RecordBlock& block);

// Decodes every height byte by byte, so it gives the same answer on any host.
HeightBounds ScanHeightBoundsPortable(const RecordBlock& block);

#ifdef TOLMER_SSE2_SCAN
// One unaligned 16-byte load per record covers its four heights.
HeightBounds ScanHeightBoundsSse2(const RecordBlock& block);
#endif

}  // namespace tolmer
