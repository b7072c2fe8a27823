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
  connect(this, &ViewWorker::resultsPosted, this, &ViewWorker::EmitPosted, Qt::QueuedConnection);
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

void ViewWorker::Post(std::function<void()> emitResult) {
  bool first = false;
  {
    const std::lock_guard lock(mutex_);
    first = mailbox_.empty();
    mailbox_.push_back(std::move(emitResult));
  }
  // One notice for all the results posted until the window's thread takes them.
  if (first) {
    emit resultsPosted(QPrivateSignal());
  }
}

void ViewWorker::EmitPosted() {
  std::vector<std::function<void()>> results;
  {
    const std::lock_guard lock(mutex_);
    results.swap(mailbox_);
  }
  for (const auto& emitResult : results) {
    emitResult();
  }
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
      Post([this, reading = ReadCell(*cell->grid, cell->cell), serial = cell->serial] {
        emit cellRead(reading, serial);
      });
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
                                Post([this, fraction, serial = request.serial] {
                                  emit progressChanged(fraction, serial);
                                });
                                sinceShown.restart();
                              }
                            }};
  const ViewResult result = DrawView(*request.grid, request.view, HandleOf(image), control);
  if (result.IsDone()) {
    Post([this, image = std::move(image), view = request.view, serial = request.serial] {
      emit viewDrawn(image, view, serial);
    });
  } else if (result.IsStale()) {
    Post([this, reason = QFile::decodeName(QByteArray::fromStdString(result.reason)),
          serial = request.serial] { emit viewStale(reason, serial); });
  }
}

}  // namespace tolmer
