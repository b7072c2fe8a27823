// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;

namespace tolmer {

// A bar over the upper left corner of the map area that takes a cell to go to, as
// text. Enter hands the text on, Escape closes the bar; a reason the text names no
// cell stays in the bar until the text changes.
class GoToBar : public QWidget {
  Q_OBJECT

 public:
  explicit GoToBar(QWidget* parent);

  // Shows the bar with its text selected, and gives it the keys.
  void Open();
  void Close();
  void Say(const QString& reason);
  // Inside `area`, the map area.
  void Place(const QRect& area);

 signals:
  void entered(const QString& text);
  // Closed by the user or by Close(); the keys are to go back to the map.
  void closed();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QLineEdit* text_;
  QLabel* reason_;
  QRect area_;
};

}  // namespace tolmer
