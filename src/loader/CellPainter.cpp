// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/CellPainter.h"

#include "grid/GridError.h"
#include "render/DrawCell.h"

namespace tolmer {

CellPainter::CellPainter(const GridHeader& header, const HeightRange& range,
                         const MapPlacement& placement, DrawingSurface& surface)
    : width_(header.GridWidth),
      height_(header.GridHeight),
      range_(range),
      placement_(placement),
      surface_(surface),
      y_(header.GridHeight - 1) {}

void CellPainter::paintInRange(const RecordBlock& block) {
  // The handle stays valid until the next clear, so one serves the whole block.
  const SurfaceHandle handle = surface_.hDC();
  for (std::size_t index = 0; index < block.size(); ++index) {
    DrawCell(handle, range_, placement_, x_, y_, block[index]);
    advance(1);
  }
}

void CellPainter::paintEach(const RecordBlock& block) {
  for (std::size_t index = 0; index < block.size(); ++index) {
    const CellRecord cell = block[index];
    RequireFinite(cell, record(), width_);
    try {
      DrawCell(surface_.hDC(), range_, placement_, x_, y_, cell);
    } catch (const GridError& error) {
      throw GridError(std::string(error.what()) + " in " + DescribeRecord(record(), width_));
    }
    advance(1);
  }
}

void CellPainter::skip(std::uint64_t cells) {
  if (width_ <= 0) {
    return;
  }
  const std::uint64_t position = static_cast<std::uint64_t>(x_) + cells;
  const auto width = static_cast<std::uint64_t>(width_);
  x_ = static_cast<std::int32_t>(position % width);
  y_ = static_cast<std::int32_t>(y_ - static_cast<std::int64_t>(position / width));
}

void CellPainter::advance(std::int32_t cells) {
  x_ += cells;
  if (x_ == width_) {
    x_ = 0;
    --y_;
  }
}

std::uint64_t CellPainter::record() const {
  // Row y_ of the picture is stored row height_ - 1 - y_.
  return static_cast<std::uint64_t>(height_ - 1 - y_) * static_cast<std::uint64_t>(width_) +
         static_cast<std::uint64_t>(x_);
}

}  // namespace tolmer
