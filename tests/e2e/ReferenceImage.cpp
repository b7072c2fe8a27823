// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
// tolmer-e2e-reference GRID OUT.ppm BACKGROUND: writes what a fresh viewer window
// must show after loading GRID, as the core computes it, on a background given as
// RRGGBB hex (the window's own colour, read from a screenshot).
#include <charconv>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "render/PpmWriter.h"
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: tolmer-e2e-reference GRID OUT.ppm RRGGBB\n";
    return 2;
  }
  try {
    const auto load = tolmer::testing::LoadIntoMemory(argv[1], ParseRgbHex(argv[3]));
    tolmer::WritePpm(load.picture, argv[2]);
    std::cout << load.status << '\n';
  } catch (const std::exception& error) {
    std::cerr << "tolmer-e2e-reference: " << error.what() << '\n';
    return EXIT_FAILURE;
  }
  return EXIT_SUCCESS;
}
