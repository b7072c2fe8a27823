// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "render/MemorySurface.h"

namespace tolmer {

// Writes the surface as a binary PPM (P6, 8 bits per channel), a format every image
// tool reads, so that headless loads can be looked at and compared.
// The file is replaced whole or not at all, as AtomicFile does; throws GridError when
// it cannot be written.
void WritePpm(const MemorySurface& surface, const std::string& path);

}  // namespace tolmer
