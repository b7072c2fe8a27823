// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/DisplayCheck.h"

namespace tolmer {
namespace {

bool IsSet(const EnvironmentLookup& lookup, const char* name) {
  const char* value = lookup(name);
  return value != nullptr && *value != '\0';
}

}  // namespace

bool DisplayConfigured(const EnvironmentLookup& lookup) {
  return IsSet(lookup, "DISPLAY") || IsSet(lookup, "WAYLAND_DISPLAY") ||
         IsSet(lookup, "QT_QPA_PLATFORM");
}

}  // namespace tolmer
