// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/GridPictureRows.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "grid/GridError.h"
#include "render/CellColor.h"
#include "render/MemorySurface.h"

namespace tolmer {
namespace {

void PutColour(unsigned char* rgb, Colour colour) {
  rgb[0] = RedOf(colour);
  rgb[1] = GreenOf(colour);
  rgb[2] = BlueOf(colour);
}

// The four corners of records [begin, end) of `block` added to `sums`.
void AddRun(BinSums& sums, const RecordBlock& block, std::size_t begin, std::size_t end) {
  double all = 0.0;
  double others = 0.0;
  std::size_t otherCells = 0;
  for (std::size_t index = begin; index < end; ++index) {
    const unsigned char* bytes = block.RecordBytes(index);
    const double corners = static_cast<double>(LoadF32LE(bytes)) + LoadF32LE(bytes + 4) +
                           LoadF32LE(bytes + 8) + LoadF32LE(bytes + 12);
    all += corners;
    if (LoadI32LE(bytes + 16) != 0) {
      others += corners;
      ++otherCells;
    }
  }
  const auto cells = static_cast<double>(end - begin);
  sums.count[0] += 4.0 * (cells - static_cast<double>(otherCells));
  sums.count[1] += 4.0 * static_cast<double>(otherCells);
  sums.sum[0] += all - others;
  sums.sum[1] += others;
}

// The pixel under `coordinate`, or `limit` where that is at or past it.
std::int64_t PixelOf(double coordinate, std::int64_t limit) {
  return std::min(static_cast<std::int64_t>(std::floor(coordinate)), limit);
}

// For each of `pixels` pixel columns and the end, the first of `columns` cells
// whose centre lies in it or beyond, at `scale` pixels a cell: estimated, then
// settled by the same test the centres would meet one by one.
std::vector<std::int64_t> FirstColumns(double scale, std::int64_t columns, std::int64_t pixels) {
  const auto centrePixel = [scale, pixels](std::int64_t column) {
    return PixelOf(static_cast<double>(column) * scale + 0.5 * scale, pixels);
  };
  std::vector<std::int64_t> first;
  for (std::int64_t x = 0; x <= pixels; ++x) {
    auto column = std::clamp<std::int64_t>(
        static_cast<std::int64_t>(std::ceil(static_cast<double>(x) / scale - 0.5)), 0, columns);
    while (column > 0 && centrePixel(column - 1) >= x) {
      --column;
    }
    while (column < columns && centrePixel(column) < x) {
      ++column;
    }
    first.push_back(column);
  }
  return first;
}

}  // namespace

GridPictureRows::GridPictureRows(const GridReader& reader, const GridHeader& header,
                                 const HeightRange& range, const GridPicture& picture,
                                 const Relief& relief)
    : reader_(reader),
      header_(header),
      range_(range),
      shading_(range),
      relief_(relief),
      scale_(picture.view.scale),
      width_(picture.width),
      height_(picture.height) {
  const auto pixels = static_cast<std::size_t>(width_);
  if (picture.view.IsCrisp()) {
    pendingRgb_.resize(3 * pixels);
    return;
  }
  sums_.resize(pixels);
  belowSums_.resize(pixels);
  if (relief_.on) {
    slopes_.resize(pixels);
    belowSlopes_.resize(pixels);
  }
  const std::int64_t columns = header_.GridWidth;
  if (scale_ > 1.0) {
    // Fewer columns than pixels.
    for (std::int64_t column = 0; column < columns; ++column) {
      const double left = static_cast<double>(column) * scale_;
      leftPixel_.push_back(PixelOf(left + 0.25 * scale_, width_));
      rightPixel_.push_back(PixelOf(left + 0.75 * scale_, width_));
    }
    return;
  }
  firstColumn_ = FirstColumns(scale_, columns, width_);
}

GridPictureRows::Row GridPictureRows::MakeRow() const {
  Row row;
  row.rgb.resize(3 * static_cast<std::size_t>(width_));
  row.sums.resize(sums_.size());
  row.slopes.resize(slopes_.size());
  return row;
}

void GridPictureRows::Draw(Row& row) {
  try {
    if (pendingRgb_.empty()) {
      DrawBinned(row);
    } else {
      DrawCrisp(row.rgb.data());
    }
  } catch (const GridError&) {
    // A file rewritten under the read failed because of that, whatever its
    // half-written bytes made the reading trip over.
    reader_.requireUnchanged();
    throw;
  }
  ++nextY_;
}

const unsigned char* GridPictureRows::Shade(Row& row) const {
  for (std::size_t x = 0; x < row.sums.size(); ++x) {
    if (row.sums[x].IsEmpty()) {
      PutColour(row.rgb.data() + 3 * x, MemorySurface::kDefaultBackground);
      continue;
    }
    Colour colour = shading_(row.sums[x]);
    if (!row.slopes.empty()) {
      const SlopeSums& slope = row.slopes[x];
      colour = Lit(colour, LightOf(slope.across / slope.count, slope.up / slope.count,
                                   relief_.exaggeration));
    }
    PutColour(row.rgb.data() + 3 * x, colour);
  }
  return row.rgb.data();
}

void GridPictureRows::DrawCrisp(unsigned char* rgb) {
  if (nextY_ % 2 == 1) {
    std::memcpy(rgb, pendingRgb_.data(), pendingRgb_.size());
    return;
  }
  ReadRowCells(reader_, header_, nextRow_++, 0, header_.GridWidth, buffer_,
               [&](std::int64_t first, const RecordBlock& block) {
                 unsigned char* upper = rgb + 6 * first;
                 unsigned char* lower = pendingRgb_.data() + 6 * first;
                 for (std::size_t index = 0; index < block.Size(); ++index) {
                   const CellRecord cell = block[index];
                   double light = 1.0;
                   if (relief_.on) {
                     double across = 0.0;
                     double up = 0.0;
                     SlopeOfCell(cell, across, up);
                     light = LightOf(across, up, relief_.exaggeration);
                   }
                   const auto put = [&](unsigned char* pixel, float height) {
                     Colour colour = 0;
                     CellColor(range_, height, cell.CellType, colour);
                     PutColour(pixel, relief_.on ? Lit(colour, light) : colour);
                   };
                   put(upper + 6 * index, cell.Height3);
                   put(upper + 6 * index + 3, cell.Height4);
                   put(lower + 6 * index, cell.Height1);
                   put(lower + 6 * index + 3, cell.Height2);
                 }
               });
}

void GridPictureRows::DrawBinned(Row& row) {
  // Every row of cells whose upper corners land on this pixel row; their lower ones
  // land here or on the row below.
  const double reach = scale_ > 1.0 ? 0.25 * scale_ : 0.5 * scale_;
  while (nextRow_ < header_.GridHeight &&
         PixelOf(static_cast<double>(nextRow_) * scale_ + reach, height_) <= nextY_) {
    if (scale_ > 1.0) {
      AddCorners(nextRow_);
    } else {
      AddCells(nextRow_);
    }
    ++nextRow_;
  }
  std::swap(row.sums, sums_);
  std::swap(sums_, belowSums_);
  std::fill(belowSums_.begin(), belowSums_.end(), BinSums{});
  std::swap(row.slopes, slopes_);
  std::swap(slopes_, belowSlopes_);
  std::fill(belowSlopes_.begin(), belowSlopes_.end(), SlopeSums{});
}

void GridPictureRows::AddCorners(std::int64_t row) {
  const double top = static_cast<double>(row) * scale_;
  const bool together = PixelOf(top + 0.75 * scale_, height_) == nextY_;
  BinSums* upper = sums_.data();
  BinSums* lower = together ? upper : belowSums_.data();
  SlopeSums* upperSlopes = slopes_.data();
  SlopeSums* lowerSlopes = together ? upperSlopes : belowSlopes_.data();
  ReadRowCells(reader_, header_, row, 0, header_.GridWidth, buffer_,
               [&](std::int64_t first, const RecordBlock& block) {
                 for (std::size_t index = 0; index < block.Size(); ++index) {
                   const auto column = static_cast<std::size_t>(first) + index;
                   const CellRecord cell = block[index];
                   const bool other = cell.CellType != 0;
                   for (const std::int64_t x : {leftPixel_[column], rightPixel_[column]}) {
                     if (x < width_ && relief_.on) {
                       upperSlopes[x].Add(cell, 1.0);
                       lowerSlopes[x].Add(cell, 1.0);
                     }
                   }
                   if (const std::int64_t x = leftPixel_[column]; x < width_) {
                     upper[x].AddCorner(other, cell.Height3);
                     lower[x].AddCorner(other, cell.Height1);
                   }
                   if (const std::int64_t x = rightPixel_[column]; x < width_) {
                     upper[x].AddCorner(other, cell.Height4);
                     lower[x].AddCorner(other, cell.Height2);
                   }
                 }
               });
}

void GridPictureRows::AddCells(std::int64_t row) {
  std::int64_t x = 0;
  ReadRowCells(reader_, header_, row, 0, header_.GridWidth, buffer_,
               [&](std::int64_t first, const RecordBlock& block) {
                 const std::int64_t end = first + static_cast<std::int64_t>(block.Size());
                 for (std::int64_t column = first; column < end;) {
                   while (x < width_ && column >= firstColumn_[static_cast<std::size_t>(x + 1)]) {
                     ++x;
                   }
                   if (x == width_) {
                     return;  // the rest lie beyond the picture
                   }
                   const std::int64_t runEnd =
                       std::min(end, firstColumn_[static_cast<std::size_t>(x + 1)]);
                   AddRun(sums_[static_cast<std::size_t>(x)], block,
                          static_cast<std::size_t>(column - first),
                          static_cast<std::size_t>(runEnd - first));
                   for (std::int64_t each = column; relief_.on && each < runEnd; ++each) {
                     slopes_[static_cast<std::size_t>(x)].Add(
                         block[static_cast<std::size_t>(each - first)], 1.0);
                   }
                   column = runEnd;
                 }
               });
}

}  // namespace tolmer
