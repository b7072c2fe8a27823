// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
// tolmer-e2e-reference GRID OUT.ppm BACKGROUND [VIEW]: writes what a fresh viewer
// window must show after loading GRID, as the core computes it, on a background
// given as RRGGBB hex (the window's own colour, read from a screenshot). VIEW is
// "fit", or "DX,DY" for the map dragged by that many pixels.
#include <charconv>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "loader/ShowGrid.h"
#include "loader/DrawView.h"
#include "render/PpmWriter.h"
#include "support/RecordingHost.h"
#include "support/ReferencePicture.h"

namespace {

tolmer::Colour ParseRgbHex(std::string_view text) {
  std::uint32_t rgb = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), rgb, 16);
  if (text.size() != 6 || error != std::errc() || end != text.data() + text.size()) {
    throw std::invalid_argument("not an RRGGBB colour: " + std::string(text));
  }
  return tolmer::MakeColour(rgb >> 16U, rgb >> 8U, rgb);
}

tolmer::Viewport ParseView(std::string_view text, const tolmer::GridExtent& grid) {
  if (text == "fit") {
    return tolmer::FitViewport(grid, tolmer::MapArea(tolmer::kViewerWidth, tolmer::kViewerHeight));
  }
  const std::size_t comma = text.find(',');
  int dx = 0;
  int dy = 0;
  if (comma == std::string_view::npos ||
      std::from_chars(text.data(), text.data() + comma, dx).ec != std::errc() ||
      std::from_chars(text.data() + comma + 1, text.data() + text.size(), dy).ec != std::errc()) {
    throw std::invalid_argument("not a view: " + std::string(text));
  }
  return tolmer::Panned(tolmer::DefaultViewport(), dx, dy, grid,
                        tolmer::MapArea(tolmer::kViewerWidth, tolmer::kViewerHeight));
}

// The grid loaded, then drawn at `view` as the window's map worker draws it.
tolmer::MemorySurface DrawnView(const std::string& path, tolmer::Colour background,
                                std::string_view view) {
  tolmer::testing::RecordingHost host(background);
  const tolmer::LoadResult result = tolmer::ShowGrid(path, host);
  if (!result.IsLoaded()) {
    throw std::runtime_error(result.Reason());
  }
  const tolmer::LoadedGrid& grid = *result.Grid();
  tolmer::MemorySurface surface(tolmer::kViewerWidth, tolmer::kViewerHeight, background);
  const tolmer::ViewResult drawn = tolmer::DrawView(
      grid, ParseView(view, {grid.header.GridWidth, grid.header.GridHeight}), surface.hDC(), {});
  if (!drawn.IsDone()) {
    throw std::runtime_error(drawn.reason);
  }
  return surface;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::cerr << "usage: tolmer-e2e-reference GRID OUT.ppm RRGGBB [fit|DX,DY]\n";
    return 2;
  }
  try {
    if (argc == 5) {
      tolmer::WritePpm(DrawnView(argv[1], ParseRgbHex(argv[3]), argv[4]), argv[2]);
      return EXIT_SUCCESS;
    }
    const auto load = tolmer::testing::LoadIntoMemory(argv[1], ParseRgbHex(argv[3]));
    tolmer::WritePpm(load.picture, argv[2]);
    std::cout << load.status << '\n';
  } catch (const std::exception& error) {
    std::cerr << "tolmer-e2e-reference: " << error.what() << '\n';
    return EXIT_FAILURE;
  }
  return EXIT_SUCCESS;
}
