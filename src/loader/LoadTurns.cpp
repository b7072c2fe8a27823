// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/LoadTurns.h"

#include <algorithm>

namespace tolmer {

void LoadTurns::BeginPass(int pass, std::uint64_t cells) {
  pass_ = pass;
  passCells_ = cells;
  passStart_ = done_;
}

std::uint64_t LoadTurns::Next(std::uint64_t wanted) {
  // Turn k comes before cell k * kCellsPerTurn, counted from 1.
  const std::uint64_t due = (done_ + 1) / kCellsPerTurn;
  while (turns_ < due) {
    ++turns_;
    host_.TakeTurn(Progress());
    if (host_.StopRequested()) {
      return 0;
    }
  }
  const std::uint64_t beforeTurn = (turns_ + 1) * kCellsPerTurn - 1 - done_;
  return std::min(wanted, beforeTurn);
}

bool LoadTurns::Skip(std::uint64_t cells) {
  while (cells > 0) {
    const std::uint64_t now = Next(cells);
    if (now == 0) {
      return false;
    }
    Done(now);
    cells -= now;
  }
  return true;
}

LoadProgress LoadTurns::Progress() const {
  const std::uint64_t inPass = done_ - passStart_;
  return LoadProgress{static_cast<std::uint64_t>(pass_) * passCells_ + inPass, 2 * passCells_};
}

}  // namespace tolmer
