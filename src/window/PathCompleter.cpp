// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/PathCompleter.h"

#include <QAbstractFileIconProvider>
#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QIcon>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace tolmer {
namespace {

// Names only: the standard icons and type names would have every file of a folder
// opened and read to find its type, which is slow and, for large grids, wasteful.
class NoIcons : public QAbstractFileIconProvider {
 public:
  QIcon icon(IconType /*type*/) const override { return {}; }
  QIcon icon(const QFileInfo& /*info*/) const override { return {}; }
  // Never empty: the model takes a file without a type name for one not read yet.
  QString type(const QFileInfo& info) const override {
    return info.isDir() ? QStringLiteral("Folder") : QStringLiteral("File");
  }
};

// The model knows absolute paths only, and lists no "." or "..".
QString Absolute(const QString& path) {
  QString absolute = QDir::cleanPath(QDir::current().absoluteFilePath(path));
  if (path.endsWith(u'/') && !absolute.endsWith(u'/')) {
    absolute += u'/';  // what a folder holds, not the folder
  }
  return absolute;
}

QString FolderOf(const QString& absolutePath) {
  return QFileInfo(absolutePath).path();
}

}  // namespace

PathCompleter::PathCompleter(QObject* parent) : QCompleter(parent) {
  // Static, so that it outlives the model and the thread that reads folders for it.
  static NoIcons noIcons;
  model_ = new QFileSystemModel(this);
  model_->setIconProvider(&noIcons);
  // The model reads nothing until it has a root; the empty one spans every folder.
  model_->setRootPath(QString());
  setModel(model_);
  // Names are mostly typed relative to the current folder: have it read at once.
  model_->fetchMore(model_->index(QDir::currentPath()));
  // After setModel, so that the completions are brought up to date first.
  connect(model_, &QFileSystemModel::rowsInserted, this, &PathCompleter::CompleteInReadFolder);
}

QStringList PathCompleter::splitPath(const QString& path) const {
  const QString absolute = Absolute(path);
  // The model reads a folder only when asked to; this is where the typing is.
  const QString folder = FolderOf(absolute);
  const QModelIndex index = model_->index(folder);
  if (model_->canFetchMore(index)) {
    awaitedFolder_ = folder;
    model_->fetchMore(index);
  }
  return QCompleter::splitPath(absolute);
}

QString PathCompleter::pathFromIndex(const QModelIndex& index) const {
  const QString path = QCompleter::pathFromIndex(index);
  return QDir::isRelativePath(completionPrefix()) ? QDir::current().relativeFilePath(path) : path;
}

bool PathCompleter::eventFilter(QObject* watched, QEvent* event) {
  // Only the list's own presses: asking for popup() first would create it.
  auto* list = qobject_cast<QAbstractItemView*>(watched);
  if (event->type() != QEvent::MouseButtonPress || list == nullptr || list != popup() ||
      !list->isVisible()) {
    return QCompleter::eventFilter(watched, event);
  }
  const auto& press = static_cast<const QMouseEvent&>(*event);
  const QPointF global = press.globalPosition();
  if (list->rect().contains(list->mapFromGlobal(global).toPoint())) {
    return QCompleter::eventFilter(watched, event);
  }
  // The list grabs the pointer while open. Once it is hidden, the press goes to the
  // window beneath as the window system would have sent it, so that the widget
  // there takes it, and the release that follows, as a click.
  list->hide();
  const QWidget* target = QApplication::widgetAt(global.toPoint());
  QWindow* window = target != nullptr ? target->window()->windowHandle() : nullptr;
  if (window != nullptr) {
    const QPointF local = window->mapFromGlobal(global);
    QMouseEvent replay(QEvent::MouseButtonPress, local, local, global, press.button(),
                       press.buttons(), press.modifiers(), press.pointingDevice());
    QApplication::sendEvent(window, &replay);
  }
  return true;
}

// The first names of a folder read for the typing show at once, unless the user has
// gone elsewhere meanwhile. Names that come later, as files appear, show with the
// next key, as the completion list is not forced open again.
void PathCompleter::CompleteInReadFolder(const QModelIndex& folder) {
  if (awaitedFolder_.isEmpty() || model_->filePath(folder) != awaitedFolder_) {
    return;
  }
  awaitedFolder_.clear();
  const QString typed = completionPrefix();
  if (widget() != nullptr && widget()->hasFocus() && !typed.isEmpty() &&
      FolderOf(Absolute(typed)) == model_->filePath(folder)) {
    complete();
  }
}

}  // namespace tolmer
