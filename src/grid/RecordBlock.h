// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>

#include "grid/GridFormat.h"

namespace tolmer {

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
