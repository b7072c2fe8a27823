// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <bit>
#include <cstdint>

namespace tolmer {

// Byte-wise decoding keeps the file format independent of the host's byte order;
// compilers turn these into single loads and stores on little-endian machines.

inline std::uint32_t LoadU32LE(const unsigned char* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8U |
         static_cast<std::uint32_t>(bytes[2]) << 16U | static_cast<std::uint32_t>(bytes[3]) << 24U;
}

inline std::int32_t LoadI32LE(const unsigned char* bytes) {
  return static_cast<std::int32_t>(LoadU32LE(bytes));
}

inline float LoadF32LE(const unsigned char* bytes) {
  return std::bit_cast<float>(LoadU32LE(bytes));
}

inline void StoreU32LE(unsigned char* bytes, std::uint32_t value) {
  bytes[0] = static_cast<unsigned char>(value);
  bytes[1] = static_cast<unsigned char>(value >> 8U);
  bytes[2] = static_cast<unsigned char>(value >> 16U);
  bytes[3] = static_cast<unsigned char>(value >> 24U);
}

inline void StoreI32LE(unsigned char* bytes, std::int32_t value) {
  StoreU32LE(bytes, static_cast<std::uint32_t>(value));
}

inline void StoreF32LE(unsigned char* bytes, float value) {
  StoreU32LE(bytes, std::bit_cast<std::uint32_t>(value));
}

}  // namespace tolmer
