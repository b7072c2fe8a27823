// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QWidget>
#include <memory>
#include <optional>

#include "loader/LoadResult.h"
#include "render/Viewport.h"
#include "window/WorkerThread.h"

class QPlainTextEdit;
class QProgressBar;

namespace tolmer {

// Statistics of the grid shown, beside the map: the whole grid's, read once from its
// file the first time the panel shows it, and those of the view, from the overview,
// whenever the view changes. Both are read on threads of their own, and shown as
// text the user can select and copy. Figures of a grid no longer shown never appear.
class StatisticsPanel : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 290;

  explicit StatisticsPanel(QWidget* parent);

  // The grid shown, or none from a load's clear.
  void SetGrid(std::shared_ptr<const LoadedGrid> grid);
  // The view shown, of which `area` is what the panel leaves uncovered.
  void SetView(const Viewport& view, const PixelRect& area);

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct GridRequest {
    std::shared_ptr<const LoadedGrid> grid;
    quint64 serial = 0;
  };
  struct ViewRequest {
    std::shared_ptr<const LoadedGrid> grid;
    Viewport view;
    PixelRect area;
    quint64 serial = 0;
  };

  void GatherGrid(const GridRequest& request, const std::stop_token& stop);
  void CountView(const ViewRequest& request, const std::stop_token& stop);
  void ShowGridText(const QString& text, quint64 serial);
  void ShowViewText(const QString& text, quint64 serial);
  // Starts what an open panel lacks for the grid and view shown.
  void RequestWanted();

  QProgressBar* progress_;
  QPlainTextEdit* gridText_;
  QPlainTextEdit* viewText_;
  std::shared_ptr<const LoadedGrid> grid_;
  // The whole grid's figures are read once for each grid: counts grids, and says
  // whether its figures are asked for, or here.
  quint64 gridSerial_ = 0;
  bool gridAsked_ = false;
  std::optional<Viewport> view_;
  PixelRect area_;
  quint64 viewSerial_ = 0;  // counts views asked for, so that only the latest shows
  Outbox outbox_;
  // Last, so that they are stopped and joined before anything they use goes.
  WorkerThread<GridRequest> grids_;
  WorkerThread<ViewRequest> views_;
};

}  // namespace tolmer
