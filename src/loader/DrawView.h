// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>

#include "grid/GridFormat.h"
#include "grid/GridReader.h"
#include "loader/LoadResult.h"
#include "render/DrawingSurface.h"
#include "render/Relief.h"
#include "render/Viewport.h"

namespace tolmer {

// How drawing a view, or reading the cell under the pointer, ended: done; stale,
// because the file is gone or no longer the one loaded, which the reason says; or
// abandoned for a newer request.
struct ViewResult {
  enum class Outcome { Done, Stale, Abandoned };

  Outcome outcome = Outcome::Done;
  std::string reason;

  bool IsDone() const { return outcome == Outcome::Done; }
  bool IsStale() const { return outcome == Outcome::Stale; }
};

// What a view asks of whoever shows it: whether to go on, and where a long read of
// records has got, from 0 to 1.
struct ViewControl {
  std::stop_token stop;
  std::function<void(double fraction)> progress;
};

// Where the pixels of a view come from.
enum class ViewSource {
  Records,   // 2 pixels a cell or more: each visible record, read by position
  Overview,  // a level of the load's overview, its bins box-filtered into pixels
  Region,    // the records of the region in view, binned into pixels
};
// For a view drawn within `area` of a surface.
ViewSource SourceOf(const LoadedGrid& grid, const Viewport& view, const PixelRect& area);

// Draws the loaded grid as `view` places it onto `surface`, in its map area only
// (from row 25 down): the caller fills the background first. Every read reopens the
// file and checks that it is still the one loaded, so a picture never mixes two
// versions of it; a stale result leaves the surface half drawn, to be dropped.
// With `relief` on, the colours are lit by the slopes: at 2 pixels a cell and more
// each cell by its own corners, zoomed out by the mean heights of neighbouring pixels.
ViewResult DrawView(const LoadedGrid& grid, const Viewport& view, const SurfaceHandle& surface,
                    const ViewControl& control, const Relief& relief = {});
// The same within `area` of the surface, for pictures without the window's controls.
ViewResult DrawView(const LoadedGrid& grid, const Viewport& view, const SurfaceHandle& surface,
                    const PixelRect& area, const ViewControl& control, const Relief& relief = {});

// Opens the loaded grid's file into `reader`: GridError unless it is still the one loaded.
void OpenLoaded(GridReader& reader, const LoadedGrid& grid);

// The cell under the pointer, as the file holds it.
struct CellReading {
  ViewResult result;
  PictureCell cell;
  std::int64_t storedRow = 0;  // as counted in the file, from 0
  std::uint64_t record = 0;
  CellRecord values;
};
CellReading ReadCell(const LoadedGrid& grid, const PictureCell& cell);

}  // namespace tolmer
