// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>

namespace tolmer {
namespace {

CommandLine Reply(const QString& text, int exitStatus) {
  CommandLine reply;
  reply.reply = text.toStdString();
  reply.exitStatus = exitStatus;
  return reply;
}

CommandLine Refusal(const QString& why) {
  return Reply(QStringLiteral("tolmer: %1\nTry 'tolmer --help' for more information.\n").arg(why),
               2);
}

// The options that take a value, for telling their values from FILEs.
constexpr std::string_view kValueOptions[] = {"--export", "--size", "--thumbnail"};

// The arguments that are neither options nor their values, as their bytes were
// given and in their order: decoding may map different bytes to the same text.
std::vector<std::string> RawPositionals(int argc, const char* const* argv) {
  std::vector<std::string> raw;
  bool optionsEnded = false;
  for (int index = 1; index < argc; ++index) {
    const std::string_view argument = argv[index];
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      raw.emplace_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (std::ranges::find(kValueOptions, argument) != std::end(kValueOptions)) {
      ++index;
    }
  }
  return raw;
}

// The value of the long option `name` (such as "--export") as its bytes were given,
// whether as the next argument or after an "=".
std::string RawOptionValue(int argc, const char* const* argv, const char* name) {
  const std::size_t length = std::strlen(name);
  std::string raw;
  for (int index = 1; index < argc; ++index) {
    const char* argument = argv[index];
    if (std::strcmp(argument, "--") == 0) {
      break;
    }
    if (std::strcmp(argument, name) == 0 && index + 1 < argc) {
      raw = argv[++index];
    } else if (std::strncmp(argument, name, length) == 0 && argument[length] == '=') {
      raw = argument + length + 1;
    }
  }
  return raw;
}

// "WIDTHxHEIGHT" in pixels, each from 1 to 2^31 - 1.
bool ParseSize(const QString& text, ExportRequest& request) {
  static const QRegularExpression kSize(QStringLiteral("^([0-9]{1,10})x([0-9]{1,10})$"));
  const QRegularExpressionMatch match = kSize.match(text);
  if (!match.hasMatch()) {
    return false;
  }
  const qint64 width = match.captured(1).toLongLong();
  const qint64 height = match.captured(2).toLongLong();
  constexpr qint64 kMost = std::numeric_limits<std::int32_t>::max();
  if (width < 1 || height < 1 || width > kMost || height > kMost) {
    return false;
  }
  request.boundWidth = static_cast<std::int32_t>(width);
  request.boundHeight = static_cast<std::int32_t>(height);
  return true;
}

// SIZE of --thumbnail: pixels on the longer side, from 1 to the largest.
bool ParseThumbnailSize(const QString& text, ThumbnailRequest& request) {
  static const QRegularExpression kSize(QStringLiteral("^[0-9]{1,4}$"));
  if (!kSize.match(text).hasMatch()) {
    return false;
  }
  const int size = text.toInt();
  if (size < 1 || size > ThumbnailRequest::kLargestSize) {
    return false;
  }
  request.size = size;
  return true;
}

// The options that Qt's application objects and its X11 platform take from every Qt
// program, with one dash or two: those followed by their value, those whose value may
// also follow an "=", and those without one.
constexpr std::string_view kQtValueOptions[] = {
    "platform",    "platformtheme", "platformpluginpath",
    "plugin",      "session",       "qwindowgeometry",
    "qwindowicon", "qwindowtitle",  "geometry",
    "icon",        "title",         "display",
    "name",        "visual",        "style",
    "stylesheet",  "qmljsdebugger"};
constexpr std::string_view kQtJoinedOptions[] = {"style", "stylesheet", "qmljsdebugger"};
constexpr std::string_view kQtFlags[] = {"reverse", "widgetcount", "testability", "nograb",
                                         "dograb"};

enum class QtArgument { kNotQt, kAlone, kWithValue };

QtArgument QtArgumentOf(std::string_view argument) {
  if (argument.size() < 2 || argument[0] != '-') {
    return QtArgument::kNotQt;
  }
  argument.remove_prefix(argument[1] == '-' ? 2 : 1);
  const auto named = [argument](std::string_view name) { return argument == name; };
  const auto joined = [argument](std::string_view name) {
    return argument.starts_with(name) && argument.substr(name.size()).starts_with('=');
  };
  if (std::ranges::any_of(kQtFlags, named) || std::ranges::any_of(kQtJoinedOptions, joined)) {
    return QtArgument::kAlone;
  }
  return std::ranges::any_of(kQtValueOptions, named) ? QtArgument::kWithValue : QtArgument::kNotQt;
}

// Moves Qt's own options before any "--", with their values, into `qtOptions`, and
// returns the program's own arguments, its name first.
std::vector<const char*> TakeQtOptions(int argc, const char* const* argv,
                                       std::vector<std::string>& qtOptions) {
  std::vector<const char*> own(argv, argv + std::min(argc, 1));
  int index = 1;
  for (; index < argc && std::strcmp(argv[index], "--") != 0; ++index) {
    const QtArgument kind = QtArgumentOf(argv[index]);
    if (kind == QtArgument::kNotQt) {
      own.push_back(argv[index]);
      continue;
    }
    qtOptions.emplace_back(argv[index]);
    if (kind == QtArgument::kWithValue && index + 1 < argc) {
      qtOptions.emplace_back(argv[++index]);
    }
  }
  own.insert(own.end(), argv + index, argv + argc);
  return own;
}

CommandLine ParseOwnArguments(int argc, const char* const* argv) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Shows a cell grid file as a shaded map."));
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Shows this help and exits."));
  const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                   QStringLiteral("Shows the version and exits."));
  const QCommandLineOption exportPicture(
      QStringLiteral("export"),
      QStringLiteral("Writes the whole grid of FILE as a PNG picture, 2 pixels a cell, and exits; "
                     "needs no display."),
      QStringLiteral("OUT.png"));
  const QCommandLineOption size(
      QStringLiteral("size"),
      QStringLiteral("With --export: the largest picture, in pixels; larger grids are scaled "
                     "down to fit (default %1x%1).")
          .arg(ExportRequest::kDefaultBound),
      QStringLiteral("WxH"));
  const QCommandLineOption relief(
      QStringLiteral("relief"),
      QStringLiteral("With --export: shades the relief, as H does on the map."));
  const QCommandLineOption info(
      QStringLiteral("info"),
      QStringLiteral("Prints what FILE holds and exits: its header, its size, its height range, "
                     "its cells by type and their heights; needs no display."));
  const QCommandLineOption json(QStringLiteral("json"),
                                QStringLiteral("With --info: prints it as one JSON object."));
  const QCommandLineOption thumbnail(
      QStringLiteral("thumbnail"),
      QStringLiteral("tolmer --thumbnail SIZE FILE OUT.png writes a small picture of FILE's "
                     "whole grid, at most SIZE pixels (1 to %1) on its longer side, as OUT.png "
                     "and exits, as file managers ask for; grids over 256 MiB are sampled. "
                     "Needs no display.")
          .arg(ThumbnailRequest::kLargestSize),
      QStringLiteral("SIZE"));
  parser.addOption(help);
  parser.addOption(version);
  parser.addOption(exportPicture);
  parser.addOption(size);
  parser.addOption(relief);
  parser.addOption(info);
  parser.addOption(json);
  parser.addOption(thumbnail);
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
  const std::vector<std::string> files = RawPositionals(argc, argv);
  if (static_cast<qsizetype>(files.size()) != parser.positionalArguments().size()) {
    return Refusal(QStringLiteral("cannot tell the FILE from the options"));
  }
  const int modes = (parser.isSet(exportPicture) ? 1 : 0) + (parser.isSet(info) ? 1 : 0) +
                    (parser.isSet(thumbnail) ? 1 : 0);
  if (modes > 1) {
    return Refusal(QStringLiteral("one of --export, --info and --thumbnail at most"));
  }
  if (parser.isSet(json) && !parser.isSet(info)) {
    return Refusal(QStringLiteral("--json is for --info"));
  }
  if (parser.isSet(size) && !parser.isSet(exportPicture)) {
    return Refusal(QStringLiteral("--size is for --export"));
  }
  if (parser.isSet(relief) && !parser.isSet(exportPicture)) {
    return Refusal(QStringLiteral("--relief is for --export"));
  }
  CommandLine request;
  if (parser.isSet(thumbnail)) {
    ThumbnailRequest thumbnailing;
    if (parser.values(thumbnail).size() > 1 ||
        !ParseThumbnailSize(parser.value(thumbnail), thumbnailing)) {
      return Refusal(QStringLiteral("--thumbnail takes one SIZE in pixels, from 1 to %1")
                         .arg(ThumbnailRequest::kLargestSize));
    }
    if (files.size() != 2 || files[1].empty()) {
      return Refusal(
          QStringLiteral("--thumbnail SIZE needs the FILE to draw and the picture to "
                         "write, in that order"));
    }
    thumbnailing.file = files[0];
    thumbnailing.picture = files[1];
    request.thumbnailRequest = thumbnailing;
    return request;
  }
  if (files.size() > 1) {
    return Refusal(QStringLiteral("one FILE at most, not %1").arg(files.size()));
  }
  if (parser.isSet(info)) {
    if (files.empty()) {
      return Refusal(QStringLiteral("--info needs the FILE to describe"));
    }
    request.infoRequest = InfoRequest{files.front(), parser.isSet(json)};
    return request;
  }
  if (parser.isSet(exportPicture)) {
    if (parser.values(exportPicture).size() > 1) {
      return Refusal(QStringLiteral("one --export at most"));
    }
    if (files.empty()) {
      return Refusal(QStringLiteral("--export needs the FILE to draw"));
    }
    ExportRequest exporting;
    exporting.picture = RawOptionValue(argc, argv, "--export");
    if (exporting.picture.empty()) {
      return Refusal(QStringLiteral("--export needs the name of the picture to write"));
    }
    exporting.file = files.front();
    if (parser.isSet(size) && !ParseSize(parser.values(size).back(), exporting)) {
      return Refusal(
          QStringLiteral("--size takes WIDTHxHEIGHT in pixels, such as 4096x4096, not '%1'")
              .arg(parser.values(size).back()));
    }
    exporting.relief = parser.isSet(relief);
    request.exportRequest = exporting;
    return request;
  }
  if (!files.empty()) {
    request.file = files.front();
  }
  return request;
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  std::vector<std::string> qtOptions;
  const std::vector<const char*> own = TakeQtOptions(argc, argv, qtOptions);
  CommandLine command = ParseOwnArguments(static_cast<int>(own.size()), own.data());
  command.qtOptions = std::move(qtOptions);
  return command;
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

bool DisplayConfigured(const EnvironmentLookup& lookup, const std::vector<std::string>& qtOptions) {
  const bool named = std::ranges::any_of(qtOptions, [](const std::string& option) {
    return option == "-display" || option == "--display" || option == "-platform" ||
           option == "--platform";
  });
  return named || IsSet(lookup, "DISPLAY") || IsSet(lookup, "WAYLAND_DISPLAY") ||
         IsSet(lookup, "QT_QPA_PLATFORM");
}

}  // namespace tolmer
