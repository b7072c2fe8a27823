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

// What a load needs from the object that owns it: somewhere to report status, a
// surface to paint on with the map's place on it, the height range that shading
// reads, and a say in how long the load goes on.
class LoadHost {
 public:
  virtual ~LoadHost() = default;

  // Replaces the whole status text.
  virtual void SetStatus(const std::string& text) = 0;
  virtual DrawingSurface& Surface() = 0;
  virtual HeightRange& Range() = 0;
  virtual MapPlacement Placement() const = 0;
  // Called before every 65536th cell of the two passes, on the thread that runs the
  // load, so that the host can show how far it has got.
  virtual void TakeTurn(const LoadProgress& /*progress*/) {}
  // Asked right after each turn and before each pass: true ends the load as
  // abandoned, with the file closed and no further status.
  virtual bool StopRequested() const { return false; }

 protected:
  LoadHost() = default;
  LoadHost(const LoadHost&) = default;
  LoadHost& operator=(const LoadHost&) = default;
};

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
    host_.TakeTurn(Progress());
    if (host_.StopRequested()) {
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
