// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/ViewWorker.h"

#include "window/ImageSurface.h"
#include "window/LoadWorker.h"

#include <QElapsedTimer>
#include <QFile>
#include <utility>

namespace tolmer {
namespace {

constexpr qint64 kProgressInterval = 50;  // milliseconds

}  // namespace

ViewWorker::ViewWorker() {
  qRegisterMetaType<Viewport>();
  qRegisterMetaType<CellReading>();
  thread_ = std::jthread([this](std::stop_token stop) { Run(std::move(stop)); });
  JoinAtExit(this, [this] { StopAndJoin(); });
}

ViewWorker::~ViewWorker() {
  ForgetAtExit(this);
  StopAndJoin();
}

void ViewWorker::StopAndJoin() {
  {
    const std::lock_guard lock(mutex_);
    drawing_.request_stop();
  }
  thread_.request_stop();
  if (thread_.joinable()) {
    thread_.join();
  }
}

void ViewWorker::Draw(ViewRequest request) {
  const std::lock_guard lock(mutex_);
  view_ = std::move(request);
  drawing_.request_stop();
  wake_.notify_one();
}

void ViewWorker::Read(CellRequest request) {
  const std::lock_guard lock(mutex_);
  cell_ = std::move(request);
  wake_.notify_one();
}

void ViewWorker::Run(std::stop_token stop) {
  while (!stop.stop_requested()) {
    std::optional<ViewRequest> view;
    std::optional<CellRequest> cell;
    std::stop_token drawing;
    {
      std::unique_lock lock(mutex_);
      if (!wake_.wait(lock, stop, [this] { return view_ || cell_; })) {
        return;
      }
      // The cell first: one record, while a view may read many.
      cell = std::exchange(cell_, std::nullopt);
      if (!cell) {
        view = std::exchange(view_, std::nullopt);
        drawing_ = std::stop_source();
        drawing = drawing_.get_token();
      }
    }
    if (cell) {
      emit cellRead(ReadCell(*cell->grid, cell->cell), cell->serial);
    } else {
      DrawNow(*view, drawing);
    }
  }
}

void ViewWorker::DrawNow(const ViewRequest& request, std::stop_token stop) {
  QImage image = BlankImage(request.size, request.background);
  QElapsedTimer sinceShown;
  sinceShown.start();
  const ViewControl control{std::move(stop), [&](double fraction) {
                              if (sinceShown.elapsed() >= kProgressInterval) {
                                emit progressChanged(fraction, request.serial);
                                sinceShown.restart();
                              }
                            }};
  const ViewResult result = DrawView(*request.grid, request.view, HandleOf(image), control);
  if (result.IsDone()) {
    emit viewDrawn(image, request.view, request.serial);
  } else if (result.IsStale()) {
    emit viewStale(QFile::decodeName(QByteArray::fromStdString(result.reason)), request.serial);
  }
}

}  // namespace tolmer
