// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tolmer {

// Room on disk for data that does not fit in memory, and that nobody else sees: an
// unnamed file, which the system removes when the process ends, however it ends.
// Its whole size is taken at creation, so a full disk shows then, not mid-write.
class SpillFile {
 public:
  // In the first of `folders` that takes an unnamed file of `bytes` bytes; nothing
  // when none does (missing, read-only, full, or a file system without them).
  static std::optional<SpillFile> Create(std::uint64_t bytes,
                                         const std::vector<std::string>& folders);

  SpillFile(SpillFile&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  SpillFile& operator=(SpillFile&& other) noexcept;
  SpillFile(const SpillFile&) = delete;
  SpillFile& operator=(const SpillFile&) = delete;
  ~SpillFile();

  // False when the system refused the write.
  bool Write(std::uint64_t offset, const void* data, std::size_t size) const;
  // Throws GridError when the bytes cannot be read back.
  void Read(std::uint64_t offset, void* data, std::size_t size) const;

 private:
  explicit SpillFile(int fd) : fd_(fd) {}

  int fd_ = -1;
};

// The user's cache folder for this program, then /var/tmp: both on disk, where
// /tmp may be memory.
std::vector<std::string> DefaultSpillFolders();

}  // namespace tolmer
