// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "loader/LoadHost.h"
#include "render/MemorySurface.h"
#include "render/ViewerGeometry.h"

namespace tolmer::testing {

inline constexpr std::int32_t kWindowWidth = kViewerWidth;
inline constexpr std::int32_t kWindowHeight = kViewerHeight;

// A surface that counts its clears and can run a test's code at that moment,
// which is the point between the two passes of a load.
class ObservedSurface : public MemorySurface {
 public:
  using MemorySurface::MemorySurface;

  void ClearSurface() override {
    ++clears;
    if (onClear) {
      onClear();
    }
    MemorySurface::ClearSurface();
  }

  int clears = 0;
  std::function<void()> onClear;
};

// A load host the size of the viewer's window, with the map where the window puts
// it, that records every status and turn it is given.
class RecordingHost : public LoadHost {
 public:
  explicit RecordingHost(Colour background = MemorySurface::kDefaultBackground)
      : surface(kWindowWidth, kWindowHeight, background) {}

  void SetStatus(const std::string& text) override { statuses.push_back(text); }
  DrawingSurface& Surface() override { return surface; }
  HeightRange& Range() override { return range; }
  MapPlacement Placement() const override { return placement; }
  void WhileLoading(const LoadProgress& progress) override {
    ++beats;
    lastProgress = progress;
    if (onWhileLoading) {
      onWhileLoading();
    }
  }
  bool StopRequested() const override { return stopAtBeat > 0 && beats >= stopAtBeat; }

  const std::string& lastStatus() const { return statuses.back(); }

  ObservedSurface surface;
  HeightRange range;
  MapPlacement placement = kViewerMapPlacement;
  std::vector<std::string> statuses;
  int beats = 0;
  LoadProgress lastProgress;
  std::function<void()> onWhileLoading;
  int stopAtBeat = 0;  // the turn from which on the host asks the load to stop; 0: never
};

}  // namespace tolmer::testing
