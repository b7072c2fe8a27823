// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <functional>
#include <utility>

#include "render/DrawingSurface.h"

namespace tolmer {

// A drawing surface held in an image, for a load running off the window's thread.
// Each clear makes the image the size the window has at that moment and hands the
// blank image to `onCleared`, which shows it.
class ImageSurface : public DrawingSurface {
 public:
  using SizeSource = std::function<QSize()>;
  using ClearListener = std::function<void(const QImage& blank)>;

  ImageSurface(SizeSource size, QColor background, ClearListener onCleared)
      : size_(std::move(size)), background_(background), onCleared_(std::move(onCleared)) {}

  void ClearSurface() override;
  SurfaceHandle hDC() override;

  bool IsCleared() const { return cleared_; }
  // R, G, B, X bytes per pixel, the layout SetPixel writes.
  const QImage& Image() const { return image_; }

 private:
  SizeSource size_;
  QColor background_;
  ClearListener onCleared_;
  QImage image_;
  bool cleared_ = false;
};

}  // namespace tolmer
