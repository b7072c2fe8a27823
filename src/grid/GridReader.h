// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "grid/GridFormat.h"

namespace tolmer {

// Which file was opened and how it stood then, for telling later whether it may
// have changed. Two comparisons, for two questions:
//  - SameContentAs, whether the open file still reads as it did: chmod, unlink and
//    renaming another file over the name move the change time, and the open file
//    reads exactly as before, so the load leaves the change time out;
//  - ==, whether nothing about the file moved: a rewrite that puts the old
//    modification time back still moves the change time, so the reads after a load
//    compare that too, at the price of noticing a chmod as a change.
struct FileStamp {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  std::int64_t modifiedSeconds = 0;
  std::int64_t modifiedNanoseconds = 0;
  std::int64_t changedSeconds = 0;
  std::int64_t changedNanoseconds = 0;

  bool SameContentAs(const FileStamp& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modifiedSeconds == other.modifiedSeconds &&
           modifiedNanoseconds == other.modifiedNanoseconds;
  }
  bool operator==(const FileStamp&) const = default;
};

// Reader over one grid file, by position: every read says which records it wants,
// so a second pass over the same file needs no rewinding, and several threads may
// read at once. Failures, including a read past the end of the file, throw
// GridError; a short file never yields zeros or stale values.
class GridReader {
 public:
  GridReader() = default;
  ~GridReader();
  GridReader(const GridReader&) = delete;
  GridReader& operator=(const GridReader&) = delete;

  // Opens a regular file read-only; a FIFO or device is refused without blocking,
  // and a failure says what the name is instead: missing, a folder, not a regular
  // file. Wildcards are never expanded, and symbolic links are followed.
  void open(const std::string& path);
  // Reads the header and checks it against the file's current size.
  GridHeader readHeader() const;
  // Record `record`, counted from 0 in file order.
  CellRecord readCell(std::uint64_t record) const;
  // Records [first, first + count) into `buffer`, which holds
  // count * kCellRecordSize bytes.
  RecordBlock readRecordsAt(std::uint64_t first, std::size_t count, unsigned char* buffer) const;
  // The same, but where the file ends first, only the whole records before its end;
  // none when it ends at `first` or before.
  RecordBlock readRecordsUpTo(std::uint64_t first, std::size_t count, unsigned char* buffer) const;
  // How the file stood when it was last opened; kept after close.
  const FileStamp& stamp() const { return stamp_; }
  // Throws GridError unless the open file's content looks as it did when opened.
  void requireUnchanged() const;
  // Safe to call any number of times, open or not.
  void close();

  bool isOpen() const { return fd_ >= 0; }

  // How the file of that name stands now, following links; none when it cannot be
  // examined, as when it is gone.
  static std::optional<FileStamp> stampOf(const std::string& path);

  // Throws GridError unless both dimensions are non-negative and a file of fileSize
  // bytes holds every record the header announces. Never overflows, whatever the header.
  static void checkHeader(const GridHeader& header, std::uint64_t fileSize);

 private:
  // Reads up to `size` bytes from `offset`; fewer only where the file ends.
  std::size_t readAt(std::uint64_t offset, unsigned char* buffer, std::size_t size) const;
  std::uint64_t currentFileSize() const;
  FileStamp currentStamp() const;

  int fd_ = -1;
  FileStamp stamp_;
};

}  // namespace tolmer
