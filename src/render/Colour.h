// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace tolmer {

// A colour as 0x00BBGGRR: red in the lowest byte, blue in the third, top byte zero.
using Colour = std::uint32_t;

constexpr Colour MakeColour(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  return (red & 0xFFU) | (green & 0xFFU) << 8U | (blue & 0xFFU) << 16U;
}
constexpr std::uint8_t RedOf(Colour colour) {
  return static_cast<std::uint8_t>(colour);
}
constexpr std::uint8_t GreenOf(Colour colour) {
  return static_cast<std::uint8_t>(colour >> 8U);
}
constexpr std::uint8_t BlueOf(Colour colour) {
  return static_cast<std::uint8_t>(colour >> 16U);
}

}  // namespace tolmer
