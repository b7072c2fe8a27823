// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

#include "grid/GridFormat.h"
#include "grid/GridReader.h"
#include "render/HeightRange.h"
#include "render/Viewport.h"

namespace tolmer {

// A quick picture of a grid too large to read whole in a moment, as a thumbnail
// wants it: from whole rows evenly spaced down the grid, about `sampleBytes` of
// records in all, and where a single row is larger than that, from evenly spaced
// runs of it, one run a pixel column. The range, and so the shades, come from the
// records read only. Each pixel is the average of the cells read whose centres
// fall in it, as in a scaled export; a pixel row no row read falls in takes the
// nearest row read, a pixel column no cell falls in the cell under its centre.
class SampledPicture {
 public:
  // Reads the sample at once: GridError where the file cannot be read or a record
  // read holds a height that is not finite.
  SampledPicture(const GridReader& reader, const GridHeader& header, const GridPicture& picture,
                 std::uint64_t sampleBytes);

  const HeightRange& Range() const { return range_; }
  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }
  // The R, G, B bytes of pixel row `y`, counted from the top; valid until the next call.
  const unsigned char* Row(std::int32_t y);

 private:
  // The rows read whose centres fall in pixel row y: [first, end) of rows_; empty
  // when none does.
  void RowsOf(std::int32_t y, std::size_t& first, std::size_t& end) const;
  void Shade(std::size_t firstRow, std::size_t endRow);

  std::int32_t width_;
  std::int32_t height_;
  double scale_;
  HeightRange range_;
  // The picture rows read, from the top, and the pixel row each one's centre is in.
  std::vector<std::int64_t> rows_;
  std::vector<std::int64_t> rowPixel_;
  // The cells read of each row: for pixel column x, runStart_[x] to runStart_[x + 1]
  // of its records, which lie one row after another in `records_`.
  std::vector<std::size_t> runStart_;
  std::vector<unsigned char> records_;
  std::vector<unsigned char> rgb_;
  std::size_t shadedFirst_ = 0;
  std::size_t shadedEnd_ = 0;
};

}  // namespace tolmer
