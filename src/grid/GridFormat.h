// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <bit>
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

// The first row stored is drawn at the bottom of the picture: stored row r is
// picture row gridHeight - 1 - r, and picture row r is stored row gridHeight - 1 - r.
constexpr std::int64_t FlipRow(std::int64_t row, std::int64_t gridHeight) {
  return gridHeight - 1 - row;
}

// The record of the cell in `column` of picture row `pictureRow`, counted from 0 in
// file order.
inline std::uint64_t RecordOfCell(const GridHeader& header, std::int64_t column,
                                  std::int64_t pictureRow) {
  return static_cast<std::uint64_t>(FlipRow(pictureRow, header.GridHeight)) *
             static_cast<std::uint64_t>(header.GridWidth) +
         static_cast<std::uint64_t>(column);
}

struct CellRecord {
  float Height1 = 0.0F;  // lower-left pixel of the cell's block
  float Height2 = 0.0F;  // lower-right
  float Height3 = 0.0F;  // upper-left
  float Height4 = 0.0F;  // upper-right
  std::int32_t CellType = 0;

  friend bool operator==(const CellRecord&, const CellRecord&) = default;
};

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

// Decodes the 20 bytes of one record, whatever the host's byte order.
inline CellRecord DecodeCell(const unsigned char* bytes) {
  return CellRecord{LoadF32LE(bytes), LoadF32LE(bytes + 4), LoadF32LE(bytes + 8),
                    LoadF32LE(bytes + 12), LoadI32LE(bytes + 16)};
}

// A run of whole cell records as they are stored in the file, viewed in place.
class RecordBlock {
 public:
  RecordBlock() = default;
  RecordBlock(const unsigned char* bytes, std::size_t count) : bytes_(bytes), count_(count) {}

  std::size_t Size() const { return count_; }
  // The stored bytes of record `index`, kCellRecordSize of them.
  const unsigned char* RecordBytes(std::size_t index) const {
    return bytes_ + index * kCellRecordSize;
  }
  CellRecord operator[](std::size_t index) const { return DecodeCell(RecordBytes(index)); }
  RecordBlock SubBlock(std::size_t first, std::size_t count) const {
    return RecordBlock(RecordBytes(first), count);
  }

 private:
  const unsigned char* bytes_ = nullptr;
  std::size_t count_ = 0;
};

}  // namespace tolmer
