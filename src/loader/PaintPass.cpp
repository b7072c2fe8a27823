// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/PaintPass.h"

#include <algorithm>
#include <memory>

#include "grid/GridError.h"
#include "grid/HeightBounds.h"
#include "loader/RecordChunks.h"
#include "render/DrawCell.h"
#include "render/Viewport.h"

namespace tolmer {

PaintPass::PaintPass(const GridHeader& header, const HeightRange& range,
                     const MapPlacement& placement, DrawingSurface& surface)
    : width_(header.GridWidth),
      height_(header.GridHeight),
      range_(range),
      placement_(placement),
      surface_(surface) {}

void PaintPass::Paint(const RecordBlock& block) {
  // Pass 1 saw every height, so only a file changed since fails the test.
  if (range_.Contains(ScanHeightBounds(block))) {
    PaintInRange(block);
  } else {
    PaintEach(block);
  }
}

void PaintPass::PaintInRange(const RecordBlock& block) {
  if (block.Size() == 0) {
    return;  // a grid without columns has no position to start from
  }
  // The handle stays valid until the next clear, so one serves the whole block.
  const SurfaceHandle handle = surface_.hDC();
  std::int32_t x = Column();
  std::int32_t y = Row();
  for (std::size_t index = 0; index < block.Size(); ++index) {
    DrawCell(handle, range_, placement_, x, y, block[index]);
    if (++x == width_) {
      x = 0;
      --y;
    }
  }
  next_ += block.Size();
}

void PaintPass::PaintEach(const RecordBlock& block) {
  if (block.Size() == 0) {
    return;
  }
  std::int32_t x = Column();
  std::int32_t y = Row();
  for (std::size_t index = 0; index < block.Size(); ++index) {
    const CellRecord cell = block[index];
    RequireFinite(cell, next_, width_);
    try {
      DrawCell(surface_.hDC(), range_, placement_, x, y, cell);
    } catch (const GridError& error) {
      throw GridError(std::string(error.what()) + " in " + DescribeRecord(next_, width_));
    }
    ++next_;
    if (++x == width_) {
      x = 0;
      --y;
    }
  }
}

std::int32_t PaintPass::Column() const {
  return static_cast<std::int32_t>(next_ % static_cast<std::uint64_t>(width_));
}

std::int32_t PaintPass::Row() const {
  return static_cast<std::int32_t>(
      FlipRow(static_cast<std::int64_t>(next_ / static_cast<std::uint64_t>(width_)), height_));
}

namespace {

// Pass 2's reading: turns for every cell, reads only of those painted.
class VisibleReading {
 public:
  VisibleReading(const GridReader& reader, PaintPass& painter, LoadTurns& turns)
      : reader_(reader), painter_(painter), turns_(turns) {}

  // Passes over `cells` records unread.
  bool Skip(std::uint64_t cells) {
    if (!turns_.Skip(cells)) {
      return false;
    }
    painter_.Skip(cells);
    return true;
  }

  // Reads and paints the next `cells` records.
  bool Paint(std::uint64_t cells) {
    while (cells > 0) {
      const std::uint64_t now = turns_.Next(std::min(cells, kChunkRecords));
      if (now == 0) {
        return false;
      }
      // A file cut short still gets every whole record before its end painted.
      const std::uint64_t first = painter_.NextRecord();
      RecordBlock block = buffer_.ReadUpTo(reader_, first, static_cast<std::size_t>(now));
      if (block.Size() == 0) {
        block = buffer_.ReadAt(reader_, first, 1);  // throws where it ends
      }
      painter_.Paint(block);
      turns_.Done(block.Size());
      cells -= block.Size();
    }
    return true;
  }

 private:
  const GridReader& reader_;
  PaintPass& painter_;
  LoadTurns& turns_;
  ChunkBuffer buffer_;
};

}  // namespace

bool PaintVisibleCells(const GridReader& reader, const GridHeader& header, LoadTurns& turns,
                       LoadHost& host) {
  const SurfaceHandle surface = host.Surface().hDC();
  const MapPlacement placement = host.Placement();
  const CellSpan span = VisibleCells(ViewportOf(placement), ExtentOf(header),
                                     PixelRect{0, 0, surface.width, surface.height});
  PaintPass painter(header, host.Range(), placement, host.Surface());
  VisibleReading reading(reader, painter, turns);
  if (span.IsEmpty()) {
    return reading.Skip(CellCount(header));
  }
  const auto width = static_cast<std::uint64_t>(header.GridWidth);
  const auto first = static_cast<std::uint64_t>(span.firstColumn);
  const auto columns = static_cast<std::uint64_t>(span.endColumn - span.firstColumn);
  const auto rows = static_cast<std::uint64_t>(span.endRow - span.firstRow);
  // In file order: the lowest row in view is stored first.
  if (!reading.Skip(static_cast<std::uint64_t>(FlipRow(span.endRow - 1, header.GridHeight)) *
                        width +
                    first)) {
    return false;
  }
  if (columns == width) {
    if (!reading.Paint(rows * width)) {
      return false;
    }
  } else {
    for (std::uint64_t row = 0; row < rows; ++row) {
      const std::uint64_t toNextRow = row + 1 < rows ? width - columns : 0;
      if (!reading.Paint(columns) || !reading.Skip(toNextRow)) {
        return false;
      }
    }
  }
  // The turns for the rest, as though it were read too.
  return reading.Skip(CellCount(header) - painter.NextRecord());
}

}  // namespace tolmer
