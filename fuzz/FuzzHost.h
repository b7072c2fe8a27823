#pragma once

#include <string>
#include <vector>

#include "loader/LoadHost.h"
#include "render/MemorySurface.h"

namespace tolmer::fuzz {

// The viewer's client area size, so that clipping works as in the window.
inline constexpr std::int32_t kSurfaceWidth = 617;
inline constexpr std::int32_t kSurfaceHeight = 503;

class CountingSurface : public MemorySurface {
 public:
  using MemorySurface::MemorySurface;

  void ClearSurface() override {
    ++clears;
    MemorySurface::ClearSurface();
  }

  int clears = 0;
};

// A load host that remembers every status and how often the surface was cleared.
class FuzzHost : public LoadHost {
 public:
  void SetStatus(const std::string& text) override { statuses.push_back(text); }
  DrawingSurface& Surface() override { return surface; }
  HeightRange& Range() override { return range; }

  CountingSurface surface{kSurfaceWidth, kSurfaceHeight};
  HeightRange range;
  std::vector<std::string> statuses;
};

}  // namespace tolmer::fuzz
