// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "render/Overview.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "grid/HeightBounds.h"
#ifdef TOLMER_SSE2_SCAN
#include <emmintrin.h>
#endif

#include "render/CellColor.h"

namespace tolmer {
namespace {

std::int64_t BinsFor(std::int64_t cells, std::int64_t side) {
  return (cells + side - 1) / side;
}

// The smallest side whose bins number at most kMaxBins, made a multiple of 4 when
// larger, so that runs of a bin's records add up four at a time.
std::int32_t BaseSide(std::int32_t width, std::int32_t height) {
  std::int64_t low = 1;
  std::int64_t high = std::max({std::int64_t{1}, std::int64_t{width}, std::int64_t{height}});
  while (low < high) {
    const std::int64_t side = low + (high - low) / 2;
    if (BinsFor(width, side) * BinsFor(height, side) <=
        static_cast<std::int64_t>(Overview::kMaxBins)) {
      high = side;
    } else {
      low = side + 1;
    }
  }
  if (low > 4) {
    low = (low + 3) / 4 * 4;
  }
  return static_cast<std::int32_t>(low);
}

// Unrounded: the mean of the corners' shades, each rounded down as CellColor does,
// lies in [mean - 1, mean], so rounding down once, after mixing, stays within 1 of
// the mean colour. Rounding each class first and the mix again could miss by 1.5.
double ClampedShade(const HeightRange& range, double height) {
  return std::clamp(UnroundedShade(range, height), 0.0, 255.0);
}

std::uint32_t Mix(double first, double firstWeight, double second, double secondWeight) {
  return static_cast<std::uint32_t>(
      std::floor((first * firstWeight + second * secondWeight) / (firstWeight + secondWeight)));
}

// The corner heights of a run of records: of all of them, and of those whose type
// is not 0.
struct RunSums {
  double all = 0.0;
  double others = 0.0;
  std::int64_t otherCells = 0;
};

std::int32_t TypeOf(const unsigned char* record) {
  return LoadI32LE(record + 16);
}

#ifdef TOLMER_SSE2_SCAN
// The four heights of a record in two doubles, added in single precision.
__m128d RecordSum(const unsigned char* record) {
  const __m128 heights = _mm_loadu_ps(reinterpret_cast<const float*>(record));
  return _mm_cvtps_pd(_mm_add_ps(heights, _mm_movehl_ps(heights, heights)));
}

double Total(__m128d pair) {
  return _mm_cvtsd_f64(_mm_add_sd(pair, _mm_unpackhi_pd(pair, pair)));
}

// Four records at a time: their heights added corner by corner in single precision,
// then in double, which keeps the hot loop short; the error stays far below a shade.
RunSums SumRun(const unsigned char* records, std::int64_t count) {
  __m128d all = _mm_setzero_pd();
  __m128d others = _mm_setzero_pd();
  std::int64_t otherCells = 0;
  constexpr std::int64_t kStep = static_cast<std::int64_t>(kCellRecordSize);
  std::int64_t index = 0;
  for (; index + 4 <= count; index += 4) {
    const unsigned char* first = records + index * kStep;
    const auto load = [first](std::int64_t at) {
      return _mm_loadu_ps(reinterpret_cast<const float*>(first + at * kStep));
    };
    const __m128 corners = _mm_add_ps(_mm_add_ps(load(0), load(1)), _mm_add_ps(load(2), load(3)));
    const __m128d sum =
        _mm_add_pd(_mm_cvtps_pd(corners), _mm_cvtps_pd(_mm_movehl_ps(corners, corners)));
    all = _mm_add_pd(all, sum);
    const int kinds = (TypeOf(first) != 0 ? 1 : 0) + (TypeOf(first + kStep) != 0 ? 1 : 0) +
                      (TypeOf(first + 2 * kStep) != 0 ? 1 : 0) +
                      (TypeOf(first + 3 * kStep) != 0 ? 1 : 0);
    if (kinds == 4) {
      others = _mm_add_pd(others, sum);
    } else if (kinds > 0) {
      for (std::int64_t at = 0; at < 4; ++at) {
        if (TypeOf(first + at * kStep) != 0) {
          others = _mm_add_pd(others, RecordSum(first + at * kStep));
        }
      }
    }
    otherCells += kinds;
  }
  for (; index < count; ++index) {
    const unsigned char* record = records + index * kStep;
    const __m128d sum = RecordSum(record);
    all = _mm_add_pd(all, sum);
    if (TypeOf(record) != 0) {
      others = _mm_add_pd(others, sum);
      ++otherCells;
    }
  }
  return RunSums{Total(all), Total(others), otherCells};
}
#else
RunSums SumRun(const unsigned char* records, std::int64_t count) {
  RunSums run;
  for (std::int64_t index = 0; index < count; ++index) {
    const unsigned char* bytes = records + index * static_cast<std::int64_t>(kCellRecordSize);
    const double corners = static_cast<double>(LoadF32LE(bytes)) + LoadF32LE(bytes + 4) +
                           LoadF32LE(bytes + 8) + LoadF32LE(bytes + 12);
    run.all += corners;
    if (TypeOf(bytes) != 0) {
      run.others += corners;
      ++run.otherCells;
    }
  }
  return run;
}
#endif

}  // namespace

Colour BinColour(const BinSums& bin, const HeightRange& range) {
  const double green = bin.count[0];
  const double blue = bin.count[1];
  if (green + blue == 0.0) {
    return 0;
  }
  const double greenShade = green > 0.0 ? ClampedShade(range, bin.sum[0] / green) : 0.0;
  const double blueShade = blue > 0.0 ? ClampedShade(range, bin.sum[1] / blue) : 0.0;
  return MakeColour(Mix(greenShade, green, blueShade, blue), Mix(255.0, green, blueShade, blue),
                    Mix(greenShade, green, 255.0, blue));
}

Overview::Overview(std::int32_t gridWidth, std::int32_t gridHeight)
    : gridWidth_(std::max(gridWidth, 0)),
      gridHeight_(std::max(gridHeight, 0)),
      baseSide_(BaseSide(gridWidth_, gridHeight_)) {
  Level base;
  base.across = BinsFor(gridWidth_, baseSide_);
  base.down = BinsFor(gridHeight_, baseSide_);
  base.bins.resize(static_cast<std::size_t>(base.across * base.down));
  levels_.push_back(std::move(base));
}

void Overview::Add(const RecordBlock& block, std::uint64_t first) {
  if (gridWidth_ == 0) {
    return;
  }
  const auto width = static_cast<std::uint64_t>(gridWidth_);
  std::uint64_t done = 0;
  while (done < block.Size()) {
    const std::uint64_t record = first + done;
    const std::uint64_t column = record % width;
    const std::uint64_t run = std::min<std::uint64_t>(block.Size() - done, width - column);
    AddRun(block.RecordBytes(done), static_cast<std::int64_t>(run),
           static_cast<std::int64_t>(column), static_cast<std::int64_t>(record / width));
    done += run;
  }
}

void Overview::AddRun(const unsigned char* records, std::int64_t count, std::int64_t column,
                      std::int64_t storedRow) {
  Level& base = levels_.front();
  const std::int64_t binRow = FlipRow(storedRow, gridHeight_) / baseSide_;
  BinSums* row = base.bins.data() + binRow * base.across;
  while (count > 0) {
    // The records of one bin, summed in registers and added to it once.
    const std::int64_t inBin = std::min(count, baseSide_ - column % baseSide_);
    const RunSums run = SumRun(records, inBin);
    BinSums& bin = row[column / baseSide_];
    bin.count[0] += 4.0 * static_cast<double>(inBin - run.otherCells);
    bin.count[1] += 4.0 * static_cast<double>(run.otherCells);
    bin.sum[0] += run.all - run.others;
    bin.sum[1] += run.others;
    records += inBin * static_cast<std::int64_t>(kCellRecordSize);
    column += inBin;
    count -= inBin;
  }
}

void Overview::Merge(const Overview& other) {
  assert(other.gridWidth_ == gridWidth_ && other.gridHeight_ == gridHeight_);
  auto& mine = levels_.front().bins;
  const auto& theirs = other.levels_.front().bins;
  for (std::size_t index = 0; index < mine.size(); ++index) {
    mine[index].Add(theirs[index]);
  }
}

void Overview::Finish() {
  levels_.resize(1);
  // A grid without cells has no bins, and no coarser levels to count down to.
  while (levels_.back().bins.size() > 1) {
    const Level& finer = levels_.back();
    Level coarser;
    coarser.across = BinsFor(finer.across, 2);
    coarser.down = BinsFor(finer.down, 2);
    coarser.bins.resize(static_cast<std::size_t>(coarser.across * coarser.down));
    for (std::int64_t row = 0; row < finer.down; ++row) {
      for (std::int64_t column = 0; column < finer.across; ++column) {
        coarser.bins[static_cast<std::size_t>(row / 2 * coarser.across + column / 2)].Add(
            finer.bins[static_cast<std::size_t>(row * finer.across + column)]);
      }
    }
    levels_.push_back(std::move(coarser));
  }
}

const BinSums& Overview::Bin(int level, std::int64_t column, std::int64_t row) const {
  const Level& at = levels_[Index(level)];
  return at.bins[static_cast<std::size_t>(row * at.across + column)];
}

std::size_t Overview::MemoryBytes() const {
  std::size_t bytes = 0;
  for (const Level& level : levels_) {
    bytes += level.bins.capacity() * sizeof(BinSums);
  }
  return bytes;
}

}  // namespace tolmer
