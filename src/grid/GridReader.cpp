// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "grid/GridReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "grid/GridError.h"
#include "grid/GridFormat.h"

namespace tolmer {
namespace {

// Says where the file ran out: `wantedFrom` is the first byte that was being read.
std::string EndOfFileMessage(std::uint64_t wantedFrom, std::uint64_t fileEnd) {
  const std::string where = "the file ends at byte " + std::to_string(fileEnd);
  if (wantedFrom < kHeaderSize) {
    return where + ", inside the header";
  }
  // readHeader has checked the file's length, so it has shrunk since.
  return where + ", before the end of record " +
         std::to_string((wantedFrom - kHeaderSize) / kCellRecordSize) +
         " (it was shortened while being read)";
}

FileStamp StampOf(const struct stat& status) {
  return FileStamp{static_cast<std::uint64_t>(status.st_dev),
                   static_cast<std::uint64_t>(status.st_ino),
                   static_cast<std::uint64_t>(status.st_size),
                   static_cast<std::int64_t>(status.st_mtim.tv_sec),
                   static_cast<std::int64_t>(status.st_mtim.tv_nsec),
                   static_cast<std::int64_t>(status.st_ctim.tv_sec),
                   static_cast<std::int64_t>(status.st_ctim.tv_nsec)};
}

// Throws unless `status` is that of a regular file, saying what `path` is instead.
void RequireRegular(const std::string& path, const struct stat& status) {
  if (S_ISDIR(status.st_mode)) {
    throw GridError(path + " is a folder, not a file");
  }
  if (!S_ISREG(status.st_mode)) {
    throw GridError(path + " is not a regular file");
  }
}

// Why `path` could not be opened: what the name is, when that says more than the
// system's words for `error` do (a socket, say, cannot be opened at all).
[[noreturn]] void ThrowCannotOpen(const std::string& path, int error) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) {
    const int lookup = errno;
    if (lookup == ENOENT) {
      throw GridError("there is no file named " + path);
    }
    ThrowSystemError("cannot look up " + path, lookup);
  }
  RequireRegular(path, status);
  ThrowSystemError("cannot open " + path, error);
}

}  // namespace

GridReader::~GridReader() {
  close();
}

void GridReader::open(const std::string& path) {
  close();
  stamp_ = FileStamp{};
  if (path.empty()) {
    throw GridError("no file name was given");
  }
  // An embedded NUL would silently name a different, shorter path.
  if (path.find('\0') != std::string::npos) {
    throw GridError("the file name holds a NUL character");
  }
  // O_NONBLOCK keeps open() itself from waiting on a FIFO without a writer; it is
  // cleared again once fstat has shown that this is a regular file.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    ThrowCannotOpen(path, errno);
  }
  fd_ = fd;
  struct stat status {};
  if (::fstat(fd_, &status) != 0) {
    const int error = errno;
    close();
    ThrowSystemError("cannot examine " + path, error);
  }
  if (!S_ISREG(status.st_mode)) {
    close();
    RequireRegular(path, status);
  }
  const int flags = ::fcntl(fd_, F_GETFL);
  if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    const int error = errno;
    close();
    ThrowSystemError("cannot set up " + path, error);
  }
  ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
  stamp_ = StampOf(status);
}

GridHeader GridReader::readHeader() const {
  if (fd_ < 0) {
    throw GridError("grid file is not open");
  }
  unsigned char bytes[kHeaderSize];
  const std::size_t got = readAt(0, bytes, kHeaderSize);
  if (got < kHeaderSize) {
    throw GridError(EndOfFileMessage(got, currentFileSize()));
  }
  GridHeader header;
  std::memcpy(header.Signature.data(), bytes, kSignatureSize);
  header.GridWidth = LoadI32LE(bytes + kSignatureSize);
  header.GridHeight = LoadI32LE(bytes + kSignatureSize + 4);
  checkHeader(header, currentFileSize());
  return header;
}

void GridReader::checkHeader(const GridHeader& header, std::uint64_t fileSize) {
  if (header.GridWidth < 0 || header.GridHeight < 0) {
    throw GridError("the header announces a negative grid size, " +
                    std::to_string(header.GridWidth) + "x" + std::to_string(header.GridHeight));
  }
  if (fileSize < kHeaderSize) {
    throw GridError("file is shorter than a grid header");
  }
  // Dividing the file's room by the record size avoids multiplying the cell count
  // by 20, which could overflow.
  const std::uint64_t cells = CellCount(header);
  const std::uint64_t cellsInFile = (fileSize - kHeaderSize) / kCellRecordSize;
  if (cells > cellsInFile) {
    throw GridError("the file is too short: its header announces a " +
                    std::to_string(header.GridWidth) + "x" + std::to_string(header.GridHeight) +
                    " grid of " + std::to_string(cells) + " records, but its " +
                    std::to_string(fileSize) + " bytes hold only " + std::to_string(cellsInFile));
  }
}

CellRecord GridReader::readCell(std::uint64_t record) const {
  unsigned char bytes[kCellRecordSize];
  return readRecordsAt(record, 1, bytes)[0];
}

RecordBlock GridReader::readRecordsAt(std::uint64_t first, std::size_t count,
                                      unsigned char* buffer) const {
  const RecordBlock block = readRecordsUpTo(first, count, buffer);
  if (block.Size() < count) {
    const std::uint64_t start = kHeaderSize + (first + block.Size()) * kCellRecordSize;
    throw GridError(EndOfFileMessage(start, currentFileSize()));
  }
  return block;
}

RecordBlock GridReader::readRecordsUpTo(std::uint64_t first, std::size_t count,
                                        unsigned char* buffer) const {
  if (fd_ < 0) {
    throw GridError("grid file is not open");
  }
  const std::size_t got =
      readAt(kHeaderSize + first * kCellRecordSize, buffer, count * kCellRecordSize);
  return RecordBlock(buffer, got / kCellRecordSize);
}

std::size_t GridReader::readAt(std::uint64_t offset, unsigned char* buffer,
                               std::size_t size) const {
  std::size_t got = 0;
  while (got < size) {
    const ssize_t now = ::pread(fd_, buffer + got, size - got, static_cast<off_t>(offset + got));
    if (now > 0) {
      got += static_cast<std::size_t>(now);
    } else if (now == 0) {
      break;
    } else if (errno != EINTR) {
      ThrowSystemError("cannot read grid file", errno);
    }
  }
  return got;
}

void GridReader::requireUnchanged() const {
  if (fd_ < 0) {
    throw GridError("grid file is not open");
  }
  if (!currentStamp().SameContentAs(stamp_)) {
    throw GridError("the file changed while it was being read");
  }
}

void GridReader::close() {
  if (fd_ >= 0) {
    // The descriptor is released even when close reports an error, so never retry.
    ::close(fd_);
    fd_ = -1;
  }
}

std::uint64_t GridReader::currentFileSize() const {
  return currentStamp().size;
}

std::optional<FileStamp> GridReader::stampOf(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) {
    return std::nullopt;
  }
  return StampOf(status);
}

FileStamp GridReader::currentStamp() const {
  struct stat status {};
  if (::fstat(fd_, &status) != 0) {
    ThrowSystemError("cannot examine grid file", errno);
  }
  return StampOf(status);
}

}  // namespace tolmer
