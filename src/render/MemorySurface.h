// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

#include "render/DrawingSurface.h"

namespace tolmer {

// A drawing surface held in memory, for loads without a window.
class MemorySurface : public DrawingSurface {
 public:
  static constexpr Colour kDefaultBackground = MakeColour(0xEF, 0xEF, 0xEF);

  MemorySurface(std::int32_t width, std::int32_t height, Colour background = kDefaultBackground);

  void ClearSurface() override;
  SurfaceHandle hDC() override;

  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }
  Colour Background() const { return background_; }
  Colour PixelAt(std::int32_t x, std::int32_t y) const;
  // R, G, B, X bytes row after row, as SetPixel writes them.
  const std::vector<unsigned char>& Bytes() const { return bytes_; }

 private:
  std::int32_t width_;
  std::int32_t height_;
  Colour background_;
  std::vector<unsigned char> bytes_;
};

}  // namespace tolmer
