// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

#include "render/Colour.h"

namespace tolmer {

// Direct access to a surface's pixels: rows of 4-byte pixels stored as R, G, B, X
// bytes (QImage::Format_RGBX8888), whatever the host's byte order.
struct SurfaceHandle {
  unsigned char* bits = nullptr;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::ptrdiff_t bytesPerLine = 0;
};

// Sets one pixel; a pixel outside the surface is dropped.
inline void SetPixel(const SurfaceHandle& hdc, std::int64_t x, std::int64_t y, Colour colour) {
  if (x < 0 || y < 0 || x >= hdc.width || y >= hdc.height) {
    return;
  }
  unsigned char* pixel = hdc.bits + y * hdc.bytesPerLine + x * 4;
  pixel[0] = RedOf(colour);
  pixel[1] = GreenOf(colour);
  pixel[2] = BlueOf(colour);
  pixel[3] = 0xFF;
}

// The area a map is painted on.
class DrawingSurface {
 public:
  virtual ~DrawingSurface() = default;
  // Sets the whole surface to its background colour and shows that before returning.
  virtual void ClearSurface() = 0;
  // The pixels to paint into; valid until the next ClearSurface.
  virtual SurfaceHandle hDC() = 0;

 protected:
  DrawingSurface() = default;
  DrawingSurface(const DrawingSurface&) = default;
  DrawingSurface& operator=(const DrawingSurface&) = default;
};

}  // namespace tolmer
