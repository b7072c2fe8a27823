// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/Minimap.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "window/ImageSurface.h"

namespace tolmer {
namespace {

constexpr double kMostWidth = 160.0;
constexpr double kMostHeight = 120.0;
// A thin grid still gets a strip a pointer can hit.
constexpr int kLeastSide = 8;
constexpr int kFrame = 1;
constexpr int kGap = 5;  // between the minimap and the edges of the map area
constexpr Qt::GlobalColor kOutline = Qt::red;

// The picture's side for a grid side of `cells` at `scale` pixels a cell.
int Side(std::int64_t cells, double scale, double most) {
  return static_cast<int>(
      std::clamp(std::round(static_cast<double>(cells) * scale), double{kLeastSide}, most));
}

// The part [first, end) of a side of `cells` cells shown by `extent` pixels of the map
// from `start`, with the grid's corner at `origin`: in cells, within the grid.
std::pair<double, double> ShownCells(double start, double extent, double origin, double scale,
                                     std::int64_t cells) {
  const auto whole = static_cast<double>(cells);
  return {std::clamp((start - origin) / scale, 0.0, whole),
          std::clamp((start + extent - origin) / scale, 0.0, whole)};
}

}  // namespace

Minimap::Minimap(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Minimap"));
  setAccessibleName(QStringLiteral("Minimap"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  // Hovering here reads out no cell of the map beneath.
  setMouseTracking(true);
  hide();
}

void Minimap::SetWanted(bool wanted) {
  wanted_ = wanted;
  Place(view_, area_);
}

void Minimap::SetPicture(const QImage& backdrop, const GridExtent& grid) {
  grid_ = grid;
  picture_ = QImage();
  if (!backdrop.isNull() && !grid.IsEmpty()) {
    const double scale = std::min(kMostWidth / static_cast<double>(grid.width),
                                  kMostHeight / static_cast<double>(grid.height));
    picture_ =
        backdrop.scaled(Side(grid.width, scale, kMostWidth), Side(grid.height, scale, kMostHeight),
                        Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  Place(view_, area_);
}

void Minimap::Place(const Viewport& view, const PixelRect& area) {
  view_ = view;
  area_ = area;
  const QSize size = picture_.size() + QSize(2 * kFrame, 2 * kFrame);
  const QRect map = ToQRect(area);
  setGeometry(QRect(map.right() + 1 - kGap - size.width(), map.bottom() + 1 - kGap - size.height(),
                    size.width(), size.height()));
  const CellSpan shown = VisibleCells(view, grid_, area);
  const bool whole = shown.firstColumn == 0 && shown.endColumn == grid_.width &&
                     shown.firstRow == 0 && shown.endRow == grid_.height;
  setVisible(wanted_ && !picture_.isNull() && !whole && map.contains(geometry()));
  update();
}

QRectF Minimap::PictureRect() const {
  return QRectF(kFrame, kFrame, picture_.width(), picture_.height());
}

void Minimap::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::WindowText));
  const QRectF picture = PictureRect();
  painter.drawImage(picture.topLeft(), picture_);
  // The view's part, at least a pixel each way however long and thin the grid.
  const auto [left, right] =
      ShownCells(area_.left, area_.width, view_.left, view_.scale, grid_.width);
  const auto [top, bottom] =
      ShownCells(area_.top, area_.height, view_.top, view_.scale, grid_.height);
  const double across = picture.width() / static_cast<double>(grid_.width);
  const double down = picture.height() / static_cast<double>(grid_.height);
  const int x = static_cast<int>(std::floor(picture.left() + left * across));
  const int y = static_cast<int>(std::floor(picture.top() + top * down));
  const int width = std::max(1, static_cast<int>(std::ceil(picture.left() + right * across)) - x);
  const int height = std::max(1, static_cast<int>(std::ceil(picture.top() + bottom * down)) - y);
  painter.setClipRect(picture);
  for (const QRect& edge : {QRect(x, y, width, 1), QRect(x, y + height - 1, width, 1),
                            QRect(x, y, 1, height), QRect(x + width - 1, y, 1, height)}) {
    painter.fillRect(edge, kOutline);
  }
}

void Minimap::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    CentreAt(event->position());
  }
  event->accept();
}

void Minimap::mouseMoveEvent(QMouseEvent* event) {
  if ((event->buttons() & Qt::LeftButton) != 0) {
    CentreAt(event->position());
  }
  event->accept();
}

void Minimap::CentreAt(QPointF position) {
  const QRectF picture = PictureRect();
  const double across = std::clamp((position.x() - picture.left()) / picture.width(), 0.0, 1.0);
  const double down = std::clamp((position.y() - picture.top()) / picture.height(), 0.0, 1.0);
  emit centreWanted(across * static_cast<double>(grid_.width),
                    down * static_cast<double>(grid_.height));
}

}  // namespace tolmer
