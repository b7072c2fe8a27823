// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <vector>

#include "loader/LoadResult.h"
#include "loader/ViewRender.h"
#include "render/Viewport.h"

namespace tolmer {

// Draws views of a loaded grid and reads the cell under the pointer on a thread of
// its own, so that the window's thread never waits for the file. Only the latest
// request of each kind counts: a new view stops the one being drawn. Results come
// back by signal, on the window's thread, with the serial their request was given.
//
// The worker hands its results over through a mailbox under its own mutex and
// emits them on the window's thread, rather than as arguments of signals queued
// across threads: the hand-over inside Qt's event queue is made with locks that
// ThreadSanitizer cannot see, so it could not check it.
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
  struct CellRequest {
    std::shared_ptr<const LoadedGrid> grid;
    PictureCell cell;
    quint64 serial = 0;
  };

  ViewWorker();
  ~ViewWorker() override;
  ViewWorker(const ViewWorker&) = delete;
  ViewWorker& operator=(const ViewWorker&) = delete;

  void Draw(ViewRequest request);
  void Read(CellRequest request);

 signals:
  void viewDrawn(const QImage& image, const tolmer::Viewport& view, quint64 serial);
  void viewStale(const QString& reason, quint64 serial);
  void cellRead(const tolmer::CellReading& reading, quint64 serial);
  // How far a long read of records has got, from 0 to 1, at most every 50 ms.
  void progressChanged(double fraction, quint64 serial);
  // From the worker's thread: the mailbox has results to emit.
  void resultsPosted(QPrivateSignal);

 private:
  void Run(std::stop_token stop);
  void StopAndJoin();
  void DrawNow(const ViewRequest& request, std::stop_token stop);
  // From the worker's thread: `emitResult` is called on the window's thread, in
  // the order posted.
  void Post(std::function<void()> emitResult);
  void EmitPosted();

  std::mutex mutex_;
  std::condition_variable_any wake_;
  std::optional<ViewRequest> view_;
  std::optional<CellRequest> cell_;
  std::stop_source drawing_;  // of the view being drawn
  std::vector<std::function<void()>> mailbox_;
  // Last, so that it is stopped and joined before anything it uses goes.
  std::jthread thread_;
};

}  // namespace tolmer
