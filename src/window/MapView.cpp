// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/MapView.h"

#include <QContextMenuEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QShortcut>
#include <QToolTip>
#include <QWheelEvent>
#include <cmath>
#include <utility>

#include "window/MapLegend.h"

namespace tolmer {
namespace {

constexpr int kWheelStep = 120;  // eighths of a degree: one notch
constexpr int kPanStep = 64;     // pixels an arrow key moves the map
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

MapView::MapView(QWidget* parent)
    : QWidget(parent), notice_(new QLabel(this)), legend_(new MapLegend(this)) {
  // paintEvent covers every pixel itself: with the picture, or the background around it.
  setAttribute(Qt::WA_OpaquePaintEvent);
  // A click gives the map the keys of its own, and so does Tab, after the controls.
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  notice_->setObjectName(QStringLiteral("MapNotice"));
  notice_->setWordWrap(true);
  notice_->setAutoFillBackground(true);
  notice_->setBackgroundRole(QPalette::ToolTipBase);
  notice_->setForegroundRole(QPalette::ToolTipText);
  notice_->setMargin(4);
  notice_->hide();
  // Off until asked for, so that the picture stays exactly the load's.
  legend_->hide();
  AddShortcuts();
  connect(&worker_, &ViewWorker::viewDrawn, this, &MapView::OnViewDrawn);
  connect(&worker_, &ViewWorker::viewStale, this, &MapView::OnViewStale);
  connect(&worker_, &ViewWorker::cellRead, this, &MapView::OnCellRead);
  connect(&worker_, &ViewWorker::progressChanged, this, [this](double fraction, quint64 serial) {
    if (serial == generation_) {
      emit viewProgress(fraction);
    }
  });
}

// Window-wide, as the text box has no use for them.
void MapView::AddShortcuts() {
  const auto add = [this](QKeySequence keys, auto action) {
    auto* shortcut = new QShortcut(keys, this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, action);
  };
  add(QKeySequence(Qt::CTRL | Qt::Key_0), [this] { ShowActualSize(); });
  add(QKeySequence::ZoomIn, [this] { ZoomBy(1); });
  add(QKeySequence(Qt::CTRL | Qt::Key_Equal), [this] { ZoomBy(1); });
  add(QKeySequence::ZoomOut, [this] { ZoomBy(-1); });
}

void MapView::ShowPicture(const QImage& picture) {
  picture_ = picture;
  pictureView_ = DefaultViewport();
  view_ = DefaultViewport();
  update();
}

void MapView::SetGrid(std::shared_ptr<const LoadedGrid> grid, bool keepView) {
  grid_ = std::move(grid);
  ++generation_;
  notice_->hide();
  legend_->SetRange(grid_->range);
  if (picture_.size() != size()) {
    RequestDraw();  // the window changed size during the load
  }
  if (keepView) {
    SetView(Panned(keptView_, 0, 0, Extent(), Area()));
  }
}

void MapView::ForgetGrid() {
  grid_.reset();
  ++generation_;
  notice_->hide();
  ForgetReadout();
  dragFrom_.reset();
}

void MapView::ToggleLegend() {
  legend_->SetWanted(!legend_->Wanted() && grid_);
  PlaceOverlays();
}

void MapView::PlaceOverlays() {
  const PixelRect area = Area();
  legend_->Place(ToQRect(area));
  notice_->setMaximumWidth(std::max(1, width() - 10));
  notice_->adjustSize();
  notice_->move(5, height() - notice_->height() - 5);
}

void MapView::FitGrid() {
  SetView(FitViewport(Extent(), Area()));
}

void MapView::ShowActualSize() {
  SetView(DefaultViewport());
}

void MapView::ZoomBy(int steps) {
  ZoomAbout(steps, Centre());
}

void MapView::ZoomAbout(int steps, QPointF point) {
  SetView(Zoomed(view_, steps, point.x(), point.y(), Extent(), Area()));
}

void MapView::PanBy(QPointF delta) {
  SetView(Panned(view_, delta.x(), delta.y(), Extent(), Area()));
}

void MapView::SetView(const Viewport& view) {
  if (!grid_ || view == view_) {
    return;
  }
  view_ = view;
  RequestDraw();
  update();
  if (readAt_) {
    ShowCellUnder(*readAt_);
  }
}

void MapView::RequestDraw() {
  if (grid_) {
    worker_.Draw(ViewWorker::ViewRequest{grid_, view_, size(), palette().color(QPalette::Window),
                                         generation_});
  }
}

void MapView::OnViewDrawn(const QImage& image, const Viewport& view, quint64 serial) {
  if (serial != generation_) {
    return;
  }
  picture_ = image;
  pictureView_ = view;
  update();
  if (view == view_) {
    emit viewSettled();
  }
}

void MapView::OnViewStale(const QString& reason, quint64 serial) {
  if (serial != generation_) {
    return;
  }
  ShowNotice(QStringLiteral("%1 changed since it was loaded: %2. Show reloads it.")
                 .arg(QFile::decodeName(QByteArray::fromStdString(grid_->fileName)), reason));
  emit viewSettled();
}

void MapView::ShowNotice(const QString& text) {
  notice_->setText(text);
  PlaceOverlays();
  notice_->show();
}

QImage MapView::ShownPicture() {
  return grab(ToQRect(Area())).toImage();
}

void MapView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  if (pictureView_ == view_) {
    painter.drawImage(QPoint(0, 0), picture_);
    // A window enlarged since the picture was drawn shows background beyond it.
    const QRegion uncovered = QRegion(event->rect()).subtracted(QRegion(picture_.rect()));
    for (const QRect& rect : uncovered) {
      painter.fillRect(rect, palette().window());
    }
    return;
  }
  // The picture on hand, moved and scaled to the view wanted, in the map area only.
  painter.fillRect(event->rect(), palette().window());
  const QRect area = ToQRect(Area());
  painter.setClipRect(area);
  const double factor = view_.scale / pictureView_.scale;
  painter.translate(view_.left - pictureView_.left * factor, view_.top - pictureView_.top * factor);
  painter.scale(factor, factor);
  const QRect mapPart = QRect(QPoint(0, area.top()), picture_.rect().bottomRight());
  painter.drawImage(mapPart.topLeft(), picture_, mapPart);
}

void MapView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  notice_->hide();
  PlaceOverlays();
  RequestDraw();
}

void MapView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    dragFrom_ = event->position().toPoint();
    ForgetReadout();
  }
  QWidget::mousePressEvent(event);
}

void MapView::mouseMoveEvent(QMouseEvent* event) {
  if (dragFrom_ && (event->buttons() & Qt::LeftButton) != 0) {
    const QPoint position = event->position().toPoint();
    PanBy(position - *dragFrom_);
    dragFrom_ = position;
    return;
  }
  ShowCellUnder(event->position());
}

void MapView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    dragFrom_.reset();
  }
  QWidget::mouseReleaseEvent(event);
}

void MapView::wheelEvent(QWheelEvent* event) {
  wheelAngle_ += event->angleDelta().y();
  const int steps = wheelAngle_ / kWheelStep;
  wheelAngle_ -= steps * kWheelStep;
  if (steps != 0) {
    ZoomAbout(steps, event->position());
  }
  event->accept();
}

void MapView::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_F:
      FitGrid();
      break;
    case Qt::Key_Home:
      ShowActualSize();
      break;
    case Qt::Key_L:
      ToggleLegend();
      break;
    case Qt::Key_Left:
      PanBy(QPointF(kPanStep, 0));
      break;
    case Qt::Key_Right:
      PanBy(QPointF(-kPanStep, 0));
      break;
    case Qt::Key_Up:
      PanBy(QPointF(0, kPanStep));
      break;
    case Qt::Key_Down:
      PanBy(QPointF(0, -kPanStep));
      break;
    case Qt::Key_I:
      ShowCellUnder(Centre());
      break;
    case Qt::Key_F10:
      if (event->modifiers() != Qt::ShiftModifier) {
        QWidget::keyPressEvent(event);
        return;
      }
      ShowMenu(mapToGlobal(Centre().toPoint()));
      break;
    // Where the window system turns the Menu key into a context menu event too, that
    // comes first, and the open menu takes the key.
    case Qt::Key_Menu:
      ShowMenu(mapToGlobal(Centre().toPoint()));
      break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  event->accept();
}

// Tab's arrival shows the readout of the centre cell: the map has no focus frame, and
// so the readout tells where the keys went.
void MapView::focusInEvent(QFocusEvent* event) {
  if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason) {
    ShowCellUnder(Centre());
  }
  QWidget::focusInEvent(event);
}

void MapView::focusOutEvent(QFocusEvent* event) {
  ForgetReadout();
  QWidget::focusOutEvent(event);
}

void MapView::contextMenuEvent(QContextMenuEvent* event) {
  ShowMenu(event->globalPos());
}

void MapView::ShowMenu(QPoint globalPosition) {
  auto* menu = new QMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  const bool navigable = static_cast<bool>(grid_);
  const auto add = [&](const QString& text, const QKeySequence& keys, auto action) {
    QAction* item = menu->addAction(text, this, action);
    item->setShortcut(keys);
    item->setEnabled(navigable);
  };
  add(QStringLiteral("Fit the Grid"), QKeySequence(Qt::Key_F), [this] { FitGrid(); });
  add(QStringLiteral("Actual Size"), QKeySequence(Qt::CTRL | Qt::Key_0),
      [this] { ShowActualSize(); });
  add(QStringLiteral("Zoom In"), QKeySequence::ZoomIn, [this] { ZoomBy(1); });
  add(QStringLiteral("Zoom Out"), QKeySequence::ZoomOut, [this] { ZoomBy(-1); });
  add(QStringLiteral("Legend"), QKeySequence(Qt::Key_L), [this] { ToggleLegend(); });
  menu->actions().back()->setCheckable(true);
  menu->actions().back()->setChecked(legend_->Wanted());
  add(QStringLiteral("Cell at the Centre"), QKeySequence(Qt::Key_I),
      [this] { ShowCellUnder(Centre()); });
  menu->addSeparator();
  menu->addAction(QStringLiteral("Pan: drag, or the arrow keys"))->setEnabled(false);
  menu->addAction(QStringLiteral("Zoom about the pointer: the wheel"))->setEnabled(false);
  menu->addSeparator();
  menu->addActions(windowActions_);
  // Not exec(): the window goes on drawing while the menu is open.
  menu->popup(globalPosition);
}

void MapView::leaveEvent(QEvent* event) {
  ForgetReadout();
  QWidget::leaveEvent(event);
}

void MapView::ShowCellUnder(QPointF position) {
  readAt_ = position;
  const std::optional<PictureCell> cell = CellUnder(position);
  if (!cell) {
    HideReadout();
    return;
  }
  worker_.Read(ViewWorker::CellRequest{grid_, *cell, generation_});
}

// The cell whose pixels are painted at `position`, at the screen's device pixel ratio.
std::optional<PictureCell> MapView::CellUnder(QPointF position) const {
  const QPointF painted = PaintedPixelCentre(position, devicePixelRatioF());
  if (!grid_ || !QRectF(ToQRect(Area())).contains(painted)) {
    return std::nullopt;
  }
  return CellAt(view_, painted.x(), painted.y(), Extent());
}

void MapView::OnCellRead(const CellReading& reading, quint64 serial) {
  const std::optional<PictureCell> under = readAt_ ? CellUnder(*readAt_) : std::nullopt;
  if (serial != generation_ || !under || under->column != reading.cell.column ||
      under->row != reading.cell.row || !reading.result.IsDone()) {
    return;
  }
  legend_->SetMark(
      CornerUnder(reading.values, view_, PaintedPixelCentre(*readAt_, devicePixelRatioF())));
  const QString text = DescribeCell(reading);
  setAccessibleDescription(text);
  // Beside the pointer, as a tooltip would be, so that no pixel of the map changes.
  QToolTip::showText(mapToGlobal(readAt_->toPoint() + QPoint(16, 16)), text, this);
}

void MapView::ForgetReadout() {
  readAt_.reset();
  HideReadout();
}

void MapView::HideReadout() {
  QToolTip::hideText();
  legend_->SetMark(std::nullopt);
  setAccessibleDescription(QString());
}

GridExtent MapView::Extent() const {
  return grid_ ? ExtentOf(grid_->header) : GridExtent{};
}

PixelRect MapView::Area() const {
  return MapArea(width(), height());
}

QPointF MapView::Centre() const {
  const PixelRect area = Area();
  return QPointF(area.left + area.width / 2.0, area.top + area.height / 2.0);
}

}  // namespace tolmer
