#pragma once

#include <functional>
#include <string>
#include <vector>

#include "loader/LoadHost.h"
#include "render/MemorySurface.h"

namespace tolmer::testing {

inline constexpr std::int32_t kWindowWidth = 617;
inline constexpr std::int32_t kWindowHeight = 503;

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

// A load host the size of the viewer's window that records every status it is given.
class RecordingHost : public LoadHost {
 public:
  explicit RecordingHost(Colour background = MemorySurface::kDefaultBackground)
      : surface(kWindowWidth, kWindowHeight, background) {}

  void SetStatus(const std::string& text) override { statuses.push_back(text); }
  DrawingSurface& Surface() override { return surface; }
  HeightRange& Range() override { return range; }
  void WhileLoading() override {
    ++beats;
    if (onWhileLoading) {
      onWhileLoading();
    }
  }

  const std::string& lastStatus() const { return statuses.back(); }

  ObservedSurface surface;
  HeightRange range;
  std::vector<std::string> statuses;
  int beats = 0;
  std::function<void()> onWhileLoading;
};

}  // namespace tolmer::testing
