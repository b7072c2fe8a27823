// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>

namespace tolmer {

// What `tolmer [options] [FILE]` asks for.
struct CommandLine {
  // Text to print instead of opening the window: the help, the version, or why the
  // command line was refused. It goes to standard output when exitStatus is 0.
  std::optional<std::string> reply;
  int exitStatus = 0;
  // The FILE to show at start, byte for byte as it was given: a name that is not
  // valid in the locale's encoding still names the same file.
  std::optional<std::string> file;
};

// Needs no QCoreApplication, so that --help and --version work without a display.
CommandLine ParseCommandLine(int argc, const char* const* argv);

}  // namespace tolmer
