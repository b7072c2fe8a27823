// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QRectF>
#include <QWidget>

#include "render/Viewport.h"

namespace tolmer {

// The whole grid, small, over the lower right corner of the map area, with the part
// the view shows outlined. A click or a drag in it centres the view there. It shows
// only when asked for and while part of the grid is out of view.
class Minimap : public QWidget {
  Q_OBJECT

 public:
  explicit Minimap(QWidget* parent);

  void SetWanted(bool wanted);
  bool Wanted() const { return wanted_; }
  // The grid's backdrop, or a null image while there is none.
  void SetPicture(const QImage& backdrop, const GridExtent& grid);
  // Where the map shows the grid now.
  void Place(const Viewport& view, const PixelRect& area);

 signals:
  // The view is wanted centred on the point (column, row) of the grid, in cells.
  void centreWanted(double column, double row);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  QRectF PictureRect() const;
  void CentreAt(QPointF position);

  QImage picture_;  // the backdrop at the minimap's size
  GridExtent grid_;
  Viewport view_;
  PixelRect area_;
  bool wanted_ = false;
};

}  // namespace tolmer
