// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <atomic>
#include <functional>
#include <string>

#include "loader/LoadHost.h"
#include "loader/LoadResult.h"
#include "render/HeightRange.h"
#include "render/MapPlacement.h"
#include "window/WorkerThread.h"

namespace tolmer {

// Runs one load at a time on a thread of its own, so that the window stays
// responsive, and reports to the window's thread by signal: the statuses, the
// picture (at the clear, at most every Throttle::kInterval while painting, and at
// the end) and how far the load has got. A load is never stopped by another: the
// owner starts the next once it has ended. The load paints into an image of its
// own; the window only shows copies of it. Destroying the worker, or leaving the
// process by exit(), stops and joins its load.
class LoadWorker : public QObject {
  Q_OBJECT

 public:
  using LoadFunction = std::function<LoadResult(const std::string& fileName, LoadHost& host)>;

  LoadWorker(MapPlacement placement, LoadFunction load);

  // Starts loading fileName; the picture gets `background` where nothing is painted.
  // Only while idle: from the call until `finished` has been emitted, IsBusy() holds.
  void Start(const std::string& fileName, const QColor& background);
  // Asks the running load to stop at its next turn, and returns at once.
  void Stop();
  bool IsBusy() const { return busy_; }
  // The size the picture gets at the load's clear; may be called during a load.
  void SetSurfaceSize(QSize size) { surfaceSize_.store(size); }

 signals:
  void statusChanged(const QString& text);
  // At the load's clear, just before the blank picture: what was shown is gone.
  void cleared();
  void pictureChanged(const QImage& picture);
  // From 0 to 1, at most every Throttle::kInterval.
  void progressChanged(double fraction);
  // Once the load has ended and the worker is idle again.
  void finished(const tolmer::LoadResult& result);

 private:
  class Host;
  struct Request {
    std::string fileName;
    QColor background;
  };

  void Run(const Request& request, std::stop_token stop);

  const MapPlacement placement_;
  const LoadFunction load_;
  HeightRange range_;  // written only by the running load
  std::atomic<QSize> surfaceSize_;
  bool busy_ = false;
  Outbox outbox_;
  // Last, so that it is stopped and joined before anything it uses goes.
  WorkerThread<Request> thread_;
};

}  // namespace tolmer
