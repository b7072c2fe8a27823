// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/GoToBar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>

namespace tolmer {
namespace {

constexpr int kGap = 5;  // between the bar and the edges of the map area
constexpr int kTextWidth = 150;

}  // namespace

GoToBar::GoToBar(QWidget* parent)
    : QWidget(parent), text_(new QLineEdit(this)), reason_(new QLabel(this)) {
  setObjectName(QStringLiteral("GoTo"));
  setAccessibleName(QStringLiteral("Go to a cell"));
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::ToolTipBase);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  auto* label = new QLabel(QStringLiteral("Go to:"), this);
  label->setForegroundRole(QPalette::ToolTipText);
  label->setBuddy(text_);
  text_->setObjectName(QStringLiteral("GoToText"));
  text_->setAccessibleName(QStringLiteral("Column and row, or record"));
  text_->setPlaceholderText(QStringLiteral("column, row, or a record"));
  text_->setFixedWidth(kTextWidth);
  reason_->setObjectName(QStringLiteral("GoToReason"));
  reason_->setForegroundRole(QPalette::ToolTipText);
  layout->addWidget(label);
  layout->addWidget(text_);
  layout->addWidget(reason_, 1);
  reason_->hide();
  hide();
  connect(text_, &QLineEdit::returnPressed, this, [this] { emit entered(text_->text()); });
  connect(text_, &QLineEdit::textEdited, this, [this] { Say(QString()); });
}

void GoToBar::Open() {
  Say(QString());
  show();
  raise();
  text_->selectAll();
  text_->setFocus(Qt::ShortcutFocusReason);
}

void GoToBar::Close() {
  if (isVisible()) {
    // Before hiding, so that the keys do not pass to the next control on the way.
    emit closed();
    hide();
  }
}

void GoToBar::Say(const QString& reason) {
  reason_->setText(reason);
  reason_->setVisible(!reason.isEmpty());
  Place(area_);
}

void GoToBar::Place(const QRect& area) {
  area_ = area;
  const QSize wanted = sizeHint();
  setGeometry(area.left() + kGap, area.top() + kGap,
              std::max(1, std::min(wanted.width(), area.width() - 2 * kGap)), wanted.height());
}

void GoToBar::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    Close();
  }
  // Keys the text box leaves are the bar's, not the map's: an arrow key pans nothing.
  event->accept();
}

}  // namespace tolmer
