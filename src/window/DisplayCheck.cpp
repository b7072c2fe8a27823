// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/DisplayCheck.h"

#include <filesystem>
#include <system_error>

namespace tolmer {
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
