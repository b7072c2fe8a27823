// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/MapView.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

#include "render/CellAddress.h"
#include "window/GoToBar.h"
#include "window/MapLegend.h"
#include "window/Minimap.h"

namespace tolmer {
namespace {

constexpr int kWheelStep = 120;       // eighths of a degree: one notch
constexpr int kPanStep = 64;          // pixels an arrow key moves the map
constexpr int kMostReliefSteps = 12;  // doublings or halvings of the relief's heights
constexpr int kBriefNotice = 2000;    // milliseconds a note of a setting stays
// Going to a cell shows it this large at least, big enough to find at a glance.
constexpr double kGoToScale = 8.0;
constexpr int kMarkTime = 1000;  // milliseconds the cell gone to stays outlined
constexpr int kMarkWidth = 2;
constexpr Qt::GlobalColor kMarkColour = Qt::red;
}  // namespace

MapView::MapView(QWidget* parent)
    : QWidget(parent),
      notice_(new QLabel(this)),
      legend_(new MapLegend(this)),
      minimap_(new Minimap(this)),
      goTo_(new GoToBar(this)),
      readout_(*this, *legend_) {
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
  markTimer_.setSingleShot(true);
  markTimer_.setInterval(kMarkTime);
  connect(&markTimer_, &QTimer::timeout, this, [this] {
    marked_.reset();
    update();
  });
  connect(goTo_, &GoToBar::entered, this, &MapView::GoTo);
  connect(goTo_, &GoToBar::closed, this, [this] { setFocus(Qt::OtherFocusReason); });
  connect(minimap_, &Minimap::centreWanted, this, [this](double column, double row) {
    SetView(CentredAt(view_, column, row, Extent(), OpenArea()));
  });
  AddCommands();
  connect(&worker_, &ViewWorker::viewDrawn, this, &MapView::OnViewDrawn);
  connect(&worker_, &ViewWorker::viewStale, this, &MapView::OnViewStale);
  connect(&worker_, &ViewWorker::backdropDrawn, this,
          [this](const QImage& image, const Viewport& view, quint64 serial) {
            if (serial == generation_) {
              SetBackdrop(image, view);
            }
          });
  connect(&worker_, &ViewWorker::progressChanged, this, [this](double fraction, quint64 serial) {
    if (serial == generation_) {
      emit viewProgress(fraction);
    }
  });
}

// Each command once: its text, its keys, and whether it is in the map's menu. Keys
// that the text box has a use for act only while the map has the keys, through
// keyPressEvent; the others are shortcuts of the whole window.
void MapView::AddCommands() {
  struct Command {
    const char* text;
    QList<QKeySequence> mapKeys;
    QList<QKeySequence> windowKeys;
    std::function<void()> run;
    bool inMenu = true;
    std::function<bool()> isOn = {};  // for a command that turns something on and off
  };
  const Command commands[] = {
      {"Fit the Grid", {Qt::Key_F}, {}, [this] { FitGrid(); }},
      {"Actual Size", {Qt::Key_Home}, {Qt::CTRL | Qt::Key_0}, [this] { ShowActualSize(); }},
      {"Zoom In",
       {},
       {QKeySequence::ZoomIn, Qt::CTRL | Qt::Key_Equal},
       [this] { ZoomAbout(1, Centre()); }},
      {"Zoom Out", {}, {QKeySequence::ZoomOut}, [this] { ZoomAbout(-1, Centre()); }},
      {"Legend",
       {Qt::Key_L},
       {},
       [this] { ToggleLegend(); },
       true,
       [this] { return legend_->Wanted(); }},
      {"Cell at the Centre", {Qt::Key_I}, {}, [this] { readout_.Follow(Centre()); }},
      {"Relief", {Qt::Key_H}, {}, [this] { ToggleRelief(); }, true, [this] { return relief_.on; }},
      {"Steeper Relief", {Qt::SHIFT | Qt::Key_H}, {}, [this] { StepRelief(1); }},
      {"Flatter Relief", {Qt::CTRL | Qt::SHIFT | Qt::Key_H}, {}, [this] { StepRelief(-1); }},
      {"Go to a Cell…", {}, {Qt::CTRL | Qt::Key_G}, [this] { OpenGoTo(); }},
      {"Minimap",
       {Qt::Key_M},
       {},
       [this] { ToggleMinimap(); },
       true,
       [this] { return minimap_->Wanted(); }},
      {"Statistics",
       {},
       {Qt::CTRL | Qt::Key_I},
       [this] {
         statisticsShown_ = !statisticsShown_;
         emit statisticsToggled(statisticsShown_);
       },
       true,
       [this] { return statisticsShown_; }},
      {"Pan Left", {Qt::Key_Left}, {}, [this] { PanBy(QPointF(kPanStep, 0)); }, false},
      {"Pan Right", {Qt::Key_Right}, {}, [this] { PanBy(QPointF(-kPanStep, 0)); }, false},
      {"Pan Up", {Qt::Key_Up}, {}, [this] { PanBy(QPointF(0, kPanStep)); }, false},
      {"Pan Down", {Qt::Key_Down}, {}, [this] { PanBy(QPointF(0, -kPanStep)); }, false},
      {"Menu",
       {Qt::SHIFT | Qt::Key_F10, Qt::Key_Menu},
       {},
       [this] { ShowMenu(mapToGlobal(Centre().toPoint())); },
       false},
  };
  for (const Command& command : commands) {
    const auto make = [&](const QList<QKeySequence>& keys) {
      auto* action = new QAction(QString::fromUtf8(command.text), this);
      action->setShortcuts(keys);
      connect(action, &QAction::triggered, this, command.run);
      return action;
    };
    QAction* shown = nullptr;
    if (!command.windowKeys.isEmpty()) {
      shown = make(command.windowKeys);
      shown->setShortcutContext(Qt::WindowShortcut);
      addAction(shown);
    }
    if (!command.mapKeys.isEmpty()) {
      // Not added to the widget, so that its keys are no shortcuts.
      keyActions_.push_back(make(command.mapKeys));
      shown = shown != nullptr ? shown : keyActions_.back();
    }
    if (command.isOn) {
      shown->setCheckable(true);
      // Whatever the toggle made of the state, the action shows it.
      connect(shown, &QAction::triggered, this,
              [shown, isOn = command.isOn] { shown->setChecked(isOn()); });
    }
    if (command.inMenu) {
      menuActions_.push_back(shown);
    }
  }
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
  SetBackdrop(QImage(), Viewport{});
  marked_.reset();
  notice_->hide();
  if (grid_->overview.SpillFailed()) {
    ShowNotice(
        QStringLiteral("There was no room on disk for this grid's finer overview: some "
                       "zoomed-out views read the file and take longer."));
  }
  worker_.Draw(ViewWorker::ViewRequest{
      grid_, view_, size(), palette().color(QPalette::Window), generation_, true, {}});
  reliefStart_ = StartingExaggeration(grid_->overview);
  relief_.exaggeration = std::ldexp(reliefStart_, reliefSteps_);
  if (relief_.on) {
    RequestDraw();  // the load's picture has none
  }
  legend_->SetRange(grid_->range);
  readout_.Moved(Place());
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
  SetBackdrop(QImage(), Viewport{});
  marked_.reset();
  notice_->hide();
  readout_.Forget();
  readout_.Moved(Place());
  dragFrom_.reset();
}

void MapView::ToggleLegend() {
  legend_->SetWanted(!legend_->Wanted() && grid_);
  PlaceOverlays();
}

void MapView::SetCoveredRight(int pixels) {
  coveredRight_ = pixels;
  PlaceOverlays();
}

void MapView::ToggleMinimap() {
  minimap_->SetWanted(!minimap_->Wanted());
  PlaceOverlays();
}

void MapView::SetBackdrop(const QImage& image, const Viewport& view) {
  backdrop_ = image;
  backdropView_ = view;
  minimap_->SetPicture(backdrop_, Extent());
  PlaceOverlays();
}

void MapView::OpenGoTo() {
  goTo_->Open();
}

void MapView::GoTo(const QString& text) {
  if (!grid_) {
    goTo_->Say(QStringLiteral("No grid is loaded."));
    return;
  }
  const CellAddress address = ParseCellAddress(text.toStdString(), Extent());
  if (!address.cell) {
    goTo_->Say(QString::fromStdString(address.reason));
    return;
  }
  goTo_->Close();
  Viewport near = view_;
  near.scale = std::max(view_.scale, kGoToScale);
  SetView(CentredAt(near, static_cast<double>(address.cell->column) + 0.5,
                    static_cast<double>(address.cell->row) + 0.5, Extent(), OpenArea()));
  marked_ = address.cell;
  markTimer_.start();
  update();
}

// Within what the statistics panel leaves of the map, and clear of each other: the
// minimap in the lower right corner, the legend above it, the notice to its left.
void MapView::PlaceOverlays() {
  const PixelRect area = OpenArea();
  minimap_->Place(view_, area);
  QRect aboveMinimap = ToQRect(area);
  int noticeRight = width() - 5;
  if (!minimap_->isHidden()) {
    aboveMinimap.setBottom(minimap_->geometry().top() - 1);
    noticeRight = minimap_->geometry().left() - 5;
  }
  legend_->Place(aboveMinimap);
  goTo_->Place(ToQRect(area));
  notice_->setMaximumWidth(std::max(1, noticeRight - 5));
  notice_->adjustSize();
  notice_->move(5, height() - notice_->height() - 5);
}

void MapView::FitGrid() {
  SetView(FitViewport(Extent(), OpenArea()));
}

void MapView::ShowActualSize() {
  SetView(DefaultViewport());
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
  readout_.Moved(Place());
  PlaceOverlays();
}

void MapView::RequestDraw() {
  if (grid_) {
    worker_.Draw(ViewWorker::ViewRequest{grid_, view_, size(), palette().color(QPalette::Window),
                                         generation_, false, relief_});
  }
}

void MapView::ToggleRelief() {
  relief_.on = !relief_.on;
  RequestDraw();
}

void MapView::StepRelief(int steps) {
  reliefSteps_ = std::clamp(reliefSteps_ + steps, -kMostReliefSteps, kMostReliefSteps);
  relief_.exaggeration = std::ldexp(reliefStart_, reliefSteps_);
  const QString text = QStringLiteral("Relief heights \u00D7%1").arg(std::ldexp(1.0, reliefSteps_));
  ShowNotice(text);
  QTimer::singleShot(kBriefNotice, notice_, [this, text] {
    if (notice_->text() == text) {
      notice_->hide();
    }
  });
  if (relief_.on) {
    RequestDraw();
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
    PaintMark(painter);
    return;
  }
  // The picture on hand, moved and scaled to the view wanted, in the map area only,
  // over the backdrop where it does not reach.
  painter.fillRect(event->rect(), palette().window());
  const QRect area = ToQRect(Area());
  painter.setClipRect(area);
  if (!backdrop_.isNull()) {
    painter.save();
    const double enlarged = view_.scale / backdropView_.scale;
    painter.translate(view_.left - backdropView_.left * enlarged,
                      view_.top - backdropView_.top * enlarged);
    painter.scale(enlarged, enlarged);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QPoint(0, 0), backdrop_);
    painter.restore();
  }
  const double factor = view_.scale / pictureView_.scale;
  painter.translate(view_.left - pictureView_.left * factor, view_.top - pictureView_.top * factor);
  painter.scale(factor, factor);
  const QRect mapPart = QRect(QPoint(0, area.top()), picture_.rect().bottomRight());
  painter.drawImage(mapPart.topLeft(), picture_, mapPart);
  painter.resetTransform();
  PaintMark(painter);
}

// A frame around the cell gone to, just outside it, in the map area only.
void MapView::PaintMark(QPainter& painter) {
  if (!marked_) {
    return;
  }
  const QRectF cell(view_.left + static_cast<double>(marked_->column) * view_.scale,
                    view_.top + static_cast<double>(marked_->row) * view_.scale, view_.scale,
                    view_.scale);
  const QRect frame =
      cell.toAlignedRect().adjusted(-kMarkWidth, -kMarkWidth, kMarkWidth, kMarkWidth);
  painter.setClipRect(ToQRect(Area()));
  for (const QRect& edge :
       {QRect(frame.left(), frame.top(), frame.width(), kMarkWidth),
        QRect(frame.left(), frame.bottom() + 1 - kMarkWidth, frame.width(), kMarkWidth),
        QRect(frame.left(), frame.top(), kMarkWidth, frame.height()),
        QRect(frame.right() + 1 - kMarkWidth, frame.top(), kMarkWidth, frame.height())}) {
    painter.fillRect(edge, kMarkColour);
  }
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
    readout_.Forget();
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
  readout_.Follow(event->position());
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
  const QKeySequence pressed(event->keyCombination());
  // The keys as pressed first; then a plain key acts whatever the modifiers held
  // with it, unless they make another command's keys (H and Shift+H).
  for (const bool exactly : {true, false}) {
    for (QAction* action : std::as_const(keyActions_)) {
      for (const QKeySequence& keys : action->shortcuts()) {
        const bool plain = keys[0].keyboardModifiers() == Qt::NoModifier;
        if (exactly ? pressed == keys : plain && keys[0].key() == event->key()) {
          action->trigger();
          event->accept();
          return;
        }
      }
    }
  }
  QWidget::keyPressEvent(event);
}

// Tab's arrival shows the readout of the centre cell: the map has no focus frame, and
// so the readout tells where the keys went.
void MapView::focusInEvent(QFocusEvent* event) {
  if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason) {
    readout_.Follow(Centre());
  }
  QWidget::focusInEvent(event);
}

void MapView::focusOutEvent(QFocusEvent* event) {
  readout_.Forget();
  QWidget::focusOutEvent(event);
}

void MapView::contextMenuEvent(QContextMenuEvent* event) {
  ShowMenu(event->globalPos());
}

void MapView::ShowMenu(QPoint globalPosition) {
  auto* menu = new QMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  for (QAction* command : menuActions_) {
    QAction* item = menu->addAction(command->text(), command, &QAction::trigger);
    item->setShortcut(command->shortcut());
    item->setCheckable(command->isCheckable());
    item->setChecked(command->isChecked());
    // The statistics say so when there is no grid.
    item->setEnabled(grid_ || command->text() == QStringLiteral("Statistics"));
  }
  menu->addSeparator();
  menu->addAction(QStringLiteral("Pan: drag, or the arrow keys"))->setEnabled(false);
  menu->addAction(QStringLiteral("Zoom about the pointer: the wheel"))->setEnabled(false);
  menu->addSeparator();
  menu->addActions(windowActions_);
  // Not exec(): the window goes on drawing while the menu is open.
  menu->popup(globalPosition);
}

void MapView::leaveEvent(QEvent* event) {
  readout_.Forget();
  QWidget::leaveEvent(event);
}

MapPlace MapView::Place() const {
  return MapPlace{grid_, view_, Area(), generation_};
}

GridExtent MapView::Extent() const {
  return grid_ ? ExtentOf(grid_->header) : GridExtent{};
}

PixelRect MapView::Area() const {
  return MapArea(width(), height());
}

PixelRect MapView::OpenArea() const {
  PixelRect area = Area();
  area.width = std::max(0, area.width - coveredRight_);
  return area;
}

QPointF MapView::Centre() const {
  const PixelRect area = OpenArea();
  return QPointF(area.left + area.width / 2.0, area.top + area.height / 2.0);
}

}  // namespace tolmer
