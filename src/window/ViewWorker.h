// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <stop_token>
#include <vector>

#include "loader/DrawView.h"
#include "loader/LoadResult.h"
#include "render/Viewport.h"
#include "window/WorkerThread.h"

namespace tolmer {

// Draws views of a loaded grid on a thread of its own, so that the window's thread
// never waits for the file. Only the latest view counts: a new one stops the one
// being drawn. Results come back by signal, on the window's thread, with the serial
// their request was given. Before the first view of each grid comes its backdrop:
// the whole grid, small, from the overview, to fill what a view newly exposes until
// the view itself is drawn.
class ViewWorker : public QObject {
  Q_OBJECT

 public:
  struct ViewRequest {
    std::shared_ptr<const LoadedGrid> grid;
    Viewport view;
    QSize size;
    QColor background;
    quint64 serial = 0;
    bool backdropOnly = false;  // only the grid's backdrop, if it has none yet
    Relief relief;
  };

  ViewWorker();

  static constexpr int kBackdropSide = 1024;

  void Draw(ViewRequest request) { views_.Post(std::move(request), true); }

 signals:
  void viewDrawn(const QImage& image, const tolmer::Viewport& view, quint64 serial);
  void viewStale(const QString& reason, quint64 serial);
  // How far a long read of records has got, from 0 to 1, at most every 50 ms.
  void progressChanged(double fraction, quint64 serial);
  // The whole grid, at most kBackdropSide pixels on a side, as `view` places it.
  void backdropDrawn(const QImage& image, const tolmer::Viewport& view, quint64 serial);

 private:
  void DrawNow(const ViewRequest& request, std::stop_token stop);
  // False when stopped first.
  bool DrawBackdrop(const ViewRequest& request, const std::stop_token& stop);

  Outbox outbox_;
  std::weak_ptr<const LoadedGrid> backdropOf_;  // on the worker's thread only
  // Last, so that it is stopped and joined before anything it uses goes.
  WorkerThread<ViewRequest> views_;
};

}  // namespace tolmer
