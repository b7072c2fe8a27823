// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "grid/SpillFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "grid/GridError.h"

namespace tolmer {
namespace {

int OpenUnnamed(const std::string& folder, std::uint64_t bytes) {
  const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0) {
    return -1;
  }
  if (bytes > 0 && ::posix_fallocate(fd, 0, static_cast<off_t>(bytes)) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

std::optional<SpillFile> SpillFile::Create(std::uint64_t bytes,
                                           const std::vector<std::string>& folders) {
  for (const std::string& folder : folders) {
    const int fd = OpenUnnamed(folder, bytes);
    if (fd >= 0) {
      return SpillFile(fd);
    }
  }
  return std::nullopt;
}

SpillFile& SpillFile::operator=(SpillFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) {
      ::close(fd_);
    }
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

SpillFile::~SpillFile() {
  if (fd_ >= 0) {
    ::close(fd_);
  }
}

bool SpillFile::Write(std::uint64_t offset, const void* data, std::size_t size) const {
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (size > 0) {
    const ssize_t written = ::pwrite(fd_, bytes, size, static_cast<off_t>(offset));
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return false;
    }
    bytes += written;
    offset += static_cast<std::uint64_t>(written);
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

void SpillFile::Read(std::uint64_t offset, void* data, std::size_t size) const {
  auto* bytes = static_cast<unsigned char*>(data);
  while (size > 0) {
    const ssize_t got = ::pread(fd_, bytes, size, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      ThrowSystemError("the temporary file cannot be read", got < 0 ? errno : EIO);
    }
    bytes += got;
    offset += static_cast<std::uint64_t>(got);
    size -= static_cast<std::size_t>(got);
  }
}

std::vector<std::string> DefaultSpillFolders() {
  std::vector<std::string> folders;
  std::string cache;
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg != nullptr && xdg[0] == '/') {
    cache = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
    cache = std::string(home) + "/.cache";
  }
  if (!cache.empty()) {
    ::mkdir(cache.c_str(), 0700);
    const std::string mine = cache + "/tolmer";
    ::mkdir(mine.c_str(), 0700);
    folders.push_back(mine);
  }
  folders.emplace_back("/var/tmp");
  return folders;
}

}  // namespace tolmer
