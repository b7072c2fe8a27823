// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/Colour.h"

namespace tolmer::e2e {

// A binary PPM (P6, 8 bits per channel) as screenshots and WritePpm store them.
struct PpmImage {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<unsigned char> rgb;

  bool contains(std::int32_t x, std::int32_t y) const {
    return x >= 0 && y >= 0 && x < width && y < height;
  }
  Colour at(std::int32_t x, std::int32_t y) const;
};

// Throws std::runtime_error for a missing file or anything but an 8-bit P6.
PpmImage ReadPpm(const std::string& path);

}  // namespace tolmer::e2e
