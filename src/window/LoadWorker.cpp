// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/LoadWorker.h"

#include <QFile>
#include <functional>
#include <stop_token>
#include <utility>

#include "window/ImageSurface.h"

namespace tolmer {

// The load's side of the worker: turns what the load does into signals.
class LoadWorker::Host : public LoadHost {
 public:
  Host(LoadWorker& worker, std::stop_token stop, const QColor& background)
      : worker_(worker),
        stop_(std::move(stop)),
        surface_([&worker] { return worker.surfaceSize_.load(); }, background,
                 [this](const QImage& blank) {
                   Emit([&worker = worker_] { emit worker.cleared(); });
                   ShowPicture(blank);
                 }) {}

  void SetStatus(const std::string& text) override {
    Emit([&worker = worker_, text = QFile::decodeName(QByteArray::fromStdString(text))] {
      emit worker.statusChanged(text);
    });
  }
  DrawingSurface& Surface() override { return surface_; }
  HeightRange& Range() override { return worker_.range_; }
  MapPlacement Placement() const override { return worker_.placement_; }
  bool StopRequested() const override { return stop_.stop_requested(); }

  void TakeTurn(const LoadProgress& progress) override {
    if (!shown_.Due()) {
      return;
    }
    Emit([&worker = worker_, fraction = progress.Fraction()] {
      emit worker.progressChanged(fraction);
    });
    if (surface_.IsCleared()) {
      ShowPicture(surface_.Image());
    }
  }

  // The finished picture, unless the load never got to the clear or was abandoned.
  void ShowFinalPicture(const LoadResult& result) {
    if (surface_.IsCleared() && !result.IsAbandoned()) {
      ShowPicture(surface_.Image());
    }
  }

 private:
  void Emit(std::function<void()> call) { worker_.outbox_.Post(std::move(call)); }

  void ShowPicture(const QImage& picture) {
    // A copy: the load goes on writing into its own image.
    Emit([&worker = worker_, copy = picture.copy()] { emit worker.pictureChanged(copy); });
    shown_.Restart();
  }

  LoadWorker& worker_;
  std::stop_token stop_;
  ImageSurface surface_;
  Throttle shown_;
};

LoadWorker::LoadWorker(MapPlacement placement, LoadFunction load)
    : placement_(placement),
      load_(std::move(load)),
      thread_(this,
              [this](Request& request, std::stop_token stop) { Run(request, std::move(stop)); }) {
  qRegisterMetaType<LoadResult>();
}

void LoadWorker::Start(const std::string& fileName, const QColor& background) {
  if (busy_) {
    return;
  }
  busy_ = true;
  thread_.Post(Request{fileName, background}, false);
}

void LoadWorker::Stop() {
  thread_.Cancel();
}

void LoadWorker::Run(const Request& request, std::stop_token stop) {
  Host host(*this, std::move(stop), request.background);
  const LoadResult result = load_(request.fileName, host);
  host.ShowFinalPicture(result);
  outbox_.Post([this, result] {
    busy_ = false;
    emit finished(result);
  });
}

}  // namespace tolmer
