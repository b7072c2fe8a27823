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

#include "loader/LoadResult.h"
#include "loader/DrawView.h"
#include "render/Viewport.h"
#include "window/WorkerThread.h"

namespace tolmer {

// Draws views of a loaded grid on a thread of its own, so that the window's thread
// never waits for the file. Only the latest view counts: a new one stops the one
// being drawn. Results come back by signal, on the window's thread, with the serial
// their request was given.
class ViewWorker : public QObject {
  Q_OBJECT

 public:
  struct ViewRequest {
    std::shared_ptr<const LoadedGrid> grid;
    Viewport view;
    QSize size;
    QColor background;
    quint64 serial = 0;
  };

  ViewWorker();

  void Draw(ViewRequest request) { views_.Post(std::move(request), true); }

 signals:
  void viewDrawn(const QImage& image, const tolmer::Viewport& view, quint64 serial);
  void viewStale(const QString& reason, quint64 serial);
  // How far a long read of records has got, from 0 to 1, at most every 50 ms.
  void progressChanged(double fraction, quint64 serial);

 private:
  void DrawNow(const ViewRequest& request, std::stop_token stop);

  Outbox outbox_;
  // Last, so that it is stopped and joined before anything it uses goes.
  WorkerThread<ViewRequest> views_;
};

}  // namespace tolmer
