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
#include "render/Viewport.h"

namespace tolmer {

// The picture of a whole grid, as BoundedGridPicture places it, made one row at a
// time from the top while the records are read once, from the last stored row to
// the first: memory grows with the picture's width, never with its height.
//
// At 2 pixels a cell each corner is one pixel of its CellColor. Scaled down, each
// pixel is BinColour of what lands in it: above 1 pixel a cell each corner by its
// own centre, a quarter cell in, so that no pixel stays empty; at 1 or less each
// cell whole by its centre, which is the area average of the cells in the pixel.
// A pixel that nothing reaches has the viewer's background.
class GridPictureRows {
 public:
  // `reader` is the grid's file, open, with `header`; `range` shades its heights.
  GridPictureRows(const GridReader& reader, const GridHeader& header, const HeightRange& range,
                  const GridPicture& picture);

  // One row of the picture on its way: drawn by Draw(), then made R, G, B bytes
  // by Shade(), which may run on another thread, so that a scaled picture's
  // shading overlaps the reading and binning of the rows after it.
  struct Row {
    std::vector<unsigned char> rgb;
    std::vector<BinSums> sums;
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
  // Above 1 pixel a cell: the pixel column of each column's left and right corners
  // (Width() for none). At 1 or less: the first column whose centre lies in each
  // pixel column and beyond, Width() + 1 of them.
  std::vector<std::int64_t> leftPixel_;
  std::vector<std::int64_t> rightPixel_;
  std::vector<std::int64_t> firstColumn_;
};

}  // namespace tolmer
