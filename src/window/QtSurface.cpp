#include "window/QtSurface.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

namespace tolmer {

QtSurface::QtSurface(QWidget* parent) : QWidget(parent) {
  // paintEvent covers every pixel itself: with the image, or the background around it.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void QtSurface::ClearSurface() {
  if (image_.size() != size()) {
    image_ = QImage(size(), QImage::Format_RGBX8888);
  }
  image_.fill(palette().color(QPalette::Window));
  repaint();
}

SurfaceHandle QtSurface::hDC() {
  return SurfaceHandle{image_.bits(), image_.width(), image_.height(), image_.bytesPerLine()};
}

void QtSurface::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.drawImage(QPoint(0, 0), image_);
  // A window enlarged since the last load shows background beyond the old picture.
  const QRegion uncovered = QRegion(event->rect()).subtracted(QRegion(image_.rect()));
  for (const QRect& rect : uncovered) {
    painter.fillRect(rect, palette().window());
  }
}

}  // namespace tolmer
