// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/StatisticsPanel.h"

#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QVBoxLayout>
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>
#include <utility>

#include "loader/ViewStatistics.h"
#include "window/GridInfo.h"

namespace tolmer {
namespace {

constexpr int kProgressSteps = 1000;

QString ReasonText(const std::exception& error) {
  return QFile::decodeName(QByteArray::fromStdString(error.what()));
}

std::string ClassText(const ViewStatistics& statistics, const char* name, int type) {
  const double cells = statistics.Cells(type);
  char text[160];
  if (cells == 0.0) {
    std::snprintf(text, sizeof text, "%s: none\n", name);
  } else {
    std::snprintf(text, sizeof text, "%s: about %.0f (%.2f %%), mean height %.7g\n", name, cells,
                  100.0 * cells / statistics.AllCells(), statistics.Mean(type));
  }
  return text;
}

QString ViewText(const ViewStatistics& statistics) {
  if (statistics.AllCells() == 0.0) {
    return QStringLiteral("In view: no cells");
  }
  char cells[96];
  std::snprintf(cells, sizeof cells, "In view: about %.0f cells\n", statistics.AllCells());
  return QString::fromStdString(
      cells + ClassText(statistics, "type 0 cells", 0) + ClassText(statistics, "other cells", 1) +
      "(whole bins of " + std::to_string(statistics.binSide) + " x " +
      std::to_string(statistics.binSide) +
      " cells at the edges; the overview keeps no lowest or highest heights)");
}

QPlainTextEdit* ReadOnlyText(StatisticsPanel* parent, const char* name) {
  auto* text = new QPlainTextEdit(parent);
  text->setObjectName(QString::fromLatin1(name));
  text->setReadOnly(true);
  text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  text->installEventFilter(parent);
  text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  return text;
}

}  // namespace

StatisticsPanel::StatisticsPanel(QWidget* parent)
    : QWidget(parent),
      progress_(new QProgressBar(this)),
      gridText_(ReadOnlyText(this, "GridStatistics")),
      viewText_(ReadOnlyText(this, "ViewStatistics")),
      grids_(this,
             [this](GridRequest& request, std::stop_token stop) { GatherGrid(request, stop); }),
      // Owners of their own, which ForgetAtExit tells apart.
      views_(&outbox_,
             [this](ViewRequest& request, std::stop_token stop) { CountView(request, stop); }) {
  setAutoFillBackground(true);
  setAccessibleName(QStringLiteral("Statistics"));
  progress_->setRange(0, kProgressSteps);
  progress_->setTextVisible(false);
  progress_->setFocusPolicy(Qt::NoFocus);
  progress_->hide();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 0, 0, 0);
  layout->addWidget(progress_);
  layout->addWidget(gridText_, 3);
  layout->addWidget(viewText_, 1);
  gridText_->setPlainText(QStringLiteral("No grid shown"));
}

void StatisticsPanel::SetGrid(std::shared_ptr<const LoadedGrid> grid) {
  if (grid == grid_) {
    return;
  }
  grid_ = std::move(grid);
  ++gridSerial_;
  ++viewSerial_;
  gridAsked_ = false;
  grids_.Cancel();
  views_.Cancel();
  progress_->hide();
  gridText_->setPlainText(grid_ ? QString() : QStringLiteral("No grid shown"));
  viewText_->clear();
  RequestWanted();
}

void StatisticsPanel::SetView(const Viewport& view, const PixelRect& area) {
  view_ = view;
  area_ = area;
  ++viewSerial_;
  RequestWanted();
}

void StatisticsPanel::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  RequestWanted();
}

// Ctrl+C in the figures copies them, as in the text box, not the map.
bool StatisticsPanel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
    event->accept();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void StatisticsPanel::RequestWanted() {
  if (isHidden() || !grid_) {
    return;
  }
  // Read apart from the load, the first time they are wanted: the load reads every
  // record too, but gathering them there would make every load slower for figures
  // that few loads are asked for.
  if (!gridAsked_) {
    gridAsked_ = true;
    progress_->setValue(0);
    progress_->show();
    gridText_->setPlainText(QStringLiteral("Reading every record…"));
    grids_.Post(GridRequest{grid_, gridSerial_}, true);
  }
  if (view_) {
    views_.Post(ViewRequest{grid_, *view_, area_, viewSerial_}, true);
  }
}

void StatisticsPanel::GatherGrid(const GridRequest& request, const std::stop_token& stop) {
  Throttle throttle;
  const auto progress = [&](double fraction) {
    if (throttle.Due()) {
      outbox_.Post([this, fraction, serial = request.serial] {
        if (serial == gridSerial_) {
          progress_->setValue(static_cast<int>(fraction * kProgressSteps));
        }
      });
    }
  };
  QString text;
  try {
    const std::optional<GridInfo> info = GatherGridInfo(*request.grid, stop, progress);
    if (!info) {
      return;
    }
    text = QString::fromStdString(GridInfoText(*info));
  } catch (const std::exception& error) {
    text = QStringLiteral("Cannot read the whole grid: %1").arg(ReasonText(error));
  }
  outbox_.Post(
      [this, text = std::move(text), serial = request.serial] { ShowGridText(text, serial); });
}

void StatisticsPanel::CountView(const ViewRequest& request, const std::stop_token& stop) {
  QString text;
  try {
    const std::optional<ViewStatistics> statistics =
        StatisticsInView(*request.grid, request.view, request.area, stop);
    if (stop.stop_requested()) {
      return;
    }
    text = statistics ? ViewText(*statistics)
                      : QStringLiteral("In view: no overview was kept to count from");
  } catch (const std::exception& error) {
    text = QStringLiteral("Cannot count the view: %1").arg(ReasonText(error));
  }
  outbox_.Post(
      [this, text = std::move(text), serial = request.serial] { ShowViewText(text, serial); });
}

void StatisticsPanel::ShowGridText(const QString& text, quint64 serial) {
  if (serial != gridSerial_) {
    return;
  }
  progress_->hide();
  gridText_->setPlainText(text);
}

void StatisticsPanel::ShowViewText(const QString& text, quint64 serial) {
  if (serial == viewSerial_) {
    viewText_->setPlainText(text);
  }
}

}  // namespace tolmer
