// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tolmer {

// A file that is replaced whole or not at all. The bytes go to a new temporary file
// beside the target; Commit() flushes it to disk and renames it over the target.
// Until then the target is never opened, so a reader of it, or a failure, never sees
// half a file; a failure or a destruction without Commit() removes the temporary file.
// The replacement keeps the mode of the file it replaces, and its owner and group
// where the process may give them; a new file gets mode 0666 less the umask.
//
// The target must be a regular file or not exist: a folder, FIFO or device is
// refused at once, without opening it, so nothing blocks. Links are followed, a
// dangling one too, and the file they lead to written: a link is never replaced.
// Every failure throws GridError naming the target and the system's reason.
class AtomicFile {
 public:
  explicit AtomicFile(const std::string& path);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  void Write(const void* data, std::size_t size);
  // Makes the file `size` bytes long; bytes beyond those written read as zero and,
  // where the file system allows, take no space.
  void Resize(std::uint64_t size);
  void Commit();

  const std::string& Path() const { return path_; }

 private:
  void Flush();
  void WriteOut(const unsigned char* bytes, std::size_t size);
  [[noreturn]] void Fail(int error);

  std::string path_;      // as given, for messages
  std::string replaced_;  // the file that Commit() replaces: path_ with links followed
  std::string temporary_;
  int fd_ = -1;
  std::vector<unsigned char> buffer_;
};

// Replaces the file `path` with `bytes`, as AtomicFile does.
void WriteFileAtomically(const std::string& path, const void* bytes, std::size_t size);

// Whether both names lead to the same existing file, through links or not.
bool NameSameFile(const std::string& first, const std::string& second);

}  // namespace tolmer
