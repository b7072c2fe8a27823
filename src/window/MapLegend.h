// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <QLocale>
#include <QRect>
#include <QWidget>
#include <optional>

#include "render/HeightRange.h"

class QLabel;

namespace tolmer {

// The user's locale as the map shows numbers in it: without group separators, so
// that a record number reads as the file counts it and a height stays one word.
QLocale ShownNumbers();
// A height as shown to a person, to `digits` significant digits.
QString HeightText(double height, int digits);

// A small colour bar over a corner of the map: the green and the blue ramp side by
// side, from the range's low end at the bottom to its high end at the top, each end
// labelled, and a mark at the height under the pointer.
class MapLegend : public QWidget {
  Q_OBJECT

 public:
  explicit MapLegend(QWidget* parent);

  // The range the picture was shaded with.
  void SetRange(const HeightRange& range);
  // The height under the pointer, or none.
  void SetMark(std::optional<float> height);
  // Whether the user asked for the legend; it shows only where it fits whole.
  void SetWanted(bool wanted);
  bool Wanted() const { return wanted_; }
  // Over the top right corner of `area`, shortened to fit it, or left out.
  void Place(const QRect& area);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QRect BarRect(int bar) const;
  QSize LabelSize() const;

  HeightRange range_;
  std::optional<float> mark_;
  bool wanted_ = false;
  QRect area_;
  QLabel* high_;
  QLabel* low_;
};

}  // namespace tolmer
