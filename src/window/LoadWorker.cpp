// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/LoadWorker.h"

#include <QElapsedTimer>
#include <QFile>
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
                 [this](const QImage& blank) { ShowPicture(blank); }) {
    sinceShown_.start();
  }

  void SetStatus(const std::string& text) override {
    emit worker_.statusChanged(QFile::decodeName(QByteArray::fromStdString(text)));
  }
  DrawingSurface& Surface() override { return surface_; }
  HeightRange& Range() override { return worker_.range_; }
  MapPlacement Placement() const override { return worker_.placement_; }
  bool StopRequested() const override { return stop_.stop_requested(); }

  void WhileLoading(const LoadProgress& progress) override {
    if (sinceShown_.elapsed() < kShowInterval) {
      return;
    }
    emit worker_.progressChanged(progress.Fraction());
    if (surface_.cleared()) {
      ShowPicture(surface_.image());
    }
    sinceShown_.restart();
  }

  // The finished picture, unless the load never got to the clear or was abandoned.
  void ShowFinalPicture(const LoadResult& result) {
    if (surface_.cleared() && result.outcome() != LoadResult::Outcome::Abandoned) {
      ShowPicture(surface_.image());
    }
  }

 private:
  void ShowPicture(const QImage& picture) {
    // A copy: the load goes on writing into its own image.
    emit worker_.pictureChanged(picture.copy());
    sinceShown_.restart();
  }

  LoadWorker& worker_;
  std::stop_token stop_;
  ImageSurface surface_;
  QElapsedTimer sinceShown_;
};

LoadWorker::LoadWorker(MapPlacement placement, LoadFunction load)
    : placement_(placement), load_(std::move(load)) {
  connect(this, &LoadWorker::loadEnded, this, &LoadWorker::onLoadEnded);
}

LoadWorker::~LoadWorker() {
  stop();
  if (thread_.joinable()) {
    thread_.join();
  }
}

void LoadWorker::start(const std::string& fileName, const QColor& background) {
  if (busy_) {
    return;
  }
  busy_ = true;
  thread_ = std::jthread([this, fileName, background](std::stop_token stop) {
    Host host(*this, std::move(stop), background);
    const LoadResult result = load_(fileName, host);
    host.ShowFinalPicture(result);
    emit loadEnded(result, QPrivateSignal());
  });
}

void LoadWorker::stop() {
  thread_.request_stop();
}

void LoadWorker::onLoadEnded(const LoadResult& result) {
  // The thread has nothing left to do but return.
  thread_.join();
  busy_ = false;
  emit finished(result);
}

}  // namespace tolmer
