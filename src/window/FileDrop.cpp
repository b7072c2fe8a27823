// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/FileDrop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <optional>

namespace tolmer {
namespace {

// The file a drag carries when it is exactly one local file; nothing otherwise.
std::optional<QString> SingleLocalFile(const QMimeData& data) {
  const QList<QUrl> urls = data.urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) {
    return std::nullopt;
  }
  return urls.front().toLocalFile();
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
  const std::optional<QString> file = SingleLocalFile(*drop.mimeData());
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
