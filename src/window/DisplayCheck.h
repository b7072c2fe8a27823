// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tolmer {

// Looks up an environment variable; nullptr when it is not set.
using EnvironmentLookup = std::function<const char*(const char*)>;

// The one-line message for a start without a display. Its advice runs the same
// program: `program` is argv[0], a name found on PATH is kept as it is, and a path is
// made absolute, so that the command works from any folder.
std::string NoDisplayMessage(std::string_view program);

// True when the environment names a display, or a Qt platform that needs none.
// Without either, creating the application would abort the process.
bool DisplayConfigured(const EnvironmentLookup& lookup);

}  // namespace tolmer
