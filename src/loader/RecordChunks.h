// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "grid/GridFormat.h"
#include "grid/GridReader.h"

namespace tolmer {

// Records per chunk of a read: small enough to stay in the second-level cache
// between the copy from the page cache and its use, and a divisor of the cells
// between two turns.
inline constexpr std::uint64_t kChunkRecords = 16384;

// Room for one chunk of records, which it places at the same offset within 4 KiB as
// they have in the file, and so in the page cache. The kernel's copy into a buffer
// 1 to 63 bytes further on within 4 KiB runs a quarter slower, for its loads then
// wait on stores whose low 12 address bits match; a buffer from malloc starts 16
// bytes past a page, and records lie 6 bytes before one.
class ChunkBuffer {
 public:
  // Room for `most` records at a time.
  explicit ChunkBuffer(std::uint64_t most = kChunkRecords)
      : storage_(std::make_unique_for_overwrite<unsigned char[]>(
            static_cast<std::size_t>(most * kCellRecordSize + kAliasSpan - 1))) {}

  // Records [first, first + count), count at most the room; GridError where the
  // file ends first.
  RecordBlock ReadAt(const GridReader& reader, std::uint64_t first, std::size_t count) {
    return reader.readRecordsAt(first, count, For(first));
  }
  // The same, but only the whole records before the file's end.
  RecordBlock ReadUpTo(const GridReader& reader, std::uint64_t first, std::size_t count) {
    return reader.readRecordsUpTo(first, count, For(first));
  }

 private:
  static constexpr std::size_t kAliasSpan = 4096;

  unsigned char* For(std::uint64_t first) {
    const std::uint64_t fileOffset = kHeaderSize + first * kCellRecordSize;
    const auto start = reinterpret_cast<std::uintptr_t>(storage_.get());
    return storage_.get() + (fileOffset - start) % kAliasSpan;
  }

  std::unique_ptr<unsigned char[]> storage_;
};

// Reads the cells [firstColumn, endColumn) of picture row `row` chunk by chunk, and
// hands each chunk to use(column of its first cell, block).
template <typename Use>
void ReadRowCells(const GridReader& reader, const GridHeader& header, std::int64_t row,
                  std::int64_t firstColumn, std::int64_t endColumn, ChunkBuffer& buffer, Use use) {
  for (std::int64_t first = firstColumn; first < endColumn;) {
    const auto count = static_cast<std::size_t>(
        std::min(endColumn - first, static_cast<std::int64_t>(kChunkRecords)));
    use(first, buffer.ReadAt(reader, RecordOfCell(header, first, row), count));
    first += static_cast<std::int64_t>(count);
  }
}

}  // namespace tolmer
