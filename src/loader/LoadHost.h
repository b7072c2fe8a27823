// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

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

}  // namespace tolmer
