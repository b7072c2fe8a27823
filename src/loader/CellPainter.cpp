// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/CellPainter.h"

#include <algorithm>

#include "grid/GridError.h"
#include "grid/RecordPlace.h"
#include "loader/RequireFinite.h"
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

void CellPainter::paintVisible(const RecordBlock& block) {
  // The handle stays valid until the next clear, so one serves the whole block.
  const SurfaceHandle handle = surface_.hDC();
  const std::int64_t visibleColumns = placement_.VisibleColumns(handle.width);
  const std::int64_t visibleRows = placement_.VisibleRows(handle.height);
  std::size_t index = 0;
  while (index < block.size()) {
    const auto inRow = static_cast<std::int32_t>(
        std::min(block.size() - index, static_cast<std::size_t>(width_ - x_)));
    if (y_ < visibleRows) {
      const auto end =
          static_cast<std::int32_t>(std::min<std::int64_t>(x_ + inRow, visibleColumns));
      for (std::int32_t x = x_; x < end; ++x) {
        DrawCell(handle, range_, placement_, x, y_,
                 block[index + static_cast<std::size_t>(x - x_)]);
      }
    }
    index += static_cast<std::size_t>(inRow);
    advance(inRow);
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
