// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

namespace tolmer::bench {

struct BenchArguments {
  int runs = 1;
  std::optional<std::string> dumpPath;
  std::string file;
};

// Thrown for a command line that does not fit the usage text.
class UsageError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

inline constexpr const char* kBenchUsage =
    "usage: tolmer-bench [--runs N] [--dump OUT.ppm] FILE\n"
    "Loads FILE N times (default 1) into an off-screen 617 x 503 surface, prints the\n"
    "status of each load and the median seconds per load; --dump writes the final\n"
    "surface as a binary PPM, and must not be FILE itself. Exit status: 0 loaded,\n"
    "1 error, 2 bad arguments, 3 dump not written (checked before loading).\n";

// Throws UsageError for unknown options, a missing or extra FILE, or a run count
// that is not a positive whole number.
BenchArguments ParseBenchArguments(int argc, const char* const* argv);

}  // namespace tolmer::bench
