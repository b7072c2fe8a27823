// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/MapView.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

namespace tolmer {

MapView::MapView(QWidget* parent) : QWidget(parent) {
  // paintEvent covers every pixel itself: with the picture, or the background around it.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void MapView::ShowPicture(const QImage& picture) {
  picture_ = picture;
  update();
}

void MapView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.drawImage(QPoint(0, 0), picture_);
  // A window enlarged since the last load shows background beyond the old picture.
  const QRegion uncovered = QRegion(event->rect()).subtracted(QRegion(picture_.rect()));
  for (const QRect& rect : uncovered) {
    painter.fillRect(rect, palette().window());
  }
}

}  // namespace tolmer
