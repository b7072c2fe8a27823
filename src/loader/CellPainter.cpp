#include "loader/CellPainter.h"

#include <algorithm>

#include "loader/RequireFinite.h"
#include "render/DrawCell.h"

namespace tolmer {
namespace {

// Columns (or rows) whose block has a pixel on a surface `extent` pixels wide (or
// high): the block of cell n starts at pixel 2n + origin.
std::int64_t VisibleCells(std::int32_t extent, std::int64_t origin) {
  return std::max<std::int64_t>(0, (extent - origin + 1) / 2);
}

}  // namespace

CellPainter::CellPainter(const GridHeader& header, const HeightRange& range,
                         DrawingSurface& surface)
    : width_(header.GridWidth), range_(range), surface_(surface), y_(header.GridHeight - 1) {}

void CellPainter::paintVisible(const RecordBlock& block) {
  // The handle stays valid until the next clear, so one serves the whole block.
  const SurfaceHandle handle = surface_.hDC();
  const std::int64_t visibleColumns = VisibleCells(handle.width, kMapLeft);
  const std::int64_t visibleRows = VisibleCells(handle.height, kMapTop);
  std::size_t index = 0;
  while (index < block.size()) {
    const auto inRow = static_cast<std::int32_t>(
        std::min(block.size() - index, static_cast<std::size_t>(width_ - x_)));
    if (y_ < visibleRows) {
      const auto end =
          static_cast<std::int32_t>(std::min<std::int64_t>(x_ + inRow, visibleColumns));
      for (std::int32_t x = x_; x < end; ++x) {
        DrawCell(handle, range_, x, y_, block[index + static_cast<std::size_t>(x - x_)]);
      }
    }
    index += static_cast<std::size_t>(inRow);
    advance(inRow);
  }
}

void CellPainter::paintEach(const RecordBlock& block) {
  for (std::size_t index = 0; index < block.size(); ++index) {
    const CellRecord cell = block[index];
    RequireFinite(cell);
    DrawCell(surface_.hDC(), range_, x_, y_, cell);
    advance(1);
  }
}

void CellPainter::advance(std::int32_t cells) {
  x_ += cells;
  if (x_ == width_) {
    x_ = 0;
    --y_;
  }
}

}  // namespace tolmer
