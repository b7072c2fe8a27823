// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "render/MemorySurface.h"

namespace tolmer::testing {

// The core's own load of a grid into memory: what a freshly opened viewer window
// (kWindowWidth x kWindowHeight, of the given background) must show afterwards.
struct ReferenceLoad {
  MemorySurface picture;
  std::string status;
};

ReferenceLoad LoadIntoMemory(const std::string& gridPath, Colour background);

}  // namespace tolmer::testing
