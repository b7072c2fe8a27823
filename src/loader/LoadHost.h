// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "render/DrawingSurface.h"
#include "render/HeightRange.h"
#include "render/MapPlacement.h"

namespace tolmer {

// How far a load has got, in cells of both passes: every cell counts once in the
// range scan and once in the painting pass.
struct LoadProgress {
  std::uint64_t cellsDone = 0;
  std::uint64_t cellsTotal = 0;

  // 0 at the start, 1 when both passes are through.
  double Fraction() const {
    return cellsTotal == 0 ? 1.0 : static_cast<double>(cellsDone) / static_cast<double>(cellsTotal);
  }
};

// Whoever waits for a long read of a grid: it hears how far the read has got, and
// may ask it to stop. As it is, it does neither.
class TurnTaker {
 public:
  virtual ~TurnTaker() = default;

  // Called before every 65536th cell of a read, on the thread that reads, so that
  // the taker can show how far it has got.
  virtual void TakeTurn(const LoadProgress& /*progress*/) {}
  // Asked right after each turn and before each pass: true ends the read as
  // abandoned, with the file closed and no further status.
  virtual bool StopRequested() const { return false; }
};

// What a load needs from the object that owns it: somewhere to report status, a
// surface to paint on with the map's place on it, the height range that shading
// reads, and its turns.
class LoadHost : public TurnTaker {
 public:
  // Replaces the whole status text.
  virtual void SetStatus(const std::string& text) = 0;
  virtual DrawingSurface& Surface() = 0;
  virtual HeightRange& Range() = 0;
  virtual MapPlacement Placement() const = 0;
};

// The turns of a read: one before every 65536th cell, counted over both passes of
// a load, whether the cell is read or passed over unread.
class LoadTurns {
 public:
  static constexpr std::uint64_t kCellsPerTurn = std::uint64_t{1} << 16U;

  explicit LoadTurns(TurnTaker& taker) : taker_(taker) {}

  // Starts pass 0 (the range scan) or pass 1 (the painting) over `cells` cells.
  void BeginPass(int pass, std::uint64_t cells);
  // Before handling up to `wanted` more cells (wanted > 0): gives the taker every turn
  // that is due, then returns how many of them may be handled before the next turn,
  // at least 1; or 0 when the taker has asked the read to stop.
  std::uint64_t Next(std::uint64_t wanted);
  // Counts cells as handled; the turns they reach are given by the next Next.
  void Done(std::uint64_t cells) { done_ += cells; }
  // Passes over `cells` cells unread, giving the taker the turns on the way; false
  // when it has asked the read to stop.
  bool Skip(std::uint64_t cells);

 private:
  LoadProgress Progress() const;

  TurnTaker& taker_;
  std::uint64_t done_ = 0;   // cells handled in both passes
  std::uint64_t turns_ = 0;  // turns given so far
  std::uint64_t passCells_ = 0;
  std::uint64_t passStart_ = 0;  // done_ when the pass began
  int pass_ = 0;
};

inline void LoadTurns::BeginPass(int pass, std::uint64_t cells) {
  pass_ = pass;
  passCells_ = cells;
  passStart_ = done_;
}

inline std::uint64_t LoadTurns::Next(std::uint64_t wanted) {
  // Turn k comes before cell k * kCellsPerTurn, counted from 1.
  const std::uint64_t due = (done_ + 1) / kCellsPerTurn;
  while (turns_ < due) {
    ++turns_;
    taker_.TakeTurn(Progress());
    if (taker_.StopRequested()) {
      return 0;
    }
  }
  const std::uint64_t beforeTurn = (turns_ + 1) * kCellsPerTurn - 1 - done_;
  return std::min(wanted, beforeTurn);
}

inline bool LoadTurns::Skip(std::uint64_t cells) {
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

inline LoadProgress LoadTurns::Progress() const {
  const std::uint64_t inPass = done_ - passStart_;
  return LoadProgress{static_cast<std::uint64_t>(pass_) * passCells_ + inPass, 2 * passCells_};
}

}  // namespace tolmer
