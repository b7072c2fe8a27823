// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace tolmer {

// Throws GridError saying what the name is instead, unless it names a regular file,
// following symbolic links. Wildcards are never expanded, and directories, devices,
// FIFOs and sockets do not count.
void RequireRegularFile(const std::string& name);

}  // namespace tolmer
