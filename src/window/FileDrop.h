// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

namespace tolmer {

// Watches a widget for drags of links. One local file is accepted and, once dropped,
// handed on by fileDropped; any other set of links is refused. Drags without links
// are left to the widget, so that text can still be dropped into a text box.
class FileDropFilter : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

 signals:
  void fileDropped(const QString& fileName);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace tolmer
