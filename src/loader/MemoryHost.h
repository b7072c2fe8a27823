// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "loader/LoadHost.h"
#include "render/MemorySurface.h"
#include "render/ViewerGeometry.h"

namespace tolmer {

// A load host without a window that loads exactly as the viewer does: a surface of
// the viewer's client area, or of one made wider, with the map where the viewer puts
// it, its own height range, and a record of every status, clear and turn of its loads.
class MemoryHost : public LoadHost {
 public:
  explicit MemoryHost(Colour background = MemorySurface::kDefaultBackground,
                      std::int32_t width = kViewerWidth)
      : surface_(*this, background, width) {}

  void SetStatus(const std::string& text) override { statuses_.push_back(text); }
  DrawingSurface& Surface() override { return surface_; }
  HeightRange& Range() override { return range_; }
  MapPlacement Placement() const override { return kViewerMapPlacement; }
  void TakeTurn(const LoadProgress& progress) override {
    ++turns_;
    lastProgress_ = progress;
  }

  const MemorySurface& Picture() const { return surface_; }
  MemorySurface& Picture() { return surface_; }
  const HeightRange& Range() const { return range_; }
  const std::vector<std::string>& Statuses() const { return statuses_; }
  const std::string& LastStatus() const { return statuses_.back(); }
  // Hands over the statuses set since the last call.
  std::vector<std::string> TakeStatuses() { return std::exchange(statuses_, {}); }
  // Clears of the surface, one a load that got to pass 2.
  int Clears() const { return surface_.Clears(); }
  int Turns() const { return turns_; }
  const LoadProgress& LastProgress() const { return lastProgress_; }

 protected:
  // Called before each clear of the surface: the point between a load's two passes.
  virtual void BeforeClear() {}

 private:
  class CountingSurface : public MemorySurface {
   public:
    CountingSurface(MemoryHost& host, Colour background, std::int32_t width)
        : MemorySurface(width, kViewerHeight, background), host_(host) {}

    void ClearSurface() override {
      ++clears_;
      host_.BeforeClear();
      MemorySurface::ClearSurface();
    }
    int Clears() const { return clears_; }

   private:
    MemoryHost& host_;
    int clears_ = 0;
  };

  CountingSurface surface_;
  HeightRange range_;
  std::vector<std::string> statuses_;
  int turns_ = 0;
  LoadProgress lastProgress_;
};

}  // namespace tolmer
