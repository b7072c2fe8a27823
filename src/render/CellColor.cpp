// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "render/CellColor.h"

#include <cstdio>

#include "grid/GridError.h"

namespace tolmer {

void ThrowUnshadeable(float height) {
  char text[80];
  std::snprintf(text, sizeof text, "height %g lies too far outside the range to be shaded",
                static_cast<double>(height));
  throw GridError(text);
}

}  // namespace tolmer
