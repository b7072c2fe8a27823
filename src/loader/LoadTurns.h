// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "loader/LoadHost.h"

namespace tolmer {

// The host's turns during a load: one before every 65536th cell, counted over both
// passes, whether the cell is read or passed over unread. At each turn the host
// hears how far the load has got and may ask it to stop.
class LoadTurns {
 public:
  static constexpr std::uint64_t kCellsPerTurn = std::uint64_t{1} << 16U;

  explicit LoadTurns(LoadHost& host) : host_(host) {}

  // Starts pass 0 (the range scan) or pass 1 (the painting) over `cells` cells.
  void BeginPass(int pass, std::uint64_t cells);
  // Before handling up to `wanted` more cells (wanted > 0): gives the host every turn
  // that is due, then returns how many of them may be handled before the next turn,
  // at least 1; or 0 when the host has asked the load to stop.
  std::uint64_t Next(std::uint64_t wanted);
  // Counts cells as handled; the turns they reach are given by the next Next.
  void Done(std::uint64_t cells) { done_ += cells; }
  // Passes over `cells` cells unread, giving the host the turns on the way; false
  // when it has asked the load to stop.
  bool Skip(std::uint64_t cells);

 private:
  LoadProgress Progress() const;

  LoadHost& host_;
  std::uint64_t done_ = 0;   // cells handled in both passes
  std::uint64_t turns_ = 0;  // turns given so far
  std::uint64_t passCells_ = 0;
  std::uint64_t passStart_ = 0;  // done_ when the pass began
  int pass_ = 0;
};

}  // namespace tolmer
