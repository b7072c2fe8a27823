// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/MapLegend.h"

#include <QLabel>
#include <QPainter>
#include <algorithm>

#include "render/CellColor.h"
#include "window/ImageSurface.h"

namespace tolmer {
namespace {

constexpr int kWidth = 108;   // at least: a longer label widens the legend
constexpr int kHeight = 160;  // at most: a low map area shortens it
constexpr int kBarWidth = 14;
constexpr int kMargin = 4;
constexpr int kLabelHeight = 16;
constexpr int kLabelLeft = kMargin + 2 * kBarWidth + kMargin;
constexpr int kGap = 5;  // between the legend and the edges of the map area
constexpr int kDigits = 6;

}  // namespace

QLocale ShownNumbers() {
  QLocale locale;
  locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
  return locale;
}

QString HeightText(double height, int digits) {
  const QLocale locale = ShownNumbers();
  QString text = locale.toString(height, 'g', digits);
  // The viewer's own lower-case exponent, where the locale's is merely its capital.
  if (locale.exponential() == QStringLiteral("E")) {
    text.replace(QLatin1Char('E'), QLatin1Char('e'));
  }
  return text;
}

MapLegend::MapLegend(QWidget* parent)
    : QWidget(parent), high_(new QLabel(this)), low_(new QLabel(this)) {
  setObjectName(QStringLiteral("Legend"));
  setAccessibleName(QStringLiteral("Legend"));
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::ToolTipBase);
  high_->setObjectName(QStringLiteral("LegendHigh"));
  low_->setObjectName(QStringLiteral("LegendLow"));
  SetRange(range_);
}

void MapLegend::SetRange(const HeightRange& range) {
  range_ = range;
  high_->setText(HeightText(range.MaxHeight, kDigits));
  low_->setText(HeightText(range.MinHeight, kDigits));
  setAccessibleDescription(
      QStringLiteral("Heights from %1 to %2").arg(low_->text(), high_->text()));
  Place(area_);
  update();
}

void MapLegend::SetWanted(bool wanted) {
  wanted_ = wanted;
  Place(area_);
}

void MapLegend::Place(const QRect& area) {
  area_ = area;
  const QSize label = LabelSize();
  const int width = std::max(kWidth, kLabelLeft + label.width() + kMargin);
  const int height = std::min(kHeight, area.height() - 2 * kGap);
  // Any lower, and the two labels would overlap.
  const int least = 2 * (kMargin + label.height()) + kMargin;
  setGeometry(area.right() + 1 - kGap - width, area.top() + kGap, width, std::max(height, least));
  setVisible(wanted_ && height >= least);
}

QSize MapLegend::LabelSize() const {
  const QSize high = high_->sizeHint();
  const QSize low = low_->sizeHint();
  return {std::max(high.width(), low.width()),
          std::max({kLabelHeight, high.height(), low.height()})};
}

void MapLegend::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const QSize label(width() - kLabelLeft - kMargin, LabelSize().height());
  high_->setGeometry(QRect(QPoint(kLabelLeft, kMargin), label));
  low_->setGeometry(QRect(QPoint(kLabelLeft, height() - kMargin - label.height()), label));
}

void MapLegend::SetMark(std::optional<float> height) {
  if (height != mark_) {
    mark_ = height;
    update();
  }
}

QRect MapLegend::BarRect(int bar) const {
  return QRect(kMargin + bar * kBarWidth, kMargin, kBarWidth, height() - 2 * kMargin);
}

void MapLegend::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  // The high end at the top, as the ramps darken with height.
  const double span = static_cast<double>(range_.MaxHeight) - range_.MinHeight;
  for (int bar = 0; bar < 2; ++bar) {
    const QRect rect = BarRect(bar);
    for (int row = 0; row < rect.height(); ++row) {
      const double fraction = rect.height() > 1 ? 1.0 - row / (rect.height() - 1.0) : 1.0;
      const auto height = static_cast<float>(range_.MinHeight + fraction * span);
      Colour colour = 0;
      CellColor(range_, height, bar, colour);
      painter.setPen(ToQColor(colour));
      painter.drawLine(rect.left(), rect.top() + row, rect.right(), rect.top() + row);
    }
  }
  if (mark_ && span > 0.0) {
    const QRect bars = BarRect(0).united(BarRect(1));
    const double fraction = std::clamp((range_.MaxHeight - *mark_) / span, 0.0, 1.0);
    const int y = bars.top() + static_cast<int>(fraction * (bars.height() - 1));
    painter.setPen(palette().color(QPalette::ToolTipText));
    painter.drawLine(bars.left() - 2, y, bars.right() + 2, y);
  }
}

}  // namespace tolmer
