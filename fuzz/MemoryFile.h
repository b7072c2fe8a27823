// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>

namespace tolmer::fuzz {

// An anonymous file in memory that can still be opened by name, through its
// /proc/self/fd link: fuzz inputs never touch the disk and leave nothing behind
// when a run crashes.
class MemoryFile {
 public:
  MemoryFile();
  ~MemoryFile();
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  // Replaces the whole content of the file. Throws std::runtime_error on failure.
  void Assign(const unsigned char* data, std::size_t size);
  const std::string& Path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
};

}  // namespace tolmer::fuzz
