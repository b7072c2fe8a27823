// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/MapReadout.h"

#include <QLocale>
#include <QRectF>
#include <QStringList>
#include <QToolTip>
#include <cmath>

#include "window/ImageSurface.h"
#include "window/MapLegend.h"

namespace tolmer {
namespace {

// A pointer's position comes as device pixels over the ratio; this much of a device
// pixel absorbs the rounding of that division.
constexpr double kDeviceSlack = 1e-6;

// Enough digits to tell a float from its neighbours.
QString Number(double value) {
  return HeightText(value, 9);
}

// Column and row as stored in the file, the record number, then the cell's values.
QString DescribeCell(const CellReading& reading) {
  const CellRecord& cell = reading.values;
  const QLocale locale = ShownNumbers();
  // A decimal comma would run into the commas between the heights.
  const QString gap =
      locale.decimalPoint() == QStringLiteral(",") ? QStringLiteral("; ") : QStringLiteral(", ");
  return QStringLiteral("Column %1, row %2, record %3\nHeights %4\nType %5")
      .arg(locale.toString(reading.cell.column), locale.toString(reading.storedRow),
           locale.toString(reading.record),
           QStringList{Number(cell.Height1), Number(cell.Height2), Number(cell.Height3),
                       Number(cell.Height4)}
               .join(gap),
           locale.toString(cell.CellType));
}

// The centre of the picture's pixel that is painted at `position`. The painter scales
// the picture by `ratio` to device pixels, each showing the pixel under its centre, and
// a centre on the boundary of two pixels shows the first.
QPointF PaintedPixelCentre(QPointF position, double ratio) {
  const auto axis = [ratio](double at) {
    const double device = std::floor(at * ratio + kDeviceSlack);
    return std::ceil((device + 0.5) / ratio) - 0.5;
  };
  return QPointF(axis(position.x()), axis(position.y()));
}

// The height of the corner of `cell` painted at `at`, a pixel's centre.
float CornerUnder(const CellRecord& cell, const Viewport& view, QPointF at) {
  const double across = (at.x() - view.left) / view.scale;
  const double down = (at.y() - view.top) / view.scale;
  const bool right = across - std::floor(across) >= 0.5;
  const bool lower = down - std::floor(down) >= 0.5;
  return lower ? (right ? cell.Height2 : cell.Height1) : (right ? cell.Height4 : cell.Height3);
}

}  // namespace

MapReadout::MapReadout(QWidget& map, MapLegend& legend)
    : map_(map),
      legend_(legend),
      reads_(this, [this](Request& request, std::stop_token) { Read(request); }) {}

void MapReadout::Follow(QPointF position) {
  at_ = position;
  const std::optional<PictureCell> cell = CellUnder(position);
  if (!cell) {
    Hide();
    return;
  }
  reads_.Post(Request{place_.grid, *cell, place_.generation}, false);
}

void MapReadout::Moved(const MapPlace& place) {
  place_ = place;
  if (at_) {
    Follow(*at_);
  }
}

void MapReadout::Forget() {
  at_.reset();
  Hide();
}

void MapReadout::Read(Request& request) {
  outbox_.Post([this, reading = ReadCell(*request.grid, request.cell),
                generation = request.generation] { Show(reading, generation); });
}

void MapReadout::Show(const CellReading& reading, quint64 generation) {
  const std::optional<PictureCell> under = at_ ? CellUnder(*at_) : std::nullopt;
  if (generation != place_.generation || !under || under->column != reading.cell.column ||
      under->row != reading.cell.row || !reading.result.IsDone()) {
    return;
  }
  legend_.SetMark(
      CornerUnder(reading.values, place_.view, PaintedPixelCentre(*at_, map_.devicePixelRatioF())));
  const QString text = DescribeCell(reading);
  map_.setAccessibleDescription(text);
  // Beside the pointer, as a tooltip would be, so that no pixel of the map changes.
  QToolTip::showText(map_.mapToGlobal(at_->toPoint() + QPoint(16, 16)), text, &map_);
}

void MapReadout::Hide() {
  QToolTip::hideText();
  legend_.SetMark(std::nullopt);
  map_.setAccessibleDescription(QString());
}

// The cell whose pixels are painted at `position`, at the screen's device pixel ratio.
std::optional<PictureCell> MapReadout::CellUnder(QPointF position) const {
  const QPointF painted = PaintedPixelCentre(position, map_.devicePixelRatioF());
  if (!place_.grid || !QRectF(ToQRect(place_.area)).contains(painted)) {
    return std::nullopt;
  }
  return CellAt(place_.view, painted.x(), painted.y(), ExtentOf(place_.grid->header));
}

}  // namespace tolmer
