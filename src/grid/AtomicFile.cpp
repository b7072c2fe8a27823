// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "grid/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <limits>
#include <random>
#include <system_error>
#include <utility>

#include "grid/GridError.h"

namespace tolmer {
namespace {

constexpr std::size_t kBufferSize = std::size_t{1} << 20U;
// Leaves room in a file name of at most 255 bytes for the temporary file's affixes.
constexpr std::size_t kLongestKeptName = 200;

std::string NotAFile(const struct stat& status) {
  if (S_ISDIR(status.st_mode)) {
    return "it is a folder";
  }
  if (S_ISFIFO(status.st_mode)) {
    return "it is a FIFO, not a regular file";
  }
  if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) {
    return "it is a device, not a regular file";
  }
  return "it is not a regular file";
}

// A name beside `target` that no file is likely to have: a dot file, so that folder
// listings leave it out while it is written.
std::string TemporaryName(const std::string& target) {
  static thread_local std::minstd_rand random{std::random_device{}()};
  const std::filesystem::path path(target);
  std::string name = path.filename().string().substr(0, kLongestKeptName);
  name = "." + name + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(random());
  return (path.parent_path() / name).string();
}

}  // namespace

AtomicFile::AtomicFile(const std::string& path) : path_(path), replaced_(path) {
  if (path.empty()) {
    throw GridError("cannot write a file with an empty name");
  }
  struct stat status {};
  if (::lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
    if (!error) {
      replaced_ = resolved.string();
    }
  }
  if (::stat(replaced_.c_str(), &status) == 0) {
    if (!S_ISREG(status.st_mode)) {
      throw GridError("cannot write " + path_ + ": " + NotAFile(status));
    }
  } else if (errno != ENOENT) {
    ThrowSystemError("cannot write " + path_, errno);
  }
  // Tries a few names in case another writer of the same target chose the same one.
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    temporary_ = TemporaryName(replaced_);
    fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) {
      const int error = errno;
      temporary_.clear();
      ThrowSystemError("cannot write " + path_, error);
    }
  }
  if (fd_ < 0) {
    temporary_.clear();
    ThrowSystemError("cannot write " + path_, EEXIST);
  }
  buffer_.reserve(kBufferSize);
}

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) {
    ::close(fd_);
  }
  if (!temporary_.empty()) {
    ::unlink(temporary_.c_str());
  }
}

void AtomicFile::Write(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  if (buffer_.size() + size > kBufferSize) {
    Flush();
  }
  if (size >= kBufferSize) {
    WriteOut(bytes, size);
    return;
  }
  buffer_.insert(buffer_.end(), bytes, bytes + size);
}

void AtomicFile::Flush() {
  WriteOut(buffer_.data(), buffer_.size());
  buffer_.clear();
}

void AtomicFile::WriteOut(const unsigned char* bytes, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t written = ::write(fd_, bytes + done, size - done);
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      Fail(written < 0 ? errno : ENOSPC);
    }
    done += static_cast<std::size_t>(written);
  }
}

void AtomicFile::Resize(std::uint64_t size) {
  Flush();
  if (size > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
    Fail(EFBIG);
  }
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
    Fail(errno);
  }
}

void AtomicFile::Commit() {
  Flush();
  if (::fsync(fd_) != 0) {
    Fail(errno);
  }
  const int fd = std::exchange(fd_, -1);
  if (::close(fd) != 0 && errno != EINTR) {
    Fail(errno);
  }
  if (::rename(temporary_.c_str(), replaced_.c_str()) != 0) {
    Fail(errno);
  }
  temporary_.clear();
  // The new name is on disk once its folder is; a failure here loses no data that
  // is not already safe, so it is not reported.
  const std::string folder = std::filesystem::path(replaced_).parent_path().string();
  const int folderFd =
      ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd >= 0) {
    ::fsync(folderFd);
    ::close(folderFd);
  }
}

void AtomicFile::Fail(int error) {
  if (fd_ >= 0) {
    ::close(std::exchange(fd_, -1));
  }
  if (!temporary_.empty()) {
    ::unlink(temporary_.c_str());
    temporary_.clear();
  }
  ThrowSystemError("cannot write " + path_, error);
}

void WriteFileAtomically(const std::string& path, const void* bytes, std::size_t size) {
  AtomicFile file(path);
  file.Write(bytes, size);
  file.Commit();
}

bool NameSameFile(const std::string& first, const std::string& second) {
  struct stat one {};
  struct stat other {};
  return ::stat(first.c_str(), &one) == 0 && ::stat(second.c_str(), &other) == 0 &&
         one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

}  // namespace tolmer
