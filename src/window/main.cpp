// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
// tolmer: the cell grid viewer.
#include <QApplication>
#include <QtGlobal>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "grid/GridError.h"
#include "window/CommandLine.h"
#include "window/Form1.h"
#include "window/GridInfo.h"
#include "window/PngExport.h"

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
  tolmer::CommandLine command = tolmer::ParseCommandLine(argc, argv);
  if (command.reply) {
    (command.exitStatus == 0 ? std::cout : std::cerr) << *command.reply;
    return tolmer::StandardOutputWritten("tolmer") ? command.exitStatus : EXIT_FAILURE;
  }
  // Before anything of the window system, so that it runs where there is no display.
  if (command.exportRequest) {
    return tolmer::ExportPng(*command.exportRequest, std::cerr);
  }
  if (command.thumbnailRequest) {
    return tolmer::ThumbnailPng(*command.thumbnailRequest, std::cerr);
  }
  if (command.infoRequest) {
    const int status = tolmer::PrintGridInfo(*command.infoRequest, std::cout, std::cerr);
    return tolmer::StandardOutputWritten("tolmer") ? status : EXIT_FAILURE;
  }
  if (!tolmer::DisplayConfigured([](const char* name) { return std::getenv(name); },
                                 command.qtOptions)) {
    std::cerr << tolmer::NoDisplayMessage(argc > 0 ? argv[0] : "") << '\n';
    return EXIT_FAILURE;
  }
  defaultHandler = qInstallMessageHandler(ExitOnStartupFailure);
  // Qt gets only the program's name and its own options, so that a FILE named like
  // one of them is still a file.
  std::vector<char*> qtArguments{argv[0]};
  for (std::string& option : command.qtOptions) {
    qtArguments.push_back(option.data());
  }
  int qtArgc = static_cast<int>(qtArguments.size());
  qtArguments.push_back(nullptr);
  QApplication app(qtArgc, qtArguments.data());
  qInstallMessageHandler(defaultHandler);
  QApplication::setApplicationName(QStringLiteral("tolmer"));
  QApplication::setDesktopFileName(QStringLiteral("tolmer"));

  tolmer::Form1 form;
  form.show();
  if (command.file) {
    form.OpenFile(*command.file);
  }
  return QApplication::exec();
}
