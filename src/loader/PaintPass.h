// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "grid/GridFormat.h"
#include "grid/GridReader.h"
#include "loader/LoadHost.h"
#include "render/DrawingSurface.h"
#include "render/HeightRange.h"
#include "render/MapPlacement.h"

namespace tolmer {

// Paints the cells of pass 2 block by block in file order, keeping only the index
// of the next record: its column and row follow from it, rows running from
// GridHeight - 1 down to 0 and columns left to right. Which cells show is the
// caller's business: it passes over the others with Skip.
class PaintPass {
 public:
  PaintPass(const GridHeader& header, const HeightRange& range, const MapPlacement& placement,
            DrawingSurface& surface);

  // Paints the block, checking its cells one by one only when its heights are not
  // all finite and inside the range.
  void Paint(const RecordBlock& block);
  // Paints a block whose heights are all finite and inside the range, so that no
  // cell can fail and none needs checking.
  void PaintInRange(const RecordBlock& block);
  // Checks and paints cell by cell, so that a faulty cell ends the load with every
  // cell before it painted and none after it. Throws GridError naming that cell.
  void PaintEach(const RecordBlock& block);
  // Passes over the next `cells` cells without painting them.
  void Skip(std::uint64_t cells) { next_ += cells; }
  // The record that is painted or passed over next.
  std::uint64_t NextRecord() const { return next_; }

 private:
  std::int32_t Column() const;
  std::int32_t Row() const;

  std::int32_t width_;
  std::int32_t height_;
  const HeightRange& range_;
  MapPlacement placement_;
  DrawingSurface& surface_;
  std::uint64_t next_ = 0;
};

// Pass 2, after the clear: paints, in file order, every cell whose block has a pixel
// on the host's surface as it is now, reading only those records by position. The
// others are passed over unread, though the host still gets its turns for them.
// Throws GridError for a faulty painted cell or a failed read; returns false when
// the host has asked the load to stop.
bool PaintVisibleCells(const GridReader& reader, const GridHeader& header, LoadTurns& turns,
                       LoadHost& host);

}  // namespace tolmer
