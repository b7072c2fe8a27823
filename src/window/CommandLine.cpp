// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>
#include <filesystem>
#include <system_error>

namespace tolmer {
namespace {

CommandLine Reply(const QString& text, int exitStatus) {
  return CommandLine{text.toStdString(), exitStatus, std::nullopt};
}

CommandLine Refusal(const QString& why) {
  return Reply(QStringLiteral("tolmer: %1\nTry 'tolmer --help' for more information.\n").arg(why),
               2);
}

// The argument that the parser read as `positional`. Decoding may map different
// bytes to the same text, but then both would be FILEs, which is refused; the last
// match is the one after a "--" that lets a FILE look like an option.
std::string RawArgument(int argc, const char* const* argv, const QString& positional) {
  std::string raw;
  for (int index = 1; index < argc; ++index) {
    if (QString::fromLocal8Bit(argv[index]) == positional) {
      raw = argv[index];
    }
  }
  return raw;
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Shows a cell grid file as a shaded map."));
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Shows this help and exits."));
  const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                   QStringLiteral("Shows the version and exits."));
  parser.addOption(help);
  parser.addOption(version);
  parser.addPositionalArgument(
      QStringLiteral("FILE"),
      QStringLiteral("A cell grid to show at start, as if typed in and Show pressed."),
      QStringLiteral("[FILE]"));

  QStringList arguments;
  for (int index = 0; index < argc; ++index) {
    arguments << QString::fromLocal8Bit(argv[index]);
  }
  const bool parsed = parser.parse(arguments);
  if (parser.isSet(help)) {
    // Without an application object Qt does not know the program's name.
    return Reply(
        parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("tolmer")),
        0);
  }
  if (parser.isSet(version)) {
    return Reply(QStringLiteral("tolmer " TOLMER_VERSION "\n"), 0);
  }
  if (!parsed) {
    return Refusal(parser.errorText());
  }
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) {
    return Refusal(QStringLiteral("one FILE at most, not %1").arg(files.size()));
  }
  CommandLine request;
  if (!files.isEmpty()) {
    request.file = RawArgument(argc, argv, files.front());
  }
  return request;
}

namespace {

bool IsSet(const EnvironmentLookup& lookup, const char* name) {
  const char* value = lookup(name);
  return value != nullptr && *value != '\0';
}

// NAME as one shell word: as it is when no character is special to the shell,
// otherwise in single quotes.
std::string ShellWord(const std::string& name) {
  const bool plain = !name.empty() && name.find_first_not_of(
                                          "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                          "0123456789_-+./,:@%=") == std::string::npos;
  if (plain) {
    return name;
  }
  std::string quoted = "'";
  for (const char c : name) {
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return quoted + "'";
}

}  // namespace

std::string NoDisplayMessage(std::string_view program) {
  std::string command = program.empty() ? std::string("tolmer") : std::string(program);
  if (command.find('/') != std::string::npos) {
    std::error_code error;
    const std::filesystem::path absolute =
        std::filesystem::absolute(command, error).lexically_normal();
    if (!error) {
      command = absolute.string();
    }
  }
  return "tolmer: no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is set); "
         "to run it without a screen, use: xvfb-run " +
         ShellWord(command) + " (xvfb-run comes with the xvfb package)";
}

bool DisplayConfigured(const EnvironmentLookup& lookup) {
  return IsSet(lookup, "DISPLAY") || IsSet(lookup, "WAYLAND_DISPLAY") ||
         IsSet(lookup, "QT_QPA_PLATFORM");
}

}  // namespace tolmer
