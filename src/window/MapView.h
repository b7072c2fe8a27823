// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QWidget>

namespace tolmer {

// The map area: a widget over Form1's whole client area that shows the latest
// picture a load has handed over, whenever the window system asks, so the map
// survives covering, minimising and resizing. Beyond the picture it shows the
// window's background.
class MapView : public QWidget {
  Q_OBJECT

 public:
  explicit MapView(QWidget* parent);

  void ShowPicture(const QImage& picture);
  const QImage& Picture() const { return picture_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage picture_;
};

}  // namespace tolmer
