// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "render/Overview.h"

#include <sys/mman.h>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <limits>
#include <map>
#include <mutex>
#include <new>

#include "grid/HeightBounds.h"
#ifdef TOLMER_SSE2_SCAN
#include <emmintrin.h>
#endif

#include "render/CellColor.h"

namespace tolmer {
namespace {

// Whole rows of level 0 waiting to go on, at most, before a thread that made them
// waits for them to go.
constexpr std::size_t kMostWaitingBytes = std::size_t{8} << 20U;

// Rows of a level on disk are written this many bytes at a time, not one by one:
// fewer writes than row by row, and a stage of a few pages, each of which costs a
// fault to bring in fresh.
constexpr std::size_t kSpillWriteBytes = std::size_t{256} << 10U;

// Levels in memory are written once, row by row, and never need zeroing first.
// Their memory comes in huge pages where the system gives them: faulting in 4 KiB
// pages one by one cost a fifth of a warm load.
constexpr std::size_t kHugePage = std::size_t{2} << 20U;

void* AllocateForOverwrite(std::size_t bytes) {
  if (bytes == 0) {
    return nullptr;
  }
  const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* memory = std::aligned_alloc(kHugePage, rounded);
  if (memory == nullptr) {
    throw std::bad_alloc();
  }
  ::madvise(memory, rounded, MADV_HUGEPAGE);
  return memory;
}

std::int64_t BinsFor(std::int64_t cells, std::int64_t side) {
  return (cells + side - 1) / side;
}

// Of `cells` cells along one side of the grid, those that bin `index` of bins `side`
// cells long covers: all but in the last bin.
std::int64_t CellsOfBin(std::int64_t cells, std::int64_t side, std::int64_t index) {
  return std::min(side, cells - index * side);
}

// The smallest power of two from 4 up whose bins number about a sixteenth of the
// cells at most (a fourteenth, for the partial bins at the edges), and at most
// kMaxBinsAcross in a row: a grid one cell wide gets bins of 1 x 16 cells.
std::int32_t BaseSide(std::int32_t width, std::int32_t height) {
  const std::int64_t cells = std::int64_t{width} * height;
  std::int64_t side = 4;
  while (BinsFor(width, side) > Overview::kMaxBinsAcross ||
         BinsFor(width, side) * BinsFor(height, side) > std::max<std::int64_t>(1, cells / 14)) {
    side *= 2;
  }
  return static_cast<std::int32_t>(side);
}

std::uint32_t Floor(double value) {
  return static_cast<std::uint32_t>(std::floor(value));
}

// The corner heights of a run of records: of all of them, and of those whose type
// is not 0.
struct RunSums {
  double all = 0.0;
  double others = 0.0;
  std::int64_t otherCells = 0;
};

// The sums of a run of `records` records, into their bin.
void AddRun(BinSums& bin, const RunSums& run, std::int64_t records) {
  bin.count[0] += 4.0 * static_cast<double>(records - run.otherCells);
  bin.count[1] += 4.0 * static_cast<double>(run.otherCells);
  bin.sum[0] += run.all - run.others;
  bin.sum[1] += run.others;
}

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

// The lowest and highest heights, and whether one was NaN, gathered in the walk that
// sums them, so that the range scan reads each record once.
struct Extremes {
  __m128 low = _mm_set1_ps(std::numeric_limits<float>::infinity());
  __m128 high = _mm_set1_ps(-std::numeric_limits<float>::infinity());
  __m128 unordered = _mm_setzero_ps();

  void Take(__m128 one, __m128 other) {
    low = _mm_min_ps(low, _mm_min_ps(one, other));
    high = _mm_max_ps(high, _mm_max_ps(one, other));
    unordered = _mm_or_ps(unordered, _mm_cmpunord_ps(one, other));
  }
  // Sums of heights: NaN where one of them was.
  void TakeSums(__m128 sums) { unordered = _mm_or_ps(unordered, _mm_cmpunord_ps(sums, sums)); }
  HeightBounds Bounds() const {
    alignas(16) float lows[4];
    alignas(16) float highs[4];
    _mm_store_ps(lows, low);
    _mm_store_ps(highs, high);
    HeightBounds bounds;
    bounds.lowest = std::min({lows[0], lows[1], lows[2], lows[3]});
    bounds.highest = std::max({highs[0], highs[1], highs[2], highs[3]});
    // Infinities need no test of their own: they end up in the minimum or maximum.
    bounds.allFinite = _mm_movemask_ps(unordered) == 0 && std::isfinite(bounds.lowest) &&
                       std::isfinite(bounds.highest);
    return bounds;
  }
};

// The heights of four records from `first`, added corner by corner in single
// precision, with their bounds. A NaN among them, or infinities of both signs, leave
// a sum NaN, for the caller to take into `extremes` once for all it adds up.
__m128 QuadCorners(const unsigned char* first, Extremes& extremes) {
  constexpr std::int64_t kStep = static_cast<std::int64_t>(kCellRecordSize);
  const auto load = [first](std::int64_t at) {
    return _mm_loadu_ps(reinterpret_cast<const float*>(first + at * kStep));
  };
  const __m128 one = load(0);
  const __m128 two = load(1);
  const __m128 three = load(2);
  const __m128 four = load(3);
  extremes.low =
      _mm_min_ps(extremes.low, _mm_min_ps(_mm_min_ps(one, two), _mm_min_ps(three, four)));
  extremes.high =
      _mm_max_ps(extremes.high, _mm_max_ps(_mm_max_ps(one, two), _mm_max_ps(three, four)));
  return _mm_add_ps(_mm_add_ps(one, two), _mm_add_ps(three, four));
}

// Corner sums taken into `extremes`, then in two doubles, which keeps the hot loops
// short; the error of adding in single precision first stays far below a shade.
__m128d InDouble(__m128 corners, Extremes& extremes) {
  extremes.TakeSums(corners);
  return _mm_add_pd(_mm_cvtps_pd(corners), _mm_cvtps_pd(_mm_movehl_ps(corners, corners)));
}

// The same four records' heights, in double.
__m128d QuadSum(const unsigned char* first, Extremes& extremes) {
  return InDouble(QuadCorners(first, extremes), extremes);
}

// How many of four records from `first` are of a type other than 0.
int OtherTypes(const unsigned char* first) {
  constexpr std::int64_t kStep = static_cast<std::int64_t>(kCellRecordSize);
  return (TypeOf(first) != 0 ? 1 : 0) + (TypeOf(first + kStep) != 0 ? 1 : 0) +
         (TypeOf(first + 2 * kStep) != 0 ? 1 : 0) + (TypeOf(first + 3 * kStep) != 0 ? 1 : 0);
}

// Four records at a time, then one at a time.
RunSums SumRun(const unsigned char* records, std::int64_t count, Extremes& extremes) {
  __m128d all = _mm_setzero_pd();
  __m128d others = _mm_setzero_pd();
  std::int64_t otherCells = 0;
  constexpr std::int64_t kStep = static_cast<std::int64_t>(kCellRecordSize);
  std::int64_t index = 0;
  for (; index + 4 <= count; index += 4) {
    const unsigned char* first = records + index * kStep;
    const __m128d sum = QuadSum(first, extremes);
    all = _mm_add_pd(all, sum);
    const int kinds = OtherTypes(first);
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
    const __m128 heights = _mm_loadu_ps(reinterpret_cast<const float*>(record));
    extremes.Take(heights, heights);
    const __m128d sum = RecordSum(record);
    all = _mm_add_pd(all, sum);
    if (TypeOf(record) != 0) {
      others = _mm_add_pd(others, sum);
      ++otherCells;
    }
  }
  return RunSums{Total(all), Total(others), otherCells};
}

// Bins of four columns, four records each, each added to its own bin of `bins`: the
// common case, without the bookkeeping of runs of any length.
void AddQuads(const unsigned char* records, std::int64_t quads, BinSums* bins, Extremes& extremes) {
  constexpr std::int64_t kStep = static_cast<std::int64_t>(kCellRecordSize);
  for (std::int64_t quad = 0; quad < quads; ++quad, records += 4 * kStep) {
    const int kinds = OtherTypes(records);
    BinSums& bin = bins[quad];
    if (kinds != 0 && kinds != 4) {
      AddRun(bin, SumRun(records, 4, extremes), 4);
      continue;
    }
    const double total = Total(QuadSum(records, extremes));
    const std::size_t type = kinds == 4 ? 1 : 0;
    bin.count[type] += 16.0;
    bin.sum[type] += total;
  }
}

// The bins of a band of four stored rows `stride` bytes apart, four records of each
// row to a bin: sixteen records summed in single precision, then each bin written
// once. Most bins hold one class, told apart without counting: an OR of the types is
// 0 only when all are, an AND of them is not 0 only when none is.
void SumBandQuads(const unsigned char* records, std::int64_t stride, std::int64_t quads,
                  BinSums* bins, Extremes& extremes) {
  constexpr std::int64_t kStep = static_cast<std::int64_t>(kCellRecordSize);
  for (std::int64_t quad = 0; quad < quads; ++quad, records += 4 * kStep) {
    __m128 corners = _mm_setzero_ps();
    std::int32_t any = 0;
    std::int32_t every = -1;
    for (std::int64_t row = 0; row < 4; ++row) {
      const unsigned char* first = records + row * stride;
      corners = _mm_add_ps(corners, QuadCorners(first, extremes));
      const std::int32_t types[4] = {TypeOf(first), TypeOf(first + kStep),
                                     TypeOf(first + 2 * kStep), TypeOf(first + 3 * kStep)};
      any |= types[0] | types[1] | types[2] | types[3];
      every &= types[0] & types[1] & types[2] & types[3];
    }
    const double total = Total(InDouble(corners, extremes));
    BinSums& bin = bins[quad];
    bin = BinSums{};
    if (any == 0 || every != 0) {
      const std::size_t type = any == 0 ? 0 : 1;
      bin.count[type] = 64.0;
      bin.sum[type] = total;
      continue;
    }
    for (std::int64_t row = 0; row < 4; ++row) {
      AddRun(bin, SumRun(records + row * stride, 4, extremes), 4);
    }
  }
}
#else
// Without SSE2 the bounds come from a walk of their own.
struct Extremes {
  HeightBounds bounds;
  HeightBounds Bounds() const { return bounds; }
};

RunSums SumRun(const unsigned char* records, std::int64_t count, Extremes& /*extremes*/) {
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

// Sums `count` records of one bin row, from record `first` of a grid `width` cells
// wide, into `sums`, whose first bin is column `lowBin` of bins of `side` cells.
void SumGroup(const unsigned char* records, std::uint64_t first, std::uint64_t count,
              std::uint64_t width, std::int64_t side, std::int64_t lowBin, BinSums* sums,
              Extremes& extremes) {
  for (std::uint64_t done = 0; done < count;) {
    auto column = static_cast<std::int64_t>((first + done) % width);
    auto run = static_cast<std::int64_t>(
        std::min<std::uint64_t>(count - done, width - static_cast<std::uint64_t>(column)));
    const unsigned char* bytes = records + done * kCellRecordSize;
    done += static_cast<std::uint64_t>(run);
#ifdef TOLMER_SSE2_SCAN
    if (side == 4 && column % 4 == 0) {
      const std::int64_t quads = run / 4;
      AddQuads(bytes, quads, sums + (column / 4 - lowBin), extremes);
      bytes += quads * 4 * static_cast<std::int64_t>(kCellRecordSize);
      column += quads * 4;
      run -= quads * 4;
    }
#endif
    while (run > 0) {
      // The records of one bin, summed in registers and added to it once.
      const std::int64_t inBin = std::min(run, side - column % side);
      AddRun(sums[column / side - lowBin], SumRun(bytes, inBin, extremes), inBin);
      bytes += inBin * static_cast<std::int64_t>(kCellRecordSize);
      column += inBin;
      run -= inBin;
    }
  }
}

// Sums `rows` whole stored rows of one bin row of a grid `width` cells wide, with
// bins of `side` cells, into `bins`, writing every one of them.
void SumBinRow(const unsigned char* records, std::int64_t rows, std::int64_t width,
               std::int64_t side, std::vector<BinSums>& bins, Extremes& extremes) {
  const auto cells = static_cast<std::uint64_t>(rows * width);
  const auto across = static_cast<std::uint64_t>(width);
#ifdef TOLMER_SSE2_SCAN
  if (side == 4 && rows == 4) {
    const std::int64_t quads = width / 4;
    SumBandQuads(records, width * static_cast<std::int64_t>(kCellRecordSize), quads, bins.data(),
                 extremes);
    if (quads == static_cast<std::int64_t>(bins.size())) {
      return;
    }
    // The last bin, narrower than four cells, row by row.
    bins.back() = BinSums{};
    const std::int64_t rest = width - quads * 4;
    for (std::int64_t row = 0; row < rows; ++row) {
      const auto first = static_cast<std::uint64_t>(row * width + quads * 4);
      SumGroup(records + first * kCellRecordSize, first, static_cast<std::uint64_t>(rest), across,
               side, quads, &bins.back(), extremes);
    }
    return;
  }
#endif
  std::fill(bins.begin(), bins.end(), BinSums{});
  SumGroup(records, 0, cells, across, side, 0, bins.data(), extremes);
}

}  // namespace

BinShading::BinShading(const HeightRange& range) : lowest_(range.MinHeight) {
  const double span = static_cast<double>(range.MaxHeight) - lowest_;
  stepsPerHeight_ = span > 0.0 ? kShadeSteps / span : 0.0;
}

// Unrounded: the mean of the corners' shades, each rounded down as CellColor does,
// lies in [mean - 1, mean], so rounding down once, after mixing, stays within 1 of
// the mean colour. Rounding each class first and the mix again could miss by 1.5.
double BinShading::shade(double height) const {
  if (stepsPerHeight_ == 0.0) {
    return 0.0;
  }
  return std::clamp(kShadeSteps - (height - lowest_) * stepsPerHeight_, 0.0, 255.0);
}

Colour BinShading::operator()(const BinSums& bin) const {
  const double green = bin.count[0];
  const double blue = bin.count[1];
  if (blue == 0.0) {
    const std::uint32_t shade = green > 0.0 ? Floor(this->shade(bin.sum[0] / green)) : 0;
    return green > 0.0 ? MakeColour(shade, 255, shade) : 0;
  }
  const double blueShade = this->shade(bin.sum[1] / blue);
  if (green == 0.0) {
    const std::uint32_t shade = Floor(blueShade);
    return MakeColour(shade, shade, 255);
  }
  const double greenShade = this->shade(bin.sum[0] / green);
  const double share = 1.0 / (green + blue);
  return MakeColour(Floor((greenShade * green + blueShade * blue) * share),
                    Floor((255.0 * green + blueShade * blue) * share),
                    Floor((greenShade * green + 255.0 * blue) * share));
}

// What the building needs while records arrive: the rows of level 0 that are not
// yet whole, and of each coarser level the one row being summed. Rows go out from
// the bottom of the picture up, as the file stores them.
struct Overview::Building {
  struct PendingRow {
    std::vector<BinSums> bins;
    std::uint64_t cells = 0;
  };
  std::mutex mutex;  // guards the rows being added to
  std::map<std::int64_t, PendingRow> pending;
  std::int64_t nextRow = 0;                 // of level 0, the next to hand on
  std::vector<std::vector<BinSums>> spare;  // rows handed on, for reuse
  // Whole rows of level 0 in order, waiting to go on. One thread at a time hands
  // them on, while `handing`; one that makes rows whole meanwhile leaves them to
  // it and scans on, unless it is so far ahead that they would pile up.
  std::vector<std::pair<std::int64_t, std::vector<BinSums>>> whole;
  bool handing = false;
  std::condition_variable handedOn;
  std::vector<std::vector<BinSums>> coarser;  // [level], the row being summed
  // [level]: rows on their way to disk, and how many.
  struct Stage {
    std::vector<StoredBin> bins;
    std::size_t rows = 0;
  };
  std::vector<Stage> stages;
};

Overview::Overview(std::int32_t gridWidth, std::int32_t gridHeight, const OverviewStorage& storage)
    : gridWidth_(std::max(gridWidth, 0)),
      gridHeight_(std::max(gridHeight, 0)),
      baseSide_(BaseSide(gridWidth_, gridHeight_)) {
  Level base;
  base.across = BinsFor(gridWidth_, baseSide_);
  base.down = BinsFor(gridHeight_, baseSide_);
  levels_.push_back(std::move(base));
  // A grid without cells has no bins, and no coarser levels to count down to.
  while (levels_.back().across * levels_.back().down > 1) {
    Level coarser;
    coarser.across = BinsFor(levels_.back().across, 2);
    coarser.down = BinsFor(levels_.back().down, 2);
    levels_.push_back(std::move(coarser));
  }
  PlaceLevels(storage);
  building_ = std::make_unique<Building>();
  building_->nextRow = levels_.front().down - 1;
  for (const Level& level : levels_) {
    building_->coarser.emplace_back(static_cast<std::size_t>(level.across));
  }
  building_->stages.resize(levels_.size());
}

Overview::Overview() = default;
Overview::Overview(Overview&&) noexcept = default;
Overview& Overview::operator=(Overview&&) noexcept = default;
Overview::~Overview() = default;

void Overview::FreeMemory::operator()(void* memory) const {
  std::free(memory);
}

// The coarsest levels in memory while they fit the budget, the finer ones on disk.
void Overview::PlaceLevels(const OverviewStorage& storage) {
  std::uint64_t inMemory = 0;
  std::uint64_t onDisk = 0;
  for (auto level = levels_.rbegin(); level != levels_.rend(); ++level) {
    const std::uint64_t bytes = level->Bytes();
    if (level->place == Place::Lost && inMemory + bytes <= storage.memoryBudget) {
      level->place = Place::Memory;
      inMemory += bytes;
    } else {
      level->fileOffset = onDisk;
      onDisk += bytes;
      // Once one level is out of memory, every finer one is too.
      for (auto finer = level; finer != levels_.rend(); ++finer) {
        finer->place = Place::Disk;
      }
    }
  }
  memory_.reset(static_cast<StoredBin*>(AllocateForOverwrite(static_cast<std::size_t>(inMemory))));
  StoredBin* next = memory_.get();
  for (auto level = levels_.rbegin(); level != levels_.rend() && level->place == Place::Memory;
       ++level) {
    level->bins = next;
    next += level->across * level->down;
  }
  if (onDisk == 0) {
    return;
  }
  spill_ = SpillFile::Create(onDisk, storage.spillFolders);
  if (!spill_) {
    for (Level& level : levels_) {
      level.place = level.place == Place::Disk ? Place::Lost : level.place;
    }
    spillFailed_ = true;
  }
}

std::optional<Overview::Bands> Overview::RecordBands(std::uint64_t most) const {
  const auto width = static_cast<std::uint64_t>(gridWidth_);
  const auto side = static_cast<std::uint64_t>(baseSide_);
  if (!building_ || width == 0 || side * width > most) {
    return std::nullopt;
  }
  // Bin rows count from the top of the picture, the end of the file.
  const std::uint64_t shortRows = static_cast<std::uint64_t>(gridHeight_) % side;
  return Bands{(shortRows == 0 ? side : shortRows) * width, side * width};
}

std::uint64_t Overview::CellsOfBinRow(std::int64_t row) const {
  return static_cast<std::uint64_t>(CellsOfBin(gridHeight_, baseSide_, row)) *
         static_cast<std::uint64_t>(gridWidth_);
}

HeightBounds Overview::Add(const RecordBlock& block, std::uint64_t first) {
  if (!building_ || gridWidth_ == 0 || block.Size() == 0) {
    return ScanHeightBounds(block);
  }
  const auto width = static_cast<std::uint64_t>(gridWidth_);
  const std::uint64_t last = first + block.Size() - 1;
  const auto binRowOf = [this, width](std::uint64_t record) {
    return FlipRow(static_cast<std::int64_t>(record / width), gridHeight_) / baseSide_;
  };
  const std::int64_t top = binRowOf(last);
  if (first % width == 0 && binRowOf(first) == top && block.Size() == CellsOfBinRow(top)) {
    return AddBinRow(block, top);
  }
  Extremes extremes;
#ifndef TOLMER_SSE2_SCAN
  extremes.bounds = ScanHeightBounds(block);
#endif
  // Summed without the lock into rows of bins of their own, then added to the
  // overview's rows under one lock: the block's bin rows, from `top` down, and of
  // a block within one stored row only the bins it reaches.
  const bool oneRow = first / width == last / width;
  const std::int64_t lowBin = oneRow ? static_cast<std::int64_t>(first % width) / baseSide_ : 0;
  const std::int64_t endBin =
      oneRow ? static_cast<std::int64_t>(last % width) / baseSide_ + 1 : levels_.front().across;
  BlockSums& sums = BlockSumsOfThisThread();
  sums.top = top;
  sums.lowBin = lowBin;
  sums.across = endBin - lowBin;
  sums.cells.assign(static_cast<std::size_t>(binRowOf(first) - top + 1), 0);
  sums.bins.assign(sums.cells.size() * static_cast<std::size_t>(sums.across), BinSums{});
  // The records of one bin row lie together in the file.
  for (std::uint64_t done = 0; done < block.Size();) {
    const std::uint64_t record = first + done;
    const std::int64_t binRow = binRowOf(record);
    const auto rowEnd = static_cast<std::uint64_t>(FlipRow(binRow * baseSide_, gridHeight_) + 1);
    const std::uint64_t count = std::min(block.Size() - done, rowEnd * width - record);
    const auto slot = static_cast<std::size_t>(binRow - top);
    SumGroup(block.RecordBytes(done), record, count, width, baseSide_, lowBin,
             sums.bins.data() + slot * static_cast<std::size_t>(sums.across), extremes);
    sums.cells[slot] += count;
    done += count;
  }
  AddToRows(sums);
  return extremes.Bounds();
}

Overview::BlockSums& Overview::BlockSumsOfThisThread() {
  thread_local BlockSums sums;
  return sums;
}

// A whole bin row needs no row of its own to be added into: it is summed into a spare
// one, which goes on as it is.
HeightBounds Overview::AddBinRow(const RecordBlock& block, std::int64_t binRow) {
  Extremes extremes;
#ifndef TOLMER_SSE2_SCAN
  extremes.bounds = ScanHeightBounds(block);
#endif
  thread_local std::vector<BinSums> bins;
  bins.resize(static_cast<std::size_t>(levels_.front().across));
  SumBinRow(block.RecordBytes(0), static_cast<std::int64_t>(block.Size()) / gridWidth_, gridWidth_,
            baseSide_, bins, extremes);
  Building& building = *building_;
  std::unique_lock lock(building.mutex);
  Building::PendingRow& row = building.pending[binRow];
  row.bins.swap(bins);
  row.cells = block.Size();
  if (!building.spare.empty()) {
    bins = std::move(building.spare.back());
    building.spare.pop_back();
  }
  HandOnWholeRows(lock);
  return extremes.Bounds();
}

void Overview::AddToRows(const BlockSums& sums) {
  Building& building = *building_;
  std::unique_lock lock(building.mutex);
  for (std::size_t slot = 0; slot < sums.cells.size(); ++slot) {
    Building::PendingRow& row = building.pending[sums.top + static_cast<std::int64_t>(slot)];
    if (row.bins.empty()) {
      if (!building.spare.empty()) {
        row.bins = std::move(building.spare.back());
        building.spare.pop_back();
      }
      row.bins.assign(static_cast<std::size_t>(levels_.front().across), BinSums{});
    }
    const BinSums* from = sums.bins.data() + slot * static_cast<std::size_t>(sums.across);
    for (std::int64_t index = 0; index < sums.across; ++index) {
      row.bins[static_cast<std::size_t>(sums.lowBin + index)].Add(from[index]);
    }
    row.cells += sums.cells[slot];
  }
  HandOnWholeRows(lock);
}

// Whole rows go on in order, the bottom one first, by one thread at a time.
void Overview::HandOnWholeRows(std::unique_lock<std::mutex>& lock) {
  Building& building = *building_;
  auto next = building.pending.find(building.nextRow);
  while (next != building.pending.end() && next->second.cells == CellsOfBinRow(next->first)) {
    building.whole.emplace_back(next->first, std::move(next->second.bins));
    building.pending.erase(next);
    --building.nextRow;
    next = building.pending.find(building.nextRow);
  }
  const std::size_t rowBytes = static_cast<std::size_t>(levels_.front().across) * sizeof(BinSums);
  building.handedOn.wait(lock, [&building, rowBytes] {
    return !building.handing ||
           building.whole.size() < std::max<std::size_t>(2, kMostWaitingBytes / rowBytes);
  });
  if (building.handing) {
    return;
  }
  building.handing = true;
  try {
    while (!building.whole.empty()) {
      std::vector<std::pair<std::int64_t, std::vector<BinSums>>> rows;
      rows.swap(building.whole);
      lock.unlock();
      for (auto& [index, bins] : rows) {
        Emit(0, index, bins);
      }
      lock.lock();
      for (auto& each : rows) {
        building.spare.push_back(std::move(each.second));
      }
      building.handedOn.notify_all();
    }
  } catch (...) {
    // Out of memory: the load fails, and a thread waiting here must not wait on.
    if (!lock.owns_lock()) {
      lock.lock();
    }
    building.handing = false;
    building.handedOn.notify_all();
    throw;
  }
  building.handing = false;
}

void Overview::Emit(int level, std::int64_t row, const std::vector<BinSums>& bins) {
  Store(level, row, bins);
  if (level + 1 >= Levels()) {
    return;
  }
  std::vector<BinSums>& parent = building_->coarser[Index(level + 1)];
  for (std::size_t column = 0; column < bins.size(); ++column) {
    parent[column / 2].Add(bins[column]);
  }
  // Rows arrive from the bottom up, so an even row is the last of its pair.
  if (row % 2 == 0) {
    Emit(level + 1, row / 2, parent);
    std::fill(parent.begin(), parent.end(), BinSums{});
  }
}

// Counts are whole corners, and a class without any has a sum of exactly 0, so its
// mean comes out 0 without a test of its own.
void Overview::Pack(const BinSums& bin, StoredBin& stored) {
#ifdef TOLMER_SSE2_SCAN
  const __m128d counts = _mm_loadu_pd(bin.count);
  const __m128d means = _mm_div_pd(_mm_loadu_pd(bin.sum), _mm_max_pd(counts, _mm_set1_pd(1.0)));
  _mm_storel_pi(reinterpret_cast<__m64*>(stored.mean), _mm_cvtpd_ps(means));
#else
  for (std::size_t type = 0; type < 2; ++type) {
    stored.mean[type] = static_cast<float>(bin.sum[type] / std::max(bin.count[type], 1.0));
  }
#endif
  stored.fewer = bin.count[1] < bin.count[0] ? -static_cast<float>(bin.count[1])
                                             : static_cast<float>(bin.count[0]);
}

void Overview::Store(int level, std::int64_t row, const std::vector<BinSums>& bins) {
  Level& at = levels_[Index(level)];
  if (at.place == Place::Lost) {
    return;
  }
  // From locals: the vector stores could otherwise alias the row's own pointers.
  const auto pack = [from = bins.data(), count = bins.size()](StoredBin* stored) {
    for (std::size_t index = 0; index < count; ++index) {
      Pack(from[index], stored[index]);
    }
  };
  const auto first = static_cast<std::size_t>(row * at.across);
  if (at.place == Place::Memory) {
    pack(at.bins + first);
    return;
  }
  // Rows arrive from the bottom up: kept together from the end of the stage, and
  // written a mebibyte at a time from the lowest row kept.
  Building::Stage& stage = building_->stages[Index(level)];
  const std::size_t rowBytes = bins.size() * sizeof(StoredBin);
  const std::size_t rows = std::max<std::size_t>(1, kSpillWriteBytes / rowBytes);
  stage.bins.resize(rows * bins.size());
  ++stage.rows;
  pack(stage.bins.data() + (rows - stage.rows) * bins.size());
  if (stage.rows < rows && row > 0) {
    return;
  }
  const StoredBin* lowest = stage.bins.data() + (rows - stage.rows) * bins.size();
  const bool written =
      spill_->Write(at.fileOffset + first * sizeof(StoredBin), lowest, stage.rows * rowBytes);
  stage.rows = 0;
  if (!written) {
    // The disk gave out after all: the levels on it are lost, the others go on.
    for (Level& each : levels_) {
      each.place = each.place == Place::Disk ? Place::Lost : each.place;
    }
    spill_.reset();
    spillFailed_ = true;
  }
}

void Overview::Finish() {
  building_.reset();
}

void Overview::ReadRow(int level, std::int64_t row, std::int64_t firstColumn, std::int64_t count,
                       BinSums* out) const {
  const Level& at = levels_[Index(level)];
  assert(at.place != Place::Lost);
  const auto first = static_cast<std::size_t>(row * at.across + firstColumn);
  thread_local std::vector<StoredBin> read;
  const StoredBin* bins = at.place == Place::Memory ? at.bins + first : nullptr;
  if (at.place == Place::Disk) {
    read.resize(static_cast<std::size_t>(count));
    spill_->Read(at.fileOffset + first * sizeof(StoredBin), read.data(),
                 read.size() * sizeof(StoredBin));
    bins = read.data();
  }
  const std::int64_t side = BinSide(level);
  const auto rowCorners = 4.0 * static_cast<double>(CellsOfBin(gridHeight_, side, row));
  for (std::int64_t index = 0; index < count; ++index) {
    const StoredBin& bin = bins[index];
    const double corners =
        rowCorners * static_cast<double>(CellsOfBin(gridWidth_, side, firstColumn + index));
    const double fewer = std::fabs(static_cast<double>(bin.fewer));
    BinSums& sums = out[index];
    sums.count[1] = std::signbit(bin.fewer) ? fewer : corners - fewer;
    sums.count[0] = corners - sums.count[1];
    for (std::size_t type = 0; type < 2; ++type) {
      sums.sum[type] = static_cast<double>(bin.mean[type]) * sums.count[type];
    }
  }
}

BinSums Overview::Bin(int level, std::int64_t column, std::int64_t row) const {
  BinSums bin;
  ReadRow(level, row, column, 1, &bin);
  return bin;
}

std::uint64_t Overview::BytesIn(Place place) const {
  std::uint64_t bytes = 0;
  for (const Level& level : levels_) {
    bytes += level.place == place ? level.Bytes() : 0;
  }
  return bytes;
}

std::size_t Overview::MemoryBytes() const {
  return static_cast<std::size_t>(BytesIn(Place::Memory));
}

std::uint64_t Overview::SpilledBytes() const {
  return BytesIn(Place::Disk);
}

}  // namespace tolmer
