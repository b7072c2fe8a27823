// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/RequireRegularFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "grid/GridError.h"

namespace tolmer {

void RequireRegularFile(const std::string& name) {
  if (name.empty()) {
    throw GridError("no file name was given");
  }
  // An embedded NUL would silently name a different, shorter path.
  if (name.find('\0') != std::string::npos) {
    throw GridError("the file name holds a NUL character");
  }
  struct stat status {};
  if (::stat(name.c_str(), &status) != 0) {
    const int error = errno;
    throw GridError(error == ENOENT ? "there is no file named " + name
                                    : "cannot look up " + name + ": " + std::strerror(error));
  }
  if (S_ISDIR(status.st_mode)) {
    throw GridError(name + " is a folder, not a file");
  }
  if (!S_ISREG(status.st_mode)) {
    throw GridError(name + " is not a regular file");
  }
}

}  // namespace tolmer
