#include "render/DrawCell.h"

#include "render/CellColor.h"

namespace tolmer {

void DrawCell(const SurfaceHandle& surface, const HeightRange& range, const std::int32_t& x,
              const std::int32_t& y, const CellRecord& cell) {
  // 64-bit so that no grid coordinate can overflow.
  const std::int64_t left = 2 * std::int64_t{x} + kMapLeft;
  const std::int64_t top = 2 * std::int64_t{y} + kMapTop;
  Colour colour = 0;
  CellColor(range, cell.Height3, cell.CellType, colour);
  SetPixel(surface, left, top, colour);
  CellColor(range, cell.Height4, cell.CellType, colour);
  SetPixel(surface, left + 1, top, colour);
  CellColor(range, cell.Height1, cell.CellType, colour);
  SetPixel(surface, left, top + 1, colour);
  CellColor(range, cell.Height2, cell.CellType, colour);
  SetPixel(surface, left + 1, top + 1, colour);
}

}  // namespace tolmer
