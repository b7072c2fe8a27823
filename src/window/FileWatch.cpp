// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/FileWatch.h"

#include <QFile>
#include <QFileInfo>

namespace tolmer {

FileWatch::FileWatch(QObject* parent) : QObject(parent) {
  poll_.setInterval(kPollInterval);
  connect(&poll_, &QTimer::timeout, this, &FileWatch::Poll);
  connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &FileWatch::Noticed);
  // A rename over the name replaces the file watched, which only its folder sees.
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &FileWatch::Noticed);
}

void FileWatch::Watch(const std::string& path, const FileStamp& loaded) {
  Stop();
  path_ = path;
  loaded_ = loaded;
  const QString name = QFile::decodeName(QByteArray::fromStdString(path));
  watcher_.addPath(name);
  watcher_.addPath(QFileInfo(name).absolutePath());
  // A change between the load's end and now is a change too.
  Noticed();
}

void FileWatch::Stop() {
  poll_.stop();
  if (!watcher_.files().isEmpty() || !watcher_.directories().isEmpty()) {
    watcher_.removePaths(watcher_.files() + watcher_.directories());
  }
  path_.clear();
  seen_.reset();
}

void FileWatch::Noticed() {
  // While the poll runs, it alone tells whether the file's stamp moved: a change of
  // another file in the folder must not hold back the settling of this one.
  if (path_.empty() || poll_.isActive()) {
    return;
  }
  seen_ = GridReader::stampOf(path_);
  stillFor_.restart();
  poll_.start();
}

void FileWatch::Poll() {
  const std::optional<FileStamp> now = GridReader::stampOf(path_);
  if (now != seen_) {
    seen_ = now;
    stillFor_.restart();
    return;
  }
  if (stillFor_.elapsed() < kSettleTime) {
    return;
  }
  poll_.stop();
  if (!now) {
    return;  // gone: its folder tells when a file of that name is back
  }
  const QString name = QFile::decodeName(QByteArray::fromStdString(path_));
  if (!watcher_.files().contains(name)) {
    watcher_.addPath(name);
  }
  if (!(*now == loaded_)) {
    loaded_ = *now;  // reported once; the reload that follows sets it anew
    emit changed();
  }
}

}  // namespace tolmer
