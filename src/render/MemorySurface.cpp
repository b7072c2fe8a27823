// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "render/MemorySurface.h"

#include <algorithm>
#include <stdexcept>

namespace tolmer {
namespace {

std::size_t ByteCount(std::int32_t width, std::int32_t height) {
  if (width < 0 || height < 0) {
    throw std::invalid_argument("negative surface size");
  }
  return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
}

}  // namespace

MemorySurface::MemorySurface(std::int32_t width, std::int32_t height, Colour background)
    : width_(width), height_(height), background_(background), bytes_(ByteCount(width, height)) {
  ClearSurface();
}

void MemorySurface::ClearSurface() {
  if (bytes_.empty()) {
    return;
  }
  // One pixel as SetPixel writes it, then copies of it: a clear is part of every
  // load, and pixel by pixel it took milliseconds.
  SetPixel(hDC(), 0, 0, background_);
  for (std::size_t filled = 4; filled < bytes_.size(); filled *= 2) {
    std::copy_n(bytes_.begin(), std::min(filled, bytes_.size() - filled),
                bytes_.begin() + static_cast<std::ptrdiff_t>(filled));
  }
}

SurfaceHandle MemorySurface::hDC() {
  return SurfaceHandle{bytes_.data(), width_, height_, std::ptrdiff_t{width_} * 4};
}

Colour MemorySurface::PixelAt(std::int32_t x, std::int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) {
    throw std::out_of_range("pixel outside the surface");
  }
  const unsigned char* pixel =
      bytes_.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                       static_cast<std::size_t>(x)) *
                          4;
  return MakeColour(pixel[0], pixel[1], pixel[2]);
}

}  // namespace tolmer
