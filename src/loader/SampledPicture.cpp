// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/SampledPicture.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "grid/GridError.h"
#include "grid/HeightBounds.h"
#include "loader/RecordChunks.h"
#include "render/MemorySurface.h"
#include "render/Overview.h"

namespace tolmer {
namespace {

// Pixel rows and columns far from the edges are rounding-safe either way: this is
// a sample, not the export's exact binning.
std::int64_t CentrePixel(std::int64_t cell, double scale, std::int64_t pixels) {
  return std::clamp<std::int64_t>(
      static_cast<std::int64_t>(std::floor((static_cast<double>(cell) + 0.5) * scale)), 0,
      pixels - 1);
}

// The first of `cells` cells whose centre lies at or past pixel `x`.
std::int64_t FirstCellFrom(std::int64_t x, double scale, std::int64_t cells) {
  return std::clamp<std::int64_t>(
      static_cast<std::int64_t>(std::ceil(static_cast<double>(x) / scale - 0.5)), 0, cells);
}

}  // namespace

SampledPicture::SampledPicture(const GridReader& reader, const GridHeader& header,
                               const GridPicture& picture, std::uint64_t sampleBytes)
    : width_(picture.width),
      height_(picture.height),
      scale_(picture.view.scale),
      rgb_(3 * static_cast<std::size_t>(picture.width)) {
  const std::int64_t columns = header.GridWidth;
  const std::int64_t gridRows = header.GridHeight;
  const std::uint64_t sampleCells = std::max<std::uint64_t>(sampleBytes / kCellRecordSize, 1);
  // Rows are read one by one, so thin ones are not worth many more than the pixels.
  const auto rowCount = static_cast<std::int64_t>(
      std::clamp<std::uint64_t>(sampleCells / static_cast<std::uint64_t>(columns), 1,
                                std::min<std::uint64_t>(static_cast<std::uint64_t>(gridRows),
                                                        2 * static_cast<std::uint64_t>(height_))));
  const std::uint64_t runCells =
      static_cast<std::uint64_t>(columns) * static_cast<std::uint64_t>(rowCount) <= sampleCells
          ? static_cast<std::uint64_t>(columns)
          : std::max<std::uint64_t>(sampleCells / static_cast<std::uint64_t>(width_), 1);

  // Each pixel column's run: the cells whose centres lie in it, at most runCells of
  // them from its middle; the cell under its centre when no centre lies in it.
  std::vector<std::int64_t> runFirst;
  runStart_.push_back(0);
  for (std::int64_t x = 0; x < width_; ++x) {
    std::int64_t first = FirstCellFrom(x, scale_, columns);
    std::int64_t end = x + 1 == width_ ? columns : FirstCellFrom(x + 1, scale_, columns);
    if (first >= end) {
      first =
          std::min(static_cast<std::int64_t>((static_cast<double>(x) + 0.5) / scale_), columns - 1);
      end = first + 1;
    }
    const std::int64_t count = std::min(end - first, static_cast<std::int64_t>(runCells));
    runFirst.push_back(first + (end - first - count) / 2);
    runStart_.push_back(runStart_.back() + static_cast<std::size_t>(count));
  }
  const std::size_t rowRecords = runStart_.back();
  const auto runEnd = [&](std::size_t x) {
    return runFirst[x] + static_cast<std::int64_t>(runStart_[x + 1] - runStart_[x]);
  };

  records_.resize(static_cast<std::size_t>(rowCount) * rowRecords * kCellRecordSize);
  ChunkBuffer buffer;
  unsigned char* out = records_.data();
  for (std::int64_t index = 0; index < rowCount; ++index) {
    const auto row =
        static_cast<std::int64_t>((static_cast<double>(index) + 0.5) *
                                  static_cast<double>(gridRows) / static_cast<double>(rowCount));
    rows_.push_back(row);
    rowPixel_.push_back(CentrePixel(row, scale_, height_));
    // Neighbouring runs that meet are read as one.
    for (std::size_t x = 0; x < runFirst.size();) {
      std::size_t end = x + 1;
      while (end < runFirst.size() && runFirst[end] == runEnd(end - 1)) {
        ++end;
      }
      ReadRowCells(reader, header, row, runFirst[x], runEnd(end - 1), buffer,
                   [&](std::int64_t column, const RecordBlock& block) {
                     const HeightBounds bounds = ScanHeightBounds(block);
                     if (!bounds.allFinite) {
                       for (std::size_t cell = 0; cell < block.Size(); ++cell) {
                         RequireFinite(block[cell], RecordOfCell(header, column, row) + cell,
                                       header.GridWidth);
                       }
                     }
                     range_.Widen(bounds);
                     std::memcpy(out, block.RecordBytes(0), block.Size() * kCellRecordSize);
                     out += block.Size() * kCellRecordSize;
                   });
      x = end;
    }
  }
}

void SampledPicture::RowsOf(std::int32_t y, std::size_t& first, std::size_t& end) const {
  first = static_cast<std::size_t>(std::ranges::lower_bound(rowPixel_, y) - rowPixel_.begin());
  end = static_cast<std::size_t>(std::ranges::upper_bound(rowPixel_, y) - rowPixel_.begin());
  if (first < end) {
    return;
  }
  // None: the nearest row read, by the distance of its centre from this row's.
  const double centre = (static_cast<double>(y) + 0.5) / scale_;
  const auto distance = [&](std::size_t index) {
    return std::abs(static_cast<double>(rows_[index]) + 0.5 - centre);
  };
  if (first == rows_.size() || (first > 0 && distance(first - 1) <= distance(first))) {
    --first;
  }
  end = first + 1;
}

const unsigned char* SampledPicture::Row(std::int32_t y) {
  std::size_t first = 0;
  std::size_t end = 0;
  RowsOf(y, first, end);
  // Pixel rows stretched from the same rows read look the same.
  if (first != shadedFirst_ || end != shadedEnd_) {
    Shade(first, end);
    shadedFirst_ = first;
    shadedEnd_ = end;
  }
  return rgb_.data();
}

void SampledPicture::Shade(std::size_t firstRow, std::size_t endRow) {
  const std::size_t rowRecords = runStart_.back();
  for (std::size_t x = 0; x < static_cast<std::size_t>(width_); ++x) {
    BinSums sums;
    for (std::size_t row = firstRow; row < endRow; ++row) {
      const RecordBlock block(records_.data() + row * rowRecords * kCellRecordSize, rowRecords);
      for (std::size_t index = runStart_[x]; index < runStart_[x + 1]; ++index) {
        const CellRecord cell = block[index];
        const bool other = cell.CellType != 0;
        sums.AddCorner(other, cell.Height1);
        sums.AddCorner(other, cell.Height2);
        sums.AddCorner(other, cell.Height3);
        sums.AddCorner(other, cell.Height4);
      }
    }
    const Colour colour =
        sums.IsEmpty() ? MemorySurface::kDefaultBackground : BinColour(sums, range_);
    rgb_[3 * x] = RedOf(colour);
    rgb_[3 * x + 1] = GreenOf(colour);
    rgb_[3 * x + 2] = BlueOf(colour);
  }
}

}  // namespace tolmer
