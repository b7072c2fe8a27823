// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/ViewStatistics.h"

#include <vector>

namespace tolmer {

std::optional<ViewStatistics> StatisticsInView(const LoadedGrid& grid, const Viewport& view,
                                               const PixelRect& area, const std::stop_token& stop) {
  const Overview& overview = grid.overview;
  ViewStatistics statistics;
  statistics.span = VisibleCells(view, ExtentOf(grid.header), area);
  const CellSpan& span = statistics.span;
  if (span.IsEmpty()) {
    return statistics;
  }
  for (int level = 0; level < overview.Levels(); ++level) {
    const std::int64_t side = overview.BinSide(level);
    const std::int64_t firstRow = span.firstRow / side;
    const std::int64_t firstColumn = span.firstColumn / side;
    const std::int64_t rows = (span.endRow + side - 1) / side - firstRow;
    const std::int64_t columns = (span.endColumn + side - 1) / side - firstColumn;
    if (!overview.HasLevel(level) || rows * columns > kMostViewBins) {
      continue;
    }
    statistics.binSide = side;
    std::vector<BinSums> bins(static_cast<std::size_t>(columns));
    for (std::int64_t row = firstRow; row < firstRow + rows; ++row) {
      if (stop.stop_requested()) {
        return std::nullopt;
      }
      overview.ReadRow(level, row, firstColumn, columns, bins.data());
      for (const BinSums& bin : bins) {
        statistics.corners.Add(bin);
      }
    }
    return statistics;
  }
  return std::nullopt;
}

}  // namespace tolmer
