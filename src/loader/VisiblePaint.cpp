// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/VisiblePaint.h"

#include <algorithm>
#include <memory>

#include "grid/HeightBounds.h"
#include "loader/CellPainter.h"
#include "loader/HeightScan.h"

namespace tolmer {
namespace {

// True when no height of the block can fail to shade: pass 1 saw every one of
// them, unless the file has changed since.
bool InsideRange(const HeightBounds& bounds, const HeightRange& range) {
  return bounds.allFinite && bounds.lowest >= range.MinHeight && bounds.highest <= range.MaxHeight;
}

class VisiblePainter {
 public:
  VisiblePainter(const GridReader& reader, const GridHeader& header, LoadTurns& turns,
                 LoadHost& host)
      : reader_(reader),
        turns_(turns),
        range_(host.Range()),
        painter_(header, range_, host.Placement(), host.Surface()),
        buffer_(
            std::make_unique_for_overwrite<unsigned char[]>(kScanChunkRecords * kCellRecordSize)) {}

  // Passes over `cells` records unread.
  bool Skip(std::uint64_t cells) {
    if (!turns_.Skip(cells)) {
      return false;
    }
    painter_.skip(cells);
    next_ += cells;
    return true;
  }

  // Reads and paints the next `cells` records.
  bool Paint(std::uint64_t cells) {
    while (cells > 0) {
      const std::uint64_t now = turns_.Next(std::min(cells, kScanChunkRecords));
      if (now == 0) {
        return false;
      }
      // A file cut short still gets every whole record before its end painted.
      RecordBlock block =
          reader_.readRecordsUpTo(next_, static_cast<std::size_t>(now), buffer_.get());
      if (block.size() == 0) {
        block = reader_.readRecordsAt(next_, 1, buffer_.get());  // throws where it ends
      }
      if (InsideRange(ScanHeightBounds(block), range_)) {
        painter_.paintInRange(block);
      } else {
        painter_.paintEach(block);
      }
      turns_.Done(block.size());
      next_ += block.size();
      cells -= block.size();
    }
    return true;
  }

 private:
  const GridReader& reader_;
  LoadTurns& turns_;
  const HeightRange& range_;
  CellPainter painter_;
  std::unique_ptr<unsigned char[]> buffer_;
  std::uint64_t next_ = 0;  // the record after the last one painted or passed over
};

}  // namespace

bool PaintVisibleCells(const GridReader& reader, const GridHeader& header, LoadTurns& turns,
                       LoadHost& host) {
  const SurfaceHandle surface = host.Surface().hDC();
  const MapPlacement placement = host.Placement();
  const auto width = static_cast<std::uint64_t>(header.GridWidth);
  const auto height = static_cast<std::uint64_t>(header.GridHeight);
  const auto columns = std::min<std::uint64_t>(
      width, static_cast<std::uint64_t>(placement.VisibleColumns(surface.width)));
  const auto rows = std::min<std::uint64_t>(
      height, static_cast<std::uint64_t>(placement.VisibleRows(surface.height)));
  VisiblePainter painter(reader, header, turns, host);
  // The rows stored last are the top of the picture.
  if (!painter.Skip((height - rows) * width)) {
    return false;
  }
  if (columns == width) {
    return painter.Paint(rows * width);
  }
  for (std::uint64_t row = 0; row < rows; ++row) {
    if (!painter.Paint(columns) || !painter.Skip(width - columns)) {
      return false;
    }
  }
  return true;
}

}  // namespace tolmer
