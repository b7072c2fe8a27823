// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>
#include <functional>
#include <utility>

#include "render/Colour.h"
#include "render/DrawingSurface.h"
#include "render/ViewerGeometry.h"

namespace tolmer {

// The pixels of an image in the layout SetPixel writes: R, G, B, X bytes.
inline SurfaceHandle HandleOf(QImage& image) {
  return SurfaceHandle{image.bits(), image.width(), image.height(), image.bytesPerLine()};
}

// An image of `size` in that layout, all `background`; null when there is no
// memory for it.
inline QImage BlankImage(QSize size, const QColor& background) {
  QImage image(size, QImage::Format_RGBX8888);
  if (!image.isNull()) {
    image.fill(background);
  }
  return image;
}

// A rectangle of the client area as Qt takes it.
inline QRect ToQRect(const PixelRect& rect) {
  return QRect(rect.left, rect.top, rect.width, rect.height);
}

inline QColor ToQColor(Colour colour) {
  return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour));
}

// A drawing surface held in an image, for a load running off the window's thread.
// Each clear makes the image the size the window has at that moment and hands the
// blank image to `onCleared`, which shows it.
class ImageSurface : public DrawingSurface {
 public:
  using SizeSource = std::function<QSize()>;
  using ClearListener = std::function<void(const QImage& blank)>;

  ImageSurface(SizeSource size, QColor background, ClearListener onCleared)
      : size_(std::move(size)), background_(background), onCleared_(std::move(onCleared)) {}

  void ClearSurface() override {
    image_ = BlankImage(size_(), background_);
    cleared_ = true;
    onCleared_(image_);
  }
  SurfaceHandle hDC() override { return HandleOf(image_); }

  bool IsCleared() const { return cleared_; }
  const QImage& Image() const { return image_; }

 private:
  SizeSource size_;
  QColor background_;
  ClearListener onCleared_;
  QImage image_;
  bool cleared_ = false;
};

}  // namespace tolmer
