// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/FileDropFilter.h"

#include <sys/stat.h>

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <optional>

namespace tolmer {
namespace {

// The path of a link to a file on this host, as bytes decoded from the link's
// percent-encoding rather than through text; nothing for other links, and for
// relative ones, which would resolve against wherever the viewer was started.
std::optional<std::string> LocalPathBytes(const QUrl& url) {
  const QString host = url.host();
  if (url.scheme() != QStringLiteral("file") ||
      (!host.isEmpty() && host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) != 0)) {
    return std::nullopt;
  }
  const QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
  if (!path.startsWith('/')) {
    return std::nullopt;
  }
  return path.toStdString();
}

bool IsFolder(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// The file a drag carries when it is exactly one file of this host; nothing otherwise.
std::optional<std::string> SingleLocalFile(const QMimeData& data) {
  const QList<QUrl> urls = data.urls();
  if (urls.size() != 1) {
    return std::nullopt;
  }
  std::optional<std::string> path = LocalPathBytes(urls.front());
  if (!path || IsFolder(*path)) {
    return std::nullopt;
  }
  return path;
}

}  // namespace

bool FileDropFilter::eventFilter(QObject* /*watched*/, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
    return false;
  }
  // Drag enter and drag move events are drop events too.
  auto& drop = static_cast<QDropEvent&>(*event);
  if (!drop.mimeData()->hasUrls()) {
    return false;
  }
  const std::optional<std::string> file = SingleLocalFile(*drop.mimeData());
  if (!file || !drop.possibleActions().testFlag(Qt::CopyAction)) {
    drop.ignore();
    return true;
  }
  // The file is only read: a move would have the source remove it.
  drop.setDropAction(Qt::CopyAction);
  drop.accept();
  if (type == QEvent::Drop) {
    emit fileDropped(*file);
  }
  return true;
}

}  // namespace tolmer
