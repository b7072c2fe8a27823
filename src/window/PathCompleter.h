// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <QCompleter>

class QFileSystemModel;

namespace tolmer {

// Completes file names from the file system, relative ones from the current folder.
// Folders are read off the window's thread, so a slow folder never blocks typing;
// its names show once it has been read.
class PathCompleter : public QCompleter {
  Q_OBJECT

 public:
  explicit PathCompleter(QObject* parent);

  QStringList splitPath(const QString& path) const override;
  QString pathFromIndex(const QModelIndex& index) const override;

 protected:
  // A press outside the open list closes it and still reaches what it was aimed
  // at, so that a click on Show with the list open loads the typed name.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CompleteInReadFolder(const QModelIndex& folder);

  QFileSystemModel* model_ = nullptr;
  // The folder that typing asked the model to read, until its first names arrive.
  mutable QString awaitedFolder_;
};

}  // namespace tolmer
