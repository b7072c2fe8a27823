// tolmer: the cell grid viewer.
#include <QApplication>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "window/DisplayCheck.h"
#include "window/Form1.h"

namespace {

QtMessageHandler defaultHandler = nullptr;

// While the window system starts, a failure to reach the display is fatal to Qt,
// which would abort with a core dump; a plain exit says the same with less mess.
void ExitOnStartupFailure(QtMsgType type, const QMessageLogContext& context,
                          const QString& message) {
  if (type != QtFatalMsg) {
    if (defaultHandler != nullptr) {
      defaultHandler(type, context, message);
    }
    return;
  }
  std::fprintf(stderr, "tolmer: %s\n", qPrintable(message));
  std::_Exit(EXIT_FAILURE);
}

}  // namespace

int main(int argc, char** argv) {
  if (!tolmer::DisplayConfigured([](const char* name) { return std::getenv(name); })) {
    std::cerr << tolmer::kNoDisplayMessage << '\n';
    return EXIT_FAILURE;
  }
  defaultHandler = qInstallMessageHandler(ExitOnStartupFailure);
  QApplication app(argc, argv);
  qInstallMessageHandler(defaultHandler);
  QApplication::setApplicationName(QStringLiteral("tolmer"));
  QApplication::setDesktopFileName(QStringLiteral("tolmer"));

  tolmer::Form1 form;
  form.show();
  return QApplication::exec();
}
