// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "grid/HeightBounds.h"

#include <algorithm>
#include <bit>
#include <cstdint>

#ifdef TOLMER_SSE2_SCAN
#include <emmintrin.h>
#endif

namespace tolmer {
namespace {

constexpr std::uint32_t kExponentBits = 0x7F800000U;

}  // namespace

HeightBounds ScanHeightBoundsPortable(const RecordBlock& block) {
  HeightBounds bounds;
  bool nonFinite = false;
  for (std::size_t index = 0; index < block.Size(); ++index) {
    const unsigned char* record = block.RecordBytes(index);
    for (std::size_t corner = 0; corner < 4; ++corner) {
      const std::uint32_t bits = LoadU32LE(record + corner * 4);
      // An exponent of all ones is an infinity or a NaN.
      nonFinite |= (bits & kExponentBits) == kExponentBits;
      const auto height = std::bit_cast<float>(bits);
      bounds.lowest = std::min(bounds.lowest, height);
      bounds.highest = std::max(bounds.highest, height);
    }
  }
  bounds.allFinite = !nonFinite;
  return bounds;
}

#ifdef TOLMER_SSE2_SCAN

namespace {

__m128 LoadHeights(const unsigned char* record) {
  return _mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(record)));
}

float LowestLane(__m128 values) {
  values = _mm_min_ps(values, _mm_shuffle_ps(values, values, _MM_SHUFFLE(1, 0, 3, 2)));
  values = _mm_min_ps(values, _mm_shuffle_ps(values, values, _MM_SHUFFLE(2, 3, 0, 1)));
  return _mm_cvtss_f32(values);
}

float HighestLane(__m128 values) {
  values = _mm_max_ps(values, _mm_shuffle_ps(values, values, _MM_SHUFFLE(1, 0, 3, 2)));
  values = _mm_max_ps(values, _mm_shuffle_ps(values, values, _MM_SHUFFLE(2, 3, 0, 1)));
  return _mm_cvtss_f32(values);
}

}  // namespace

HeightBounds ScanHeightBoundsSse2(const RecordBlock& block) {
  // NaNs are caught by an unordered compare of two records at a time; infinities
  // need no test of their own, as they end up in the minimum or maximum.
  __m128 lowA = _mm_set1_ps(std::numeric_limits<float>::infinity());
  __m128 lowB = lowA;
  __m128 highA = _mm_set1_ps(-std::numeric_limits<float>::infinity());
  __m128 highB = highA;
  __m128 nan = _mm_setzero_ps();
  const std::size_t count = block.Size();
  std::size_t index = 0;
  for (; index + 4 <= count; index += 4) {
    const __m128 first = LoadHeights(block.RecordBytes(index));
    const __m128 second = LoadHeights(block.RecordBytes(index + 1));
    const __m128 third = LoadHeights(block.RecordBytes(index + 2));
    const __m128 fourth = LoadHeights(block.RecordBytes(index + 3));
    lowA = _mm_min_ps(lowA, _mm_min_ps(first, second));
    highA = _mm_max_ps(highA, _mm_max_ps(first, second));
    lowB = _mm_min_ps(lowB, _mm_min_ps(third, fourth));
    highB = _mm_max_ps(highB, _mm_max_ps(third, fourth));
    nan = _mm_or_ps(nan, _mm_or_ps(_mm_cmpunord_ps(first, second), _mm_cmpunord_ps(third, fourth)));
  }
  for (; index < count; ++index) {
    const __m128 heights = LoadHeights(block.RecordBytes(index));
    lowA = _mm_min_ps(lowA, heights);
    highA = _mm_max_ps(highA, heights);
    nan = _mm_or_ps(nan, _mm_cmpunord_ps(heights, heights));
  }
  HeightBounds bounds;
  bounds.lowest = LowestLane(_mm_min_ps(lowA, lowB));
  bounds.highest = HighestLane(_mm_max_ps(highA, highB));
  bounds.allFinite = _mm_movemask_ps(nan) == 0 &&
                     bounds.lowest > -std::numeric_limits<float>::infinity() &&
                     bounds.highest < std::numeric_limits<float>::infinity();
  return bounds;
}

#endif

HeightBounds ScanHeightBounds(const RecordBlock& block) {
#ifdef TOLMER_SSE2_SCAN
  if constexpr (std::endian::native == std::endian::little) {
    return ScanHeightBoundsSse2(block);
  }
#endif
  return ScanHeightBoundsPortable(block);
}

}  // namespace tolmer
