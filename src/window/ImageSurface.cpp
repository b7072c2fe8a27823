// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/ImageSurface.h"

namespace tolmer {

void ImageSurface::ClearSurface() {
  image_ = QImage(size_(), QImage::Format_RGBX8888);
  image_.fill(background_);
  cleared_ = true;
  onCleared_(image_);
}

SurfaceHandle ImageSurface::hDC() {
  return SurfaceHandle{image_.bits(), image_.width(), image_.height(), image_.bytesPerLine()};
}

}  // namespace tolmer
