// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "grid/GridReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "grid/GridError.h"
#include "grid/GridHeaderCheck.h"
#include "grid/LittleEndian.h"

namespace tolmer {
namespace {

[[noreturn]] void ThrowSystemError(const std::string& what, int error) {
  throw GridError(what + ": " + std::strerror(error));
}

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
  return FileStamp{
      static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
      static_cast<std::uint64_t>(status.st_size), static_cast<std::int64_t>(status.st_mtim.tv_sec),
      static_cast<std::int64_t>(status.st_mtim.tv_nsec)};
}

}  // namespace

GridReader::~GridReader() {
  close();
}

void GridReader::open(const std::string& path) {
  close();
  stamp_ = FileStamp{};
  if (path.find('\0') != std::string::npos) {
    throw GridError("file name holds a NUL character");
  }
  // O_NONBLOCK keeps open() itself from waiting on a FIFO without a writer; it is
  // cleared again once fstat has shown that this is a regular file.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    ThrowSystemError("cannot open " + path, errno);
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
    throw GridError(path + " is not a regular file");
  }
  const int flags = ::fcntl(fd_, F_GETFL);
  if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    const int error = errno;
    close();
    ThrowSystemError("cannot set up " + path, error);
  }
  ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
  stamp_ = StampOf(status);
  begin_ = end_ = 0;
}

GridHeader GridReader::readHeader() {
  if (fd_ < 0) {
    throw GridError("grid file is not open");
  }
  unsigned char bytes[kHeaderSize];
  const std::size_t got = readAt(0, bytes, kHeaderSize);
  if (got < kHeaderSize) {
    throw GridError(EndOfFileMessage(got, currentFileSize()));
  }
  // Sequential reading goes on from the first record.
  if (::lseek(fd_, kHeaderSize, SEEK_SET) != static_cast<off_t>(kHeaderSize)) {
    ThrowSystemError("cannot rewind grid file", errno);
  }
  begin_ = end_ = 0;
  bufferOffset_ = kHeaderSize;
  GridHeader header;
  std::memcpy(header.Signature.data(), bytes, kSignatureSize);
  header.GridWidth = LoadI32LE(bytes + kSignatureSize);
  header.GridHeight = LoadI32LE(bytes + kSignatureSize + 4);
  CheckHeader(header, currentFileSize());
  return header;
}

CellRecord GridReader::readCell() {
  return DecodeCell(take(kCellRecordSize));
}

RecordBlock GridReader::readRecordsAt(std::uint64_t first, std::size_t count,
                                      unsigned char* buffer) const {
  const RecordBlock block = readRecordsUpTo(first, count, buffer);
  if (block.size() < count) {
    const std::uint64_t start = kHeaderSize + (first + block.size()) * kCellRecordSize;
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
  if (currentStamp() != stamp_) {
    throw GridError("the file changed while it was being read");
  }
}

void GridReader::close() {
  if (fd_ >= 0) {
    // The descriptor is released even when close reports an error, so never retry.
    ::close(fd_);
    fd_ = -1;
  }
  begin_ = end_ = 0;
}

const unsigned char* GridReader::take(std::size_t count) {
  fill(count);
  const unsigned char* bytes = buffer_.get() + begin_;
  begin_ += count;
  return bytes;
}

void GridReader::fill(std::size_t count) {
  if (fd_ < 0) {
    throw GridError("grid file is not open");
  }
  if (end_ - begin_ >= count) {
    return;
  }
  if (!buffer_) {
    // Only sequential reading needs it, so loads by position never fill it in.
    buffer_ = std::make_unique_for_overwrite<unsigned char[]>(kBufferSize);
  }
  std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
  bufferOffset_ += begin_;
  end_ -= begin_;
  begin_ = 0;
  while (end_ < count) {
    const ssize_t got = ::read(fd_, buffer_.get() + end_, kBufferSize - end_);
    if (got > 0) {
      end_ += static_cast<std::size_t>(got);
    } else if (got == 0) {
      throw GridError(EndOfFileMessage(bufferOffset_ + begin_, currentFileSize()));
    } else if (errno != EINTR) {
      ThrowSystemError("cannot read grid file", errno);
    }
  }
}

std::uint64_t GridReader::currentFileSize() const {
  return currentStamp().size;
}

FileStamp GridReader::currentStamp() const {
  struct stat status {};
  if (::fstat(fd_, &status) != 0) {
    ThrowSystemError("cannot examine grid file", errno);
  }
  return StampOf(status);
}

}  // namespace tolmer
