// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "grid/GridFormat.h"
#include "grid/RecordBlock.h"

namespace tolmer {

// Which file was opened and how it stood then, for telling later whether its content
// may have changed. The change time is left out: chmod, unlink and renaming another
// file over the name move it while the open file reads exactly as before.
struct FileStamp {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  std::int64_t modifiedSeconds = 0;
  std::int64_t modifiedNanoseconds = 0;

  bool operator==(const FileStamp&) const = default;
};

// Sequential, buffered reader over one grid file. Every readHeader starts again at
// the first byte, which is how a second pass over the same file begins. Failures,
// including a read past the end of the file, throw GridError; a short file never
// yields zeros or stale values.
class GridReader {
 public:
  // Large enough that read() runs at memory speed, small enough to never matter.
  static constexpr std::size_t kBufferSize = std::size_t{1} << 20U;

  GridReader() = default;
  ~GridReader();
  GridReader(const GridReader&) = delete;
  GridReader& operator=(const GridReader&) = delete;

  // Opens a regular file read-only; a FIFO or device is refused without blocking.
  void open(const std::string& path);
  // Rewinds, reads the header and checks it against the file's current size.
  GridHeader readHeader();
  CellRecord readCell();
  // Records [first, first + count) read by position into `buffer`, which holds
  // count * kCellRecordSize bytes. Leaves the sequential reading where it was, and
  // may be called from several threads at once.
  RecordBlock readRecordsAt(std::uint64_t first, std::size_t count, unsigned char* buffer) const;
  // The same, but where the file ends first, only the whole records before its end;
  // none when it ends at `first` or before.
  RecordBlock readRecordsUpTo(std::uint64_t first, std::size_t count, unsigned char* buffer) const;
  // How the file stood when it was last opened; kept after close.
  const FileStamp& stamp() const { return stamp_; }
  // Throws GridError unless the open file still matches its stamp.
  void requireUnchanged() const;
  // Safe to call any number of times, open or not.
  void close();

  bool isOpen() const { return fd_ >= 0; }

 private:
  // Returns a pointer to the next `count` bytes of the file and moves past them.
  const unsigned char* take(std::size_t count);
  void fill(std::size_t count);
  // Reads up to `size` bytes from `offset`; fewer only where the file ends.
  std::size_t readAt(std::uint64_t offset, unsigned char* buffer, std::size_t size) const;
  std::uint64_t currentFileSize() const;
  FileStamp currentStamp() const;

  int fd_ = -1;
  FileStamp stamp_;
  std::unique_ptr<unsigned char[]> buffer_;
  std::size_t begin_ = 0;           // first unread byte in buffer_
  std::size_t end_ = 0;             // one past the last valid byte in buffer_
  std::uint64_t bufferOffset_ = 0;  // where in the file buffer_[0] was read from
};

}  // namespace tolmer
