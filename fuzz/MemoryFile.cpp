// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "MemoryFile.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>

#include "grid/GridError.h"

namespace tolmer::fuzz {

MemoryFile::MemoryFile() {
  fd_ = ::memfd_create("grid", MFD_CLOEXEC);
  if (fd_ < 0) {
    ThrowSystemError("memfd_create", errno);
  }
  path_ = "/proc/self/fd/" + std::to_string(fd_);
}

MemoryFile::~MemoryFile() {
  ::close(fd_);
}

void MemoryFile::Assign(const unsigned char* data, std::size_t size) {
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
    ThrowSystemError("ftruncate", errno);
  }
  std::size_t done = 0;
  while (done < size) {
    const ssize_t written = ::pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
    if (written > 0) {
      done += static_cast<std::size_t>(written);
    } else if (written == 0 || errno != EINTR) {
      ThrowSystemError("pwrite", errno);
    }
  }
}

}  // namespace tolmer::fuzz
