// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
// tolmer-e2e-compare: pixel checks on screenshots.
//   pixel IMAGE X Y                  prints the pixel's colour as RRGGBB
//   same A AX AY B BX BY WIDTH HEIGHT  succeeds when the WIDTH x HEIGHT rectangles
//                                    at (AX, AY) in A and (BX, BY) in B are equal
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "PpmImage.h"

namespace {

using tolmer::Colour;
using tolmer::e2e::PpmImage;
using tolmer::e2e::ReadPpm;

std::int32_t ParseInt(std::string_view text) {
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) {
    throw std::invalid_argument("not a number: " + std::string(text));
  }
  return value;
}

std::string Hex(Colour colour) {
  char text[7];
  std::snprintf(text, sizeof text, "%02x%02x%02x", tolmer::RedOf(colour), tolmer::GreenOf(colour),
                tolmer::BlueOf(colour));
  return text;
}

int PrintPixel(char** args) {
  const PpmImage image = ReadPpm(args[0]);
  std::cout << Hex(image.at(ParseInt(args[1]), ParseInt(args[2]))) << '\n';
  return EXIT_SUCCESS;
}

int CompareRectangles(char** args) {
  const PpmImage a = ReadPpm(args[0]);
  const std::int32_t ax = ParseInt(args[1]);
  const std::int32_t ay = ParseInt(args[2]);
  const PpmImage b = ReadPpm(args[3]);
  const std::int32_t bx = ParseInt(args[4]);
  const std::int32_t by = ParseInt(args[5]);
  const std::int32_t width = ParseInt(args[6]);
  const std::int32_t height = ParseInt(args[7]);
  if (!a.contains(ax, ay) || !a.contains(ax + width - 1, ay + height - 1) || !b.contains(bx, by) ||
      !b.contains(bx + width - 1, by + height - 1)) {
    throw std::out_of_range("rectangle outside an image");
  }
  long differences = 0;
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      const Colour left = a.at(ax + x, ay + y);
      const Colour right = b.at(bx + x, by + y);
      if (left != right && differences++ == 0) {
        std::cout << "first difference at (" << ax + x << ", " << ay + y << ") of " << args[0]
                  << ": " << Hex(left) << " there, " << Hex(right) << " in " << args[3] << '\n';
      }
    }
  }
  if (differences != 0) {
    std::cout << differences << " of " << long{width} * height << " pixels differ\n";
    return EXIT_FAILURE;
  }
  return EXIT_SUCCESS;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view command = argc > 1 ? argv[1] : "";
  try {
    if (command == "pixel" && argc == 5) {
      return PrintPixel(argv + 2);
    }
    if (command == "same" && argc == 10) {
      return CompareRectangles(argv + 2);
    }
  } catch (const std::exception& error) {
    std::cerr << "tolmer-e2e-compare: " << error.what() << '\n';
    return 2;
  }
  std::cerr << "usage: tolmer-e2e-compare pixel IMAGE X Y\n"
               "       tolmer-e2e-compare same A AX AY B BX BY WIDTH HEIGHT\n";
  return 2;
}
