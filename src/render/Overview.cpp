// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "render/Overview.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "render/CellColor.h"

namespace tolmer {
namespace {

std::int64_t BinsFor(std::int64_t cells, std::int64_t side) {
  return (cells + side - 1) / side;
}

// The smallest side whose bins number at most kMaxBins.
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
  return static_cast<std::int32_t>(low);
}

double ClampedShade(const HeightRange& range, double height) {
  return std::clamp(std::floor(UnroundedShade(range, height)), 0.0, 255.0);
}

std::uint32_t Mix(double first, double firstWeight, double second, double secondWeight) {
  return static_cast<std::uint32_t>(
      std::lround((first * firstWeight + second * secondWeight) / (firstWeight + secondWeight)));
}

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
  const std::int64_t binRow = (gridHeight_ - 1 - storedRow) / baseSide_;
  BinSums* row = base.bins.data() + binRow * base.across;
  while (count > 0) {
    // The records of one bin, summed in registers and added to it once.
    const std::int64_t inBin = std::min(count, baseSide_ - column % baseSide_);
    double all = 0.0;
    double others = 0.0;
    std::int64_t otherCells = 0;
    for (std::int64_t index = 0; index < inBin; ++index) {
      const unsigned char* bytes = records + index * static_cast<std::int64_t>(kCellRecordSize);
      const double corners = static_cast<double>(LoadF32LE(bytes)) + LoadF32LE(bytes + 4) +
                             LoadF32LE(bytes + 8) + LoadF32LE(bytes + 12);
      const bool other = LoadI32LE(bytes + 16) != 0;
      all += corners;
      others += other ? corners : 0.0;
      otherCells += other ? 1 : 0;
    }
    BinSums& bin = row[column / baseSide_];
    bin.count[0] += 4.0 * static_cast<double>(inBin - otherCells);
    bin.count[1] += 4.0 * static_cast<double>(otherCells);
    bin.sum[0] += all - others;
    bin.sum[1] += others;
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
  while (levels_.back().across > 1 || levels_.back().down > 1) {
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
