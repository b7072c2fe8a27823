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
// As many links as the system follows in one name.
constexpr int kMostLinks = 40;

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

// The file `path` leads to: each link followed, a relative target taken from its
// link's folder, up to a name that is no link, which may not exist yet. Nothing is
// made tidier, so that ".." after a linked folder means what the system takes it to.
std::string FollowLinks(const std::string& path) {
  namespace fs = std::filesystem;
  fs::path name(path);
  for (int links = 0; links <= kMostLinks; ++links) {
    std::error_code error;
    const fs::path target = fs::read_symlink(name, error);
    if (error) {
      return name.string();  // not a link, or nothing there yet
    }
    name = target.is_absolute() ? target : name.parent_path() / target;
  }
  ThrowSystemError("cannot write " + path, ELOOP);
}

// Gives the replacement `fd` the access of the file it replaces; the system's error,
// or 0. It is created with no more than the old mode's permissions, so where the file
// system keeps no owners or modes (EPERM) it is still no looser than before.
int KeepAccess(int fd, const struct stat& old) {
  // Owner first: a change of owner clears the set-user-ID bit that fchmod sets.
  if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
    if (errno != EPERM) {
      return errno;
    }
    // Another's file: at least its group, where the user is in it.
    if (::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0 && errno != EPERM) {
      return errno;
    }
  }
  if (::fchmod(fd, old.st_mode & 07777) != 0 && errno != EPERM) {
    return errno;
  }
  return 0;
}

}  // namespace

AtomicFile::AtomicFile(const std::string& path) : path_(path), replaced_(path) {
  if (path.empty()) {
    throw GridError("cannot write a file with an empty name");
  }
  replaced_ = FollowLinks(path);
  struct stat status {};
  const bool replacing = ::stat(replaced_.c_str(), &status) == 0;
  if (replacing && !S_ISREG(status.st_mode)) {
    throw GridError("cannot write " + path_ + ": " + NotAFile(status));
  }
  if (!replacing && errno != ENOENT) {
    ThrowSystemError("cannot write " + path_, errno);
  }
  const mode_t mode = replacing ? status.st_mode & 0777 : 0666;
  // Tries a few names in case another writer of the same target chose the same one.
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    temporary_ = TemporaryName(replaced_);
    fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd_ < 0 && errno != EEXIST) {
      const int error = errno;
      temporary_.clear();
      if (error == ENOENT && replaced_ != path_) {
        throw GridError("cannot write " + path_ + ": it links to " + replaced_ +
                        ", in a folder that does not exist");
      }
      ThrowSystemError("cannot write " + path_, error);
    }
  }
  if (fd_ < 0) {
    temporary_.clear();
    ThrowSystemError("cannot write " + path_, EEXIST);
  }
  if (replacing) {
    if (const int error = KeepAccess(fd_, status); error != 0) {
      Fail(error);
    }
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
