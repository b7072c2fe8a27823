#include "loader/RequireFinite.h"

#include <cmath>

#include "grid/GridError.h"

namespace tolmer {

void RequireFinite(const CellRecord& cell) {
  if (!std::isfinite(cell.Height1) || !std::isfinite(cell.Height2) ||
      !std::isfinite(cell.Height3) || !std::isfinite(cell.Height4)) {
    throw GridError("height is not a finite number");
  }
}

}  // namespace tolmer
