// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>
#include <string>

namespace tolmer {

// Watches a widget for drags of links. One absolute file:// link to something other
// than a folder, on this host, is accepted and, once dropped, handed on by
// fileDropped as the bytes of its path; any other set of links is refused. Drags without links
// are left to the widget, so that text can still be dropped into a text box.
class FileDropFilter : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

 signals:
  void fileDropped(const std::string& fileName);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace tolmer
