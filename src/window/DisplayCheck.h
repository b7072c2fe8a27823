// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string_view>

namespace tolmer {

// Looks up an environment variable; nullptr when it is not set.
using EnvironmentLookup = std::function<const char*(const char*)>;

inline constexpr std::string_view kNoDisplayMessage =
    "tolmer: no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is set); "
    "to run it without a screen, use: xvfb-run tolmer";

// True when the environment names a display, or a Qt platform that needs none.
// Without either, creating the application would abort the process.
bool DisplayConfigured(const EnvironmentLookup& lookup);

}  // namespace tolmer
