// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tolmer::bench {

// What each run times: a load, or after one load, drawing a view of the grid.
enum class BenchView {
  None,
  Fit,    // the whole grid in the surface, mostly from the load's overview
  Far,    // 2 pixels a cell at the records stored first, read by position
  Scale,  // `scale` pixels a cell, centred on the grid
};

// One view to time: its kind, and for Scale its pixels a cell.
struct BenchViewChoice {
  BenchView kind = BenchView::None;
  double scale = 0.0;
};

struct BenchArguments {
  int runs = 1;
  std::vector<BenchViewChoice> views;  // none: loads are timed
  bool accuracy = false;
  // The surface drawn on, as the window's client area: the map is below its top 25 rows.
  std::int32_t width = 617;
  std::int32_t height = 503;
  std::optional<std::string> dumpPath;
  std::string file;
};

// Thrown for a command line that does not fit the usage text.
class UsageError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

inline constexpr const char* kBenchUsage =
    "usage: tolmer-bench [--runs N] [--view fit|far|scale=S[,...]] [--window WxH]\n"
    "                    [--accuracy] [--dump OUT.ppm] FILE\n"
    "Loads FILE N times (default 1) into an off-screen 617 x 503 surface, prints the\n"
    "status of each load and the median seconds per load, and the size of the load's\n"
    "overview. --view loads once and times N drawings of a view instead: fit, the\n"
    "whole grid, from the overview where it is fine enough; far, the corner stored\n"
    "first (bottom right) at 2 pixels a cell, its records read from the page cache;\n"
    "scale=S, S pixels a cell (1/16 or 0.0625), centred on the grid; several, split\n"
    "by commas, are timed one after the other. --window draws\n"
    "onto a W x H surface instead, the map below its top 25 rows. --accuracy loads\n"
    "once and compares views at 3, 4, 5, 6, 16 and 100 cells a pixel with the area\n"
    "average of the cells in each pixel, as the export draws it.\n"
    "--dump writes the final surface as a binary PPM once the load (and drawing)\n"
    "worked, replacing OUT whole; OUT must not be FILE itself, nor a FIFO or device.\n"
    "Exit status: 0 loaded (and drawn), 1 error, 2 bad arguments, 3 dump not\n"
    "written (checked before loading).\n";

// Throws UsageError for unknown options, a missing or extra FILE, a run count that
// is not a positive whole number, a view other than fit, far and scale=S with S a
// positive number or fraction, or a window size that is not WxH of at least 1 x 26.
BenchArguments ParseBenchArguments(int argc, const char* const* argv);

}  // namespace tolmer::bench
