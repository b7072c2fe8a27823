// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <stop_token>

#include "loader/LoadResult.h"
#include "render/Overview.h"
#include "render/Viewport.h"

namespace tolmer {

// The cells in a view and their mean heights, by class, summed from a level of the
// load's overview: [0] type 0, [1] every other type. Bins cut by the view's edges
// count whole, so the figures are about those of the cells in view; the overview
// keeps no lowest or highest heights, so neither is here.
struct ViewStatistics {
  BinSums corners;           // of the bins summed
  CellSpan span;             // the cells in view
  std::int64_t binSide = 0;  // cells on a side of the bins summed

  double Cells(int type) const { return corners.count[type] / 4.0; }
  double AllCells() const { return Cells(0) + Cells(1); }
  // Only meaningful when the class has cells.
  double Mean(int type) const { return corners.sum[type] / corners.count[type]; }
};

// Bins in view at most, for the finest level summed: a view's figures come in
// milliseconds even where that level lies on disk.
inline constexpr std::int64_t kMostViewBins = std::int64_t{1} << 20U;

// The figures of the cells `view` shows in `area`, from the finest kept level with at
// most kMostViewBins bins in view; nullopt when stopped first, or when the grid has
// no such level. Throws GridError when the disk does not give a level's bins back.
std::optional<ViewStatistics> StatisticsInView(const LoadedGrid& grid, const Viewport& view,
                                               const PixelRect& area,
                                               const std::stop_token& stop = {});

}  // namespace tolmer
