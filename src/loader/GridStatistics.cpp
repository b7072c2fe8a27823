// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/GridStatistics.h"

#include <algorithm>

namespace tolmer {

void GridStatistics::Add(const RecordBlock& block) {
  // Each class's figures in registers of their own, chosen without branches, and
  // types counted a run at a time: a grid's cells mostly repeat the type before.
  float lowest[2] = {classes_[0].lowest, classes_[1].lowest};
  float highest[2] = {classes_[0].highest, classes_[1].highest};
  double sumZero = 0.0;
  double sumOther = 0.0;
  std::uint64_t others = 0;
  std::int32_t runType = 0;
  std::uint64_t runCells = 0;
  for (std::size_t index = 0; index < block.Size(); ++index) {
    const unsigned char* bytes = block.RecordBytes(index);
    const float h1 = LoadF32LE(bytes);
    const float h2 = LoadF32LE(bytes + 4);
    const float h3 = LoadF32LE(bytes + 8);
    const float h4 = LoadF32LE(bytes + 12);
    const std::int32_t type = LoadI32LE(bytes + 16);
    const bool other = type != 0;
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
    others += other ? 1 : 0;
    if (type != runType) {
      CountType(runType, runCells);
      runType = type;
      runCells = 0;
    }
    ++runCells;
  }
  CountType(runType, runCells);
  classes_[0].cells += block.Size() - others;
  classes_[1].cells += others;
  for (std::size_t index = 0; index < 2; ++index) {
    classes_[index].lowest = lowest[index];
    classes_[index].highest = highest[index];
  }
  classes_[0].sum += sumZero;
  classes_[1].sum += sumOther;
}

void GridStatistics::CountType(std::int32_t type, std::uint64_t cells) {
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
