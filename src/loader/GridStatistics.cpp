// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/GridStatistics.h"

#include <algorithm>
#include <bit>

#ifdef TOLMER_SSE2_SCAN
#include <emmintrin.h>
#endif

namespace tolmer {

void GridStatistics::AddPortable(const RecordBlock& block) {
  // Each class's figures in variables of their own, chosen without branches.
  float lowest[2] = {classes_[0].lowest, classes_[1].lowest};
  float highest[2] = {classes_[0].highest, classes_[1].highest};
  double sumZero = 0.0;
  double sumOther = 0.0;
  for (std::size_t index = 0; index < block.Size(); ++index) {
    const unsigned char* bytes = block.RecordBytes(index);
    const float h1 = LoadF32LE(bytes);
    const float h2 = LoadF32LE(bytes + 4);
    const float h3 = LoadF32LE(bytes + 8);
    const float h4 = LoadF32LE(bytes + 12);
    const bool other = LoadI32LE(bytes + 16) != 0;
    const float low = std::min(std::min(h1, h2), std::min(h3, h4));
    const float high = std::max(std::max(h1, h2), std::max(h3, h4));
    const double sum = (static_cast<double>(h1) + static_cast<double>(h2)) +
                       (static_cast<double>(h3) + static_cast<double>(h4));
    lowest[0] = other ? lowest[0] : std::min(lowest[0], low);
    highest[0] = other ? highest[0] : std::max(highest[0], high);
    lowest[1] = other ? std::min(lowest[1], low) : lowest[1];
    highest[1] = other ? std::max(highest[1], high) : highest[1];
    sumZero += other ? 0.0 : sum;
    sumOther += other ? sum : 0.0;
  }
  for (std::size_t index = 0; index < 2; ++index) {
    classes_[index].lowest = lowest[index];
    classes_[index].highest = highest[index];
  }
  classes_[0].sum += sumZero;
  classes_[1].sum += sumOther;
  // A run at a time: a grid's cells mostly repeat the type before.
  std::int32_t runType = 0;
  std::uint64_t runCells = 0;
  for (std::size_t index = 0; index < block.Size(); ++index) {
    const std::int32_t type = LoadI32LE(block.RecordBytes(index) + 16);
    if (type != runType) {
      CountType(runType, runCells);
      runType = type;
      runCells = 0;
    }
    ++runCells;
  }
  CountType(runType, runCells);
}

#ifdef TOLMER_SSE2_SCAN

namespace {

// A class's heights in lanes: four lowest and highest, and two sums in double.
struct Lanes {
  __m128 lowest = _mm_set1_ps(std::numeric_limits<float>::infinity());
  __m128 highest = _mm_set1_ps(-std::numeric_limits<float>::infinity());
  __m128d sum = _mm_setzero_pd();

  // Records' heights, as floats in the host's byte order.
  void Add(__m128 low, __m128 high, __m128d sumOfPairs) {
    lowest = _mm_min_ps(lowest, low);
    highest = _mm_max_ps(highest, high);
    sum = _mm_add_pd(sum, sumOfPairs);
  }
};

__m128 LoadHeights(const unsigned char* record) {
  return _mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(record)));
}

// The four heights added in pairs, in double.
__m128d PairSums(__m128 heights) {
  return _mm_add_pd(_mm_cvtps_pd(heights), _mm_cvtps_pd(_mm_movehl_ps(heights, heights)));
}

// Explicit branches, not a reference chosen by the type, keep both classes' lanes
// in registers.
void AddTo(std::int32_t type, __m128 heights, Lanes& zero, Lanes& other) {
  if (type != 0) {
    other.Add(heights, heights, PairSums(heights));
  } else {
    zero.Add(heights, heights, PairSums(heights));
  }
}

void Fold(const Lanes& lanes, GridStatistics::ClassHeights& heights) {
  float low[4];
  float high[4];
  double sum[2];
  _mm_storeu_ps(low, lanes.lowest);
  _mm_storeu_ps(high, lanes.highest);
  _mm_storeu_pd(sum, lanes.sum);
  heights.lowest = std::min({heights.lowest, low[0], low[1], low[2], low[3]});
  heights.highest = std::max({heights.highest, high[0], high[1], high[2], high[3]});
  heights.sum += sum[0] + sum[1];
}

}  // namespace

void GridStatistics::AddSse2(const RecordBlock& block) {
  // One pass, two records at a time where both are of one class, as they mostly
  // are: half the dependent additions into the sums. The loop calls nothing, so
  // that the lanes stay in registers: runs of a type are noted in `runs` and
  // counted when it fills.
  Lanes zero;
  Lanes other;
  struct Run {
    std::int32_t type;
    std::uint64_t cells;
  };
  constexpr std::size_t kRuns = 64;
  std::array<Run, kRuns> runs;
  std::size_t runCount = 0;
  Run run{0, 0};
  const auto note = [&](std::int32_t type) {
    if (type != run.type) {
      runs[runCount++] = run;
      run = Run{type, 0};
    }
    ++run.cells;
  };
  const std::size_t count = block.Size();
  std::size_t index = 0;
  while (index < count) {
    for (; index + 2 <= count && runCount + 2 < kRuns; index += 2) {
      const unsigned char* first = block.RecordBytes(index);
      const unsigned char* second = block.RecordBytes(index + 1);
      const __m128 a = LoadHeights(first);
      const __m128 b = LoadHeights(second);
      const std::int32_t typeA = LoadI32LE(first + 16);
      const std::int32_t typeB = LoadI32LE(second + 16);
      if ((typeA != 0) == (typeB != 0)) {
        const __m128 low = _mm_min_ps(a, b);
        const __m128 high = _mm_max_ps(a, b);
        const __m128d sum = _mm_add_pd(PairSums(a), PairSums(b));
        if (typeA != 0) {
          other.Add(low, high, sum);
        } else {
          zero.Add(low, high, sum);
        }
      } else {
        AddTo(typeA, a, zero, other);
        AddTo(typeB, b, zero, other);
      }
      note(typeA);
      note(typeB);
    }
    if (index + 1 == count) {
      const __m128 a = LoadHeights(block.RecordBytes(index));
      const std::int32_t type = LoadI32LE(block.RecordBytes(index) + 16);
      AddTo(type, a, zero, other);
      note(type);
      ++index;
    }
    for (std::size_t noted = 0; noted < runCount; ++noted) {
      CountType(runs[noted].type, runs[noted].cells);
    }
    runCount = 0;
  }
  CountType(run.type, run.cells);
  Fold(zero, classes_[0]);
  Fold(other, classes_[1]);
}

#endif

void GridStatistics::Add(const RecordBlock& block) {
#ifdef TOLMER_SSE2_SCAN
  if constexpr (std::endian::native == std::endian::little) {
    AddSse2(block);
    return;
  }
#endif
  AddPortable(block);
}

void GridStatistics::CountType(std::int32_t type, std::uint64_t cells) {
  classes_[type != 0 ? 1 : 0].cells += cells;
  if (static_cast<std::uint32_t>(type) < static_cast<std::uint32_t>(kIndexedTypes)) {
    indexedTypes_[static_cast<std::size_t>(type)] += cells;
  } else if (cells > 0) {
    otherTypes_[type] += cells;
  }
}

void GridStatistics::Merge(const GridStatistics& other) {
  for (std::size_t index = 0; index < 2; ++index) {
    ClassHeights& whole = classes_[index];
    const ClassHeights& theirs = other.classes_[index];
    whole.cells += theirs.cells;
    whole.lowest = std::min(whole.lowest, theirs.lowest);
    whole.highest = std::max(whole.highest, theirs.highest);
    whole.sum += theirs.sum;
  }
  for (std::size_t type = 0; type < indexedTypes_.size(); ++type) {
    indexedTypes_[type] += other.indexedTypes_[type];
  }
  for (const auto& [type, cells] : other.otherTypes_) {
    otherTypes_[type] += cells;
  }
}

HeightRange GridStatistics::Range() const {
  HeightRange range;
  for (const ClassHeights& heights : classes_) {
    if (heights.cells > 0) {
      range.Widen(HeightBounds{heights.lowest, heights.highest, true});
    }
  }
  return range;
}

std::vector<GridStatistics::TypeCells> GridStatistics::Types() const {
  std::vector<TypeCells> types;
  for (std::size_t type = 0; type < indexedTypes_.size(); ++type) {
    if (indexedTypes_[type] > 0) {
      types.push_back({static_cast<std::int32_t>(type), indexedTypes_[type]});
    }
  }
  for (const auto& [type, cells] : otherTypes_) {
    types.push_back({type, cells});
  }
  std::ranges::sort(types, [](const TypeCells& first, const TypeCells& second) {
    return first.cells != second.cells ? first.cells > second.cells : first.type < second.type;
  });
  return types;
}

}  // namespace tolmer
