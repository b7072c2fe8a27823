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

}  // namespace

GridReader::~GridReader() {
  close();
}

void GridReader::open(const std::string& path) {
  close();
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
  if (!buffer_) {
    buffer_ = std::make_unique_for_overwrite<unsigned char[]>(kBufferSize);
  }
  begin_ = end_ = 0;
}

GridHeader GridReader::readHeader() {
  rewind();
  GridHeader header;
  const unsigned char* bytes = take(kHeaderSize);
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
  const std::uint64_t start = kHeaderSize + first * kCellRecordSize;
  const std::size_t wanted = count * kCellRecordSize;
  std::size_t got = 0;
  while (got < wanted) {
    const ssize_t now = ::pread(fd_, buffer + got, wanted - got, static_cast<off_t>(start + got));
    if (now > 0) {
      got += static_cast<std::size_t>(now);
    } else if (now == 0) {
      break;
    } else if (errno != EINTR) {
      ThrowSystemError("cannot read grid file", errno);
    }
  }
  return RecordBlock(buffer, got / kCellRecordSize);
}

void GridReader::requireRecords(const GridHeader& header) const {
  CheckHeader(header, currentFileSize());
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

void GridReader::rewind() {
  if (fd_ < 0) {
    throw GridError("grid file is not open");
  }
  if (::lseek(fd_, 0, SEEK_SET) != 0) {
    ThrowSystemError("cannot rewind grid file", errno);
  }
  begin_ = end_ = 0;
  bufferOffset_ = 0;
}

std::uint64_t GridReader::currentFileSize() const {
  struct stat status {};
  if (::fstat(fd_, &status) != 0) {
    ThrowSystemError("cannot examine grid file", errno);
  }
  return static_cast<std::uint64_t>(status.st_size);
}

}  // namespace tolmer
