// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>

#include "loader/LoadResult.h"
#include "loader/ViewRender.h"
#include "render/Viewport.h"

namespace tolmer {

// Draws views of a loaded grid and reads the cell under the pointer on a thread of
// its own, so that the window's thread never waits for the file. Only the latest
// request of each kind counts: a new view stops the one being drawn. Results come
// back by signal with the serial their request was given.
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

 private:
  void Run(std::stop_token stop);
  void StopAndJoin();
  void DrawNow(const ViewRequest& request, std::stop_token stop);

  std::mutex mutex_;
  std::condition_variable_any wake_;
  std::optional<ViewRequest> view_;
  std::optional<CellRequest> cell_;
  std::stop_source drawing_;  // of the view being drawn
  // Last, so that it is stopped and joined before anything it uses goes.
  std::jthread thread_;
};

}  // namespace tolmer
