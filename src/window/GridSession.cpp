// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/GridSession.h"

#include <utility>

#include "render/ViewerGeometry.h"

namespace tolmer {

GridSession::GridSession(QObject* parent, LoadWorker::LoadFunction load,
                         std::function<QColor()> background)
    : QObject(parent),
      background_(std::move(background)),
      watch_(this),
      worker_(kViewerMapPlacement, std::move(load)) {
  connect(&worker_, &LoadWorker::statusChanged, this, &GridSession::statusChanged);
  connect(&worker_, &LoadWorker::progressChanged, this, &GridSession::progressChanged);
  connect(&worker_, &LoadWorker::pictureChanged, this, &GridSession::pictureChanged);
  connect(&worker_, &LoadWorker::cleared, this, [this] {
    grid_.reset();
    emit gridDropped();
  });
  connect(&worker_, &LoadWorker::finished, this, &GridSession::LoadEnded);
  connect(&watch_, &FileWatch::changed, this, &GridSession::Reload);
}

void GridSession::Load(const std::string& fileName) {
  Ask(Request{fileName, false});
}

void GridSession::Reload() {
  if (!grid_) {
    return;
  }
  emit viewToKeep();
  Ask(Request{grid_->fileName, true});
}

void GridSession::SetWatching(bool watching) {
  watching_ = watching;
  Rewatch();
}

void GridSession::Stop() {
  queued_.reset();
  worker_.Stop();
}

void GridSession::Ask(Request request) {
  if (worker_.IsBusy()) {
    // Loads never overlap: the last one asked for during a load comes next.
    queued_ = std::move(request);
    return;
  }
  Start(std::move(request));
}

void GridSession::Start(Request request) {
  running_ = std::move(request);
  emit loadStarted();
  worker_.Start(running_.fileName, background_());
}

void GridSession::LoadEnded(const LoadResult& result) {
  if (result.IsLoaded()) {
    grid_ = result.Grid();
    // A reload with another load behind it is not what the user will look at.
    emit gridShown(grid_, running_.reload && !queued_);
    Rewatch();
  }
  emit loadFinished(result);
  if (queued_) {
    Start(*std::exchange(queued_, std::nullopt));
  }
}

void GridSession::Rewatch() {
  if (watching_ && grid_) {
    watch_.Watch(grid_->fileName, grid_->stamp);
  } else {
    watch_.Stop();
  }
}

}  // namespace tolmer
