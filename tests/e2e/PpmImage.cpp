// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "PpmImage.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace tolmer::e2e {
namespace {

// Reads the next header number, skipping white space and # comments.
std::int32_t ReadHeaderNumber(std::istream& in) {
  in >> std::ws;
  while (in.peek() == '#') {
    in.ignore(1 << 20, '\n');
    in >> std::ws;
  }
  std::int32_t value = -1;
  if (!(in >> value) || value < 0) {
    throw std::runtime_error("bad PPM header");
  }
  return value;
}

}  // namespace

Colour PpmImage::at(std::int32_t x, std::int32_t y) const {
  if (!contains(x, y)) {
    throw std::out_of_range("pixel outside the image");
  }
  const std::size_t offset = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                              static_cast<std::size_t>(x)) *
                             3;
  return MakeColour(rgb[offset], rgb[offset + 1], rgb[offset + 2]);
}

PpmImage ReadPpm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  if (!(in >> magic) || magic != "P6") {
    throw std::runtime_error(path + " is not a binary PPM");
  }
  PpmImage image;
  image.width = ReadHeaderNumber(in);
  image.height = ReadHeaderNumber(in);
  if (ReadHeaderNumber(in) != 255) {
    throw std::runtime_error(path + " does not have 8 bits per channel");
  }
  in.get();  // the single white space character before the pixels
  image.rgb.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) *
                   3);
  in.read(reinterpret_cast<char*>(image.rgb.data()),
          static_cast<std::streamsize>(image.rgb.size()));
  if (!in) {
    throw std::runtime_error(path + " is shorter than its header says");
  }
  return image;
}

}  // namespace tolmer::e2e
