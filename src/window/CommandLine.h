// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolmer {

// What `tolmer --export OUT FILE [--size WxH] [--relief]` asks for: FILE's whole grid
// as a PNG picture OUT, scaled down where it would pass boundWidth x boundHeight
// pixels.
struct ExportRequest {
  static constexpr std::int32_t kDefaultBound = 16384;

  // Both byte for byte as they were given, as `file` below.
  std::string picture;
  std::string file;
  std::int32_t boundWidth = kDefaultBound;
  std::int32_t boundHeight = kDefaultBound;
  bool relief = false;  // shaded by the slopes, as H shows the map
};

// What `tolmer --info FILE [--json]` asks for: what FILE's header and records hold,
// as text or as one JSON object.
struct InfoRequest {
  std::string file;  // byte for byte as it was given
  bool json = false;
};

// What `tolmer --thumbnail SIZE FILE OUT` asks for, as a file manager's thumbnailer
// runs it: FILE's whole grid as a PNG picture OUT, at most SIZE pixels on its longer
// side, made quickly however large the grid.
struct ThumbnailRequest {
  // Larger would take longer than a file manager waits.
  static constexpr std::int32_t kLargestSize = 4096;

  std::int32_t size = 0;
  // Both byte for byte as they were given.
  std::string file;
  std::string picture;
};

// What `tolmer [options] [FILE]` asks for.
struct CommandLine {
  // Text to print instead of opening the window: the help, the version, or why the
  // command line was refused. It goes to standard output when exitStatus is 0.
  std::optional<std::string> reply;
  int exitStatus = 0;
  // The FILE to show at start, byte for byte as it was given: a name that is not
  // valid in the locale's encoding still names the same file.
  std::optional<std::string> file;
  // Set instead of `file` for --export, which opens no window.
  std::optional<ExportRequest> exportRequest;
  // Set instead of `file` for --info and --thumbnail, which open no window either.
  std::optional<InfoRequest> infoRequest;
  std::optional<ThumbnailRequest> thumbnailRequest;
  // The options every Qt program takes, such as "-style Fusion", with their values,
  // byte for byte and in their order: the window's application object reads them.
  std::vector<std::string> qtOptions;
};

// Needs no QCoreApplication, so that --help and --version work without a display.
// Qt's own options are taken before "--" only, so that a FILE after it is a FILE
// whatever its name.
CommandLine ParseCommandLine(int argc, const char* const* argv);

// Looks up an environment variable; nullptr when it is not set.
using EnvironmentLookup = std::function<const char*(const char*)>;

// The one-line message for a start without a display. Its advice runs the same
// program: `program` is argv[0], a name found on PATH is kept as it is, and a path is
// made absolute, so that the command works from any folder.
std::string NoDisplayMessage(std::string_view program);

// True when the environment or Qt's options name a display, or a Qt platform that
// needs none. Without either, creating the application would abort the process.
bool DisplayConfigured(const EnvironmentLookup& lookup, const std::vector<std::string>& qtOptions);

}  // namespace tolmer
