// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

#include "grid/GridFormat.h"
#include "grid/GridReader.h"
#include "loader/RecordChunks.h"
#include "render/HeightRange.h"
#include "render/Overview.h"
#include "render/Relief.h"
#include "render/Viewport.h"

namespace tolmer {

// The slopes of the cells whose corners or centres land in one pixel, summed: the
// pixel is lit by their mean.
struct SlopeSums {
  double across = 0.0;
  double up = 0.0;
  double count = 0.0;

  void Add(const CellRecord& cell, double times) {
    double cellAcross = 0.0;
    double cellUp = 0.0;
    SlopeOfCell(cell, cellAcross, cellUp);
    across += cellAcross * times;
    up += cellUp * times;
    count += times;
  }
};

// The picture of a whole grid, as BoundedGridPicture places it, made one row at a
// time from the top while the records are read once, from the last stored row to
// the first: memory grows with the picture's width, never with its height.
//
// At 2 pixels a cell each corner is one pixel of its CellColor. Scaled down, each
// pixel is BinColour of what lands in it: above 1 pixel a cell each corner by its
// own centre, a quarter cell in, so that no pixel stays empty; at 1 or less each
// cell whole by its centre, which is the area average of the cells in the pixel.
// A pixel that nothing reaches has the viewer's background. With relief, each
// colour is lit: at 2 pixels a cell by its cell's slope, scaled down by the mean
// slope of the cells that land in the pixel.
class GridPictureRows {
 public:
  // `reader` is the grid's file, open, with `header`; `range` shades its heights.
  GridPictureRows(const GridReader& reader, const GridHeader& header, const HeightRange& range,
                  const GridPicture& picture, const Relief& relief = {});

  // One row of the picture on its way: drawn by Draw(), then made R, G, B bytes
  // by Shade(), which may run on another thread, so that a scaled picture's
  // shading overlaps the reading and binning of the rows after it.
  struct Row {
    std::vector<unsigned char> rgb;
    std::vector<BinSums> sums;
    std::vector<SlopeSums> slopes;  // with relief, scaled down
  };

  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }

  Row MakeRow() const;
  // Draws the next row, from the top, into `row`. Throws GridError where the file
  // cannot be read.
  void Draw(Row& row);
  // The row's R, G, B bytes, 3 x Width() of them, held by `row`.
  const unsigned char* Shade(Row& row) const;

 private:
  void DrawCrisp(unsigned char* rgb);
  void DrawBinned(Row& row);
  void AddCorners(std::int64_t row);
  void AddCells(std::int64_t row);

  const GridReader& reader_;
  GridHeader header_;
  HeightRange range_;
  BinShading shading_;
  Relief relief_;
  double scale_;
  std::int32_t width_;
  std::int32_t height_;
  std::int64_t nextRow_ = 0;  // the picture row of cells read next
  std::int64_t nextY_ = 0;    // the pixel row made next
  ChunkBuffer buffer_;
  // At 2 pixels a cell: the lower half of the cells read last, not yet handed out.
  std::vector<unsigned char> pendingRgb_;
  // Scaled: the sums of pixel row nextY_ and of the one below it.
  std::vector<BinSums> sums_;
  std::vector<BinSums> belowSums_;
  std::vector<SlopeSums> slopes_;  // with relief, beside sums_ and belowSums_
  std::vector<SlopeSums> belowSlopes_;
  // Above 1 pixel a cell: the pixel column of each column's left and right corners
  // (Width() for none). At 1 or less: the first column whose centre lies in each
  // pixel column and beyond, Width() + 1 of them.
  std::vector<std::int64_t> leftPixel_;
  std::vector<std::int64_t> rightPixel_;
  std::vector<std::int64_t> firstColumn_;
};

}  // namespace tolmer
