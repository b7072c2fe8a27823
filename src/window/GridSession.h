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
#include <optional>
#include <string>

#include "loader/LoadResult.h"
#include "window/FileWatch.h"
#include "window/LoadWorker.h"

namespace tolmer {

// The grid the window shows, and the loads that replace it: one at a time on the
// load worker, the last name asked for during a load loaded once it ends, reloads
// that keep the user's view, and the watch that reloads the file when it changes.
// The window shows what the session says; the map draws the grid it hands over.
class GridSession : public QObject {
  Q_OBJECT

 public:
  // `background` says what the picture of a load shows where nothing is painted.
  GridSession(QObject* parent, LoadWorker::LoadFunction load, std::function<QColor()> background);

  // Loads `fileName`, byte for byte, at once, or once the load under way ends.
  void Load(const std::string& fileName);
  // Loads the file shown again; once it is back, the map returns to its view.
  void Reload();
  // Reloads the file shown whenever it changes and settles, while on.
  void SetWatching(bool watching);
  // Forgets the load queued and asks the running one to stop; returns at once.
  void Stop();
  // True from a Load until its load, and any queued behind it, has ended.
  bool IsLoading() const { return worker_.IsBusy(); }
  // The grid shown, from the end of its load to the clear of the next.
  const std::shared_ptr<const LoadedGrid>& Grid() const { return grid_; }
  // The size of the load's picture at its clear; may change during a load.
  void SetSurfaceSize(QSize size) { worker_.SetSurfaceSize(size); }

 signals:
  // A load begins: the status and its reason are about to be replaced.
  void loadStarted();
  void statusChanged(const QString& text);
  void progressChanged(double fraction);
  // The load's picture, at its clear, while it paints and at its end.
  void pictureChanged(const QImage& picture);
  // At a load's clear: the grid shown is gone.
  void gridDropped();
  // A reload was asked for: the view now shown is the one to return to.
  void viewToKeep();
  // A load has ended with its grid, which a reload brought back when keepView.
  void gridShown(const std::shared_ptr<const tolmer::LoadedGrid>& grid, bool keepView);
  void loadFinished(const tolmer::LoadResult& result);

 private:
  struct Request {
    std::string fileName;
    bool reload = false;
  };

  void Ask(Request request);
  void Start(Request request);
  void LoadEnded(const LoadResult& result);
  void Rewatch();

  std::function<QColor()> background_;
  std::shared_ptr<const LoadedGrid> grid_;
  Request running_;
  std::optional<Request> queued_;
  bool watching_ = false;
  FileWatch watch_;
  // Last, so that its load is stopped and joined before the rest goes.
  LoadWorker worker_;
};

}  // namespace tolmer
