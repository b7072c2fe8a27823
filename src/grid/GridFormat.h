// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tolmer {

// Byte layout of a cell grid file: a 14-byte header, then GridWidth x GridHeight
// records of 20 bytes, all little-endian, with no padding anywhere.
inline constexpr std::size_t kSignatureSize = 6;
inline constexpr std::size_t kHeaderSize = 14;
inline constexpr std::size_t kCellRecordSize = 20;

struct GridHeader {
  std::array<unsigned char, kSignatureSize> Signature{};  // read and never compared
  std::int32_t GridWidth = 0;
  std::int32_t GridHeight = 0;

  friend bool operator==(const GridHeader&, const GridHeader&) = default;
};

// The records a header announces. Both sizes are below 2^31, so the count fits in
// 62 bits; only meaningful once the header is known not to be negative.
inline std::uint64_t CellCount(const GridHeader& header) {
  return static_cast<std::uint64_t>(header.GridWidth) *
         static_cast<std::uint64_t>(header.GridHeight);
}

struct CellRecord {
  float Height1 = 0.0F;  // lower-left pixel of the cell's block
  float Height2 = 0.0F;  // lower-right
  float Height3 = 0.0F;  // upper-left
  float Height4 = 0.0F;  // upper-right
  std::int32_t CellType = 0;

  friend bool operator==(const CellRecord&, const CellRecord&) = default;
};

}  // namespace tolmer
