#include "window/Form1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <exception>

#include "loader/ShowGrid.h"
#include "window/Form1Layout.h"
#include "window/QtSurface.h"

namespace tolmer {
namespace {

// Thrown out of WhileLoading to end a load early because the window is closing.
class LoadAbandoned : public std::exception {
 public:
  const char* what() const noexcept override { return "load abandoned: the window is closing"; }
};

void Place(QWidget& control, const char* name, const char* accessibleName, const QRect& geometry) {
  control.setObjectName(QString::fromLatin1(name));
  control.setAccessibleName(QString::fromLatin1(accessibleName));
  control.setGeometry(geometry);
}

}  // namespace

Form1::Form1(QWidget* parent)
    : QWidget(parent),
      surface_(new QtSurface(this)),
      Text1(new QLineEdit(QStringLiteral("Filename"), this)),
      Command1(new QPushButton(QStringLiteral("Show"), this)),
      Label1(new QLabel(QStringLiteral("Status"), this)) {
  setWindowTitle(QStringLiteral("Tolmer by Quindel"));
  resize(kClientSize);
  surface_->setObjectName(QStringLiteral("Surface"));
  surface_->setGeometry(rect());

  Place(*Text1, "Text1", "File name", kText1Geometry);
  Place(*Command1, "Command1", "Show", kCommand1Geometry);
  Place(*Label1, "Label1", "Status", kLabel1Geometry);
  // Enter in the text box must not press the button.
  Command1->setAutoDefault(false);
  Command1->setDefault(false);
  // File names are shown as typed, even when they look like markup.
  Label1->setTextFormat(Qt::PlainText);

  setTabOrder(Text1, Command1);
  setTabOrder(Command1, Label1);
  Text1->setFocus();

  connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
}

void Form1::SetStatus(const std::string& text) {
  Label1->setText(QFile::decodeName(QByteArray::fromStdString(text)));
  FitLabel1();
  // Painted now, not when the load returns to the event loop.
  Label1->repaint();
}

DrawingSurface& Form1::Surface() {
  return *surface_;
}

HeightRange& Form1::Range() {
  return range_;
}

void Form1::WhileLoading() {
  if (closeRequested_) {
    throw LoadAbandoned();
  }
  if (sinceEvents_.elapsed() < kEventInterval) {
    return;
  }
  // Shows how far the picture has got, and lets the window repaint when uncovered.
  surface_->update();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  sinceEvents_.restart();
  if (closeRequested_) {
    throw LoadAbandoned();
  }
}

void Form1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  surface_->setGeometry(rect());
  FitLabel1();
}

void Form1::closeEvent(QCloseEvent* event) {
  if (loading_) {
    // The load is still using this window: it ends at its next turn, then we close.
    closeRequested_ = true;
    event->ignore();
    return;
  }
  event->accept();
}

void Form1::Command1_Click() {
  // Input is held back during a load, but a click can still arrive from code run
  // by the load's event processing; loads never overlap.
  if (loading_) {
    return;
  }
  const std::string fileName = QFile::encodeName(Text1->text()).toStdString();
  loading_ = true;
  sinceEvents_.start();
  ShowGrid(fileName, *this);
  loading_ = false;
  surface_->update();
  if (closeRequested_) {
    closeRequested_ = false;
    close();
  }
}

void Form1::FitLabel1() {
  const QMargins margins = Label1->contentsMargins();
  const int textWidth = Label1->fontMetrics().horizontalAdvance(Label1->text()) + margins.left() +
                        margins.right() + 2 * Label1->margin();
  Label1->resize(StatusLabelWidth(textWidth, width()), kLabel1Geometry.height());
}

}  // namespace tolmer
