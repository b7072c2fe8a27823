// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/LoadWorker.h"

#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <stop_token>
#include <utility>
#include <vector>

#include "window/ImageSurface.h"

namespace tolmer {
namespace {

// Every worker thread alive, so that a process that exits without destroying its
// window, as Qt's does when the display goes away, still stops and joins them
// before the libraries they talk to are torn down.
struct LiveWorkers {
  std::mutex mutex;
  std::vector<std::pair<const QObject*, std::function<void()>>> workers;
};

LiveWorkers& Live() {
  // Never destroyed: exit handlers may still need it.
  static auto* live = new LiveWorkers;
  return *live;
}

void StopAllWorkers() {
  const std::lock_guard lock(Live().mutex);
  for (const auto& worker : Live().workers) {
    worker.second();
  }
}

}  // namespace

// The load's side of the worker: turns what the load does into signals.
class LoadWorker::Host : public LoadHost {
 public:
  Host(LoadWorker& worker, std::stop_token stop, const QColor& background)
      : worker_(worker),
        stop_(std::move(stop)),
        surface_([&worker] { return worker.surfaceSize_.load(); }, background,
                 [this](const QImage& blank) {
                   emit worker_.cleared();
                   ShowPicture(blank);
                 }) {
    sinceShown_.start();
  }

  void SetStatus(const std::string& text) override {
    emit worker_.statusChanged(QFile::decodeName(QByteArray::fromStdString(text)));
  }
  DrawingSurface& Surface() override { return surface_; }
  HeightRange& Range() override { return worker_.range_; }
  MapPlacement Placement() const override { return worker_.placement_; }
  bool StopRequested() const override { return stop_.stop_requested(); }

  void TakeTurn(const LoadProgress& progress) override {
    if (sinceShown_.elapsed() < kShowInterval) {
      return;
    }
    emit worker_.progressChanged(progress.Fraction());
    if (surface_.IsCleared()) {
      ShowPicture(surface_.Image());
    }
    sinceShown_.restart();
  }

  // The finished picture, unless the load never got to the clear or was abandoned.
  void ShowFinalPicture(const LoadResult& result) {
    if (surface_.IsCleared() && !result.IsAbandoned()) {
      ShowPicture(surface_.Image());
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
  connect(this, &LoadWorker::loadEnded, this, &LoadWorker::OnLoadEnded);
  JoinAtExit(this, [this] { StopAndJoin(); });
}

LoadWorker::~LoadWorker() {
  ForgetAtExit(this);
  StopAndJoin();
}

void LoadWorker::StopAndJoin() {
  Stop();
  if (thread_.joinable()) {
    thread_.join();
  }
}

void JoinAtExit(const QObject* owner, std::function<void()> stopAndJoin) {
  // Registered after the application object and the registry of the signals' types
  // exist, so that it runs before Qt's own exit handlers and static objects go.
  qRegisterMetaType<LoadResult>();
  static const bool stopsAtExit = std::atexit(StopAllWorkers) == 0;
  (void)stopsAtExit;
  const std::lock_guard lock(Live().mutex);
  Live().workers.emplace_back(owner, std::move(stopAndJoin));
}

void ForgetAtExit(const QObject* owner) {
  const std::lock_guard lock(Live().mutex);
  std::erase_if(Live().workers, [owner](const auto& worker) { return worker.first == owner; });
}

void LoadWorker::Start(const std::string& fileName, const QColor& background) {
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

void LoadWorker::Stop() {
  thread_.request_stop();
}

void LoadWorker::OnLoadEnded(const LoadResult& result) {
  // The thread has nothing left to do but return.
  if (thread_.joinable()) {
    thread_.join();
  }
  busy_ = false;
  emit finished(result);
}

}  // namespace tolmer
