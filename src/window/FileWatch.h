// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <optional>
#include <string>

#include "grid/GridReader.h"

namespace tolmer {

// Watches one file and reports a change once it has settled: its size and
// modification time unchanged for kSettleTime, and unlike how the file stood when
// it was loaded. A file that another is renamed over is followed under its name.
// A writer that keeps writing makes one report once it stops, not one per write;
// writes to other files of its folder delay nothing.
class FileWatch : public QObject {
  Q_OBJECT

 public:
  static constexpr int kSettleTime = 300;  // milliseconds
  static constexpr int kPollInterval = 100;

  explicit FileWatch(QObject* parent);

  // Watches `path`, which was loaded as it stood at `loaded`.
  void Watch(const std::string& path, const FileStamp& loaded);
  void Stop();

 signals:
  void changed();

 private:
  void Noticed();
  void Poll();

  QFileSystemWatcher watcher_;
  QTimer poll_;
  std::string path_;
  FileStamp loaded_;
  std::optional<FileStamp> seen_;
  QElapsedTimer stillFor_;
};

}  // namespace tolmer
