// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "grid/GridFormat.h"

namespace tolmer {

// Records of an open grid file seen through a read-only mapping instead of copied
// out: the copy out of the page cache was a third of a warm load's processor time.
// A file cut short under the mapping would end the process with SIGBUS, so records
// are only read inside Read, which turns that into GridError.
class MappedRecords {
 public:
  // Records [first, first + count) of the file open as `fd`; nothing where the
  // system will not map them.
  static std::optional<MappedRecords> Map(int fd, std::uint64_t first, std::uint64_t count);

  MappedRecords(MappedRecords&& other) noexcept;
  MappedRecords& operator=(MappedRecords&& other) noexcept;
  MappedRecords(const MappedRecords&) = delete;
  MappedRecords& operator=(const MappedRecords&) = delete;
  ~MappedRecords();

  // Hands use() records [first, first + count), which lie within the mapping, and
  // throws GridError where they cannot be read (the file was cut short, or its
  // device failed). On that fault, use() is left where it stood: it may not hold
  // anything that needs destroying meanwhile.
  template <typename Use>
  void Read(std::uint64_t first, std::size_t count, Use&& use) const {
    const RecordBlock block(firstRecord_ + (first - first_) * kCellRecordSize, count);
    auto call = [&use, &block] { use(block); };
    Guard([](void* context) { (*static_cast<decltype(call)*>(context))(); }, &call, first);
  }

 private:
  MappedRecords(unsigned char* mapping, std::size_t bytes, std::uint64_t first,
                const unsigned char* firstRecord)
      : mapping_(mapping), bytes_(bytes), first_(first), firstRecord_(firstRecord) {}

  // Calls call(context); a bus error inside the mapping meanwhile throws GridError
  // naming record `first`.
  void Guard(void (*call)(void*), void* context, std::uint64_t first) const;

  unsigned char* mapping_ = nullptr;
  std::size_t bytes_ = 0;
  std::uint64_t first_ = 0;
  const unsigned char* firstRecord_ = nullptr;
};

}  // namespace tolmer
