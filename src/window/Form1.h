#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <string>

#include "loader/LoadHost.h"
#include "render/HeightRange.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace tolmer {

class QtSurface;

// The viewer's one window: a file name box, a "Show" button, a status label, and
// below them the map, painted by ShowGrid when the button is pressed. Loads run on
// this thread inside the click; the window keeps itself painted meanwhile.
class Form1 : public QWidget, public LoadHost {
  Q_OBJECT

 public:
  explicit Form1(QWidget* parent = nullptr);

  void SetStatus(const std::string& text) override;
  DrawingSurface& Surface() override;
  HeightRange& Range() override;
  // Lets the window repaint and take a close request at most every kEventInterval
  // milliseconds; user input waits until the load is over.
  void WhileLoading() override;

  static constexpr qint64 kEventInterval = 50;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Command1_Click();
  void FitLabel1();

  // Declared first so that it is created first and lies beneath the controls.
  QtSurface* surface_;
  QLineEdit* Text1;
  QPushButton* Command1;
  QLabel* Label1;
  HeightRange range_;

  bool loading_ = false;
  bool closeRequested_ = false;
  QElapsedTimer sinceEvents_;
};

}  // namespace tolmer
