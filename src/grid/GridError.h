// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <stdexcept>

namespace tolmer {

// Anything wrong with a grid file or its reading: the file cannot be opened, is not
// a regular file, is shorter than its header says, or holds a height that cannot be shaded.
class GridError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace tolmer
