// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "grid/GridFormat.h"
#include "grid/RecordBlock.h"
#include "render/DrawingSurface.h"
#include "render/HeightRange.h"
#include "render/MapPlacement.h"

namespace tolmer {

// Paints the cells of pass 2 block by block, keeping count of the column and row
// of the next cell: rows run from GridHeight - 1 down to 0, columns left to right.
// Which cells show is the caller's business: it passes over the others with skip.
class CellPainter {
 public:
  CellPainter(const GridHeader& header, const HeightRange& range, const MapPlacement& placement,
              DrawingSurface& surface);

  // Paints a block whose heights are all finite and inside the range, so that no
  // cell can fail and none needs checking.
  void paintInRange(const RecordBlock& block);
  // Checks and paints cell by cell, so that a faulty cell ends the load with every
  // cell before it painted and none after it. Throws GridError naming that cell.
  void paintEach(const RecordBlock& block);
  // Passes over the next `cells` cells without painting them.
  void skip(std::uint64_t cells);

 private:
  void advance(std::int32_t cells);
  std::uint64_t record() const;

  std::int32_t width_;
  std::int32_t height_;
  const HeightRange& range_;
  MapPlacement placement_;
  DrawingSurface& surface_;
  std::int32_t x_ = 0;
  std::int32_t y_;
};

}  // namespace tolmer
