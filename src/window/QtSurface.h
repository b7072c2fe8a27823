#pragma once

#include <QImage>
#include <QWidget>

#include "render/DrawingSurface.h"

namespace tolmer {

// The map area: a widget over Form1's whole client area that keeps the painted map
// in an image and shows it whenever the window system asks, so the map survives
// covering, minimising and resizing. Loads write straight into the image's pixels.
class QtSurface : public QWidget, public DrawingSurface {
  Q_OBJECT

 public:
  explicit QtSurface(QWidget* parent);

  // Makes the image the widget's current size, fills it with the window's background
  // colour and puts that on the screen before returning.
  void ClearSurface() override;
  SurfaceHandle hDC() override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // R, G, B, X bytes per pixel, the layout SetPixel writes. It changes size only
  // in ClearSurface, so a resize during a load cannot move pixels under the loader.
  QImage image_;
};

}  // namespace tolmer
