// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "loader/LoadHost.h"
#include "render/MemorySurface.h"
#include "render/ViewerGeometry.h"

namespace tolmer::bench {

// An off-screen stand-in for the viewer window: a surface of the window's client
// area size with the map where the window puts it, its height range, and the
// statuses of the current load.
class BenchHost : public LoadHost {
 public:
  void SetStatus(const std::string& text) override { statuses_.push_back(text); }
  DrawingSurface& Surface() override { return surface_; }
  HeightRange& Range() override { return range_; }
  MapPlacement Placement() const override { return kViewerMapPlacement; }

  // Hands over the statuses set since the last call.
  std::vector<std::string> TakeStatuses() { return std::exchange(statuses_, {}); }
  const MemorySurface& surface() const { return surface_; }

 private:
  MemorySurface surface_{kViewerWidth, kViewerHeight};
  HeightRange range_;
  std::vector<std::string> statuses_;
};

}  // namespace tolmer::bench
