#pragma once

#include "grid/GridFormat.h"

namespace tolmer {

// Throws GridError unless all four heights are finite: anything else cannot be
// shaded, and finding it in pass 1 keeps the earlier picture on the surface.
void RequireFinite(const CellRecord& cell);

}  // namespace tolmer
