// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
// tolmer-bench: times loads of a grid file into an off-screen surface, or views of
// a loaded one.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iomanip>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "BenchArguments.h"
#include "grid/AtomicFile.h"
#include "grid/GridError.h"
#include "loader/DrawView.h"
#include "loader/GridPictureRows.h"
#include "loader/MemoryHost.h"
#include "loader/ShowGrid.h"
#include "render/PpmWriter.h"
#include "render/Viewport.h"

namespace {

using tolmer::MemoryHost;
using tolmer::bench::BenchArguments;
using tolmer::bench::BenchView;

constexpr int kExitLoaded = 0;
constexpr int kExitError = 1;
constexpr int kExitUsage = 2;
constexpr int kExitDumpFailed = 3;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

std::uint64_t FileSize(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
}

double PeakResidentMiB() {
  struct rusage usage {};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // Linux reports KiB
}

// Runs the loads, printing each load's statuses, and the reason of a failed one on
// stderr; returns how the last load ended.
tolmer::LoadResult RunLoads(const BenchArguments& arguments, MemoryHost& host,
                            std::vector<double>& seconds) {
  tolmer::LoadResult result;
  for (int run = 1; run <= arguments.runs; ++run) {
    const auto start = std::chrono::steady_clock::now();
    result = tolmer::ShowGrid(arguments.file, host);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    seconds.push_back(elapsed.count());
    for (const std::string& status : host.TakeStatuses()) {
      std::cout << "run " << run << ": " << status << '\n';
    }
    if (result.IsFailed()) {
      std::cout.flush();
      std::cerr << "tolmer-bench: run " << run << ": " << result.Reason() << '\n';
    }
    std::cout << "run " << run << ": " << std::fixed << std::setprecision(4) << elapsed.count()
              << " s\n";
  }
  return result;
}

void PrintSummary(const BenchArguments& arguments, const std::vector<double>& seconds) {
  const double median = Median(seconds);
  const std::uint64_t bytes = FileSize(arguments.file);
  const double gigabytesPerSecond = median > 0.0 ? static_cast<double>(bytes) / median / 1e9 : 0.0;
  std::cout << std::fixed << "median " << std::setprecision(4) << median << " s per load, "
            << std::setprecision(2) << gigabytesPerSecond << " GB/s of file (" << bytes
            << " bytes, " << arguments.runs << " runs), peak RSS " << std::setprecision(1)
            << PeakResidentMiB() << " MiB\n";
}

void PrintOverview(const tolmer::Overview& overview) {
  const std::size_t bytes = overview.MemoryBytes();
  const std::uint64_t spilled = overview.SpilledBytes();
  std::cout << std::fixed << "overview " << std::setprecision(1)
            << static_cast<double>(bytes) / (1024.0 * 1024.0) << " MiB (" << bytes
            << " bytes) in memory, " << static_cast<double>(spilled) / (1024.0 * 1024.0) << " MiB ("
            << spilled << " bytes) on disk" << (overview.SpillFailed() ? " (lost)" : "")
            << ", bins of " << overview.BinSide() << " x " << overview.BinSide() << " cells\n";
}

// A view --view names, of the loaded grid in the viewer's map area.
tolmer::Viewport ViewOf(const tolmer::bench::BenchViewChoice& choice,
                        const BenchArguments& arguments, const tolmer::LoadedGrid& grid) {
  const tolmer::GridExtent extent{grid.header.GridWidth, grid.header.GridHeight};
  const tolmer::PixelRect area = tolmer::MapArea(arguments.width, arguments.height);
  if (choice.kind == BenchView::Fit) {
    return tolmer::FitViewport(extent, area);
  }
  if (choice.kind == BenchView::Scale) {
    const double scale = choice.scale;
    return tolmer::Viewport{
        scale, area.left + (area.width - scale * static_cast<double>(extent.width)) / 2.0,
        area.top + (area.height - scale * static_cast<double>(extent.height)) / 2.0};
  }
  // The last picture column and row at the right and bottom of the map area: the
  // records stored first, farthest into the file from those the load shows.
  const tolmer::Viewport start = tolmer::DefaultViewport();
  const double left = area.left + area.width - start.scale * static_cast<double>(extent.width);
  const double top = area.top + area.height - start.scale * static_cast<double>(extent.height);
  return tolmer::Panned(start, left - start.left, top - start.top, extent, area);
}

const char* ViewName(BenchView view) {
  return view == BenchView::Fit ? "fit" : view == BenchView::Far ? "far" : "scaled";
}

const char* SourceName(tolmer::ViewSource source) {
  switch (source) {
    case tolmer::ViewSource::Records:
      return "its records";
    case tolmer::ViewSource::Overview:
      return "the overview";
    case tolmer::ViewSource::Region:
      return "the records in view";
  }
  return "";
}

// Draws the view `runs` times onto `surface`, printing each drawing's time; false,
// with the reason on stderr, as soon as one does not finish.
bool RunView(const tolmer::bench::BenchViewChoice& choice, const BenchArguments& arguments,
             const tolmer::LoadedGrid& grid, tolmer::MemorySurface& surface) {
  std::vector<double> seconds;
  const tolmer::Viewport view = ViewOf(choice, arguments, grid);
  const tolmer::PixelRect area = tolmer::MapArea(surface.Width(), surface.Height());
  for (int run = 1; run <= arguments.runs; ++run) {
    // The background is the caller's, as in the window, so it is left out.
    surface.ClearSurface();
    const auto start = std::chrono::steady_clock::now();
    const tolmer::ViewResult result = tolmer::DrawView(grid, view, surface.hDC(), {});
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (!result.IsDone()) {
      std::cout.flush();
      std::cerr << "tolmer-bench: view " << run << ": " << result.reason << '\n';
      return false;
    }
    seconds.push_back(elapsed.count());
    std::cout << "view " << run << ": " << std::fixed << std::setprecision(4) << elapsed.count()
              << " s\n";
  }
  std::cout << std::fixed << "median " << std::setprecision(4) << Median(seconds) << " s per "
            << ViewName(choice.kind) << " view at " << std::setprecision(6) << view.scale
            << " pixels a cell, from " << SourceName(tolmer::SourceOf(grid, view, area)) << " ("
            << arguments.runs << " runs), peak RSS " << std::setprecision(1) << PeakResidentMiB()
            << " MiB\n";
  return true;
}

// How far a view's pixels are from the area average of the cells in each, channel
// by channel, over the pixels the grid covers.
struct Difference {
  double total = 0.0;
  int largest = 0;
  std::int64_t channels = 0;
  std::int64_t near = 0;  // within 8

  void Add(tolmer::Colour view, tolmer::Colour exact) {
    for (const auto channel : {tolmer::RedOf, tolmer::GreenOf, tolmer::BlueOf}) {
      const int apart = std::abs(channel(view) - channel(exact));
      total += apart;
      largest = std::max(largest, apart);
      near += apart <= 8 ? 1 : 0;
      ++channels;
    }
  }
};

// The whole grid at 1/`cells` pixels a cell, as a view draws it and as the export
// does, from the top left corner of both.
bool CompareAtScale(const tolmer::LoadedGrid& grid, std::int32_t cells) {
  tolmer::GridPicture picture;
  picture.view = tolmer::Viewport{1.0 / cells, 0.0, 0.0};
  picture.width = (grid.header.GridWidth + cells - 1) / cells;
  picture.height = (grid.header.GridHeight + cells - 1) / cells;
  tolmer::MemorySurface surface(picture.width, picture.height);
  surface.ClearSurface();
  const tolmer::PixelRect area{0, 0, picture.width, picture.height};
  const tolmer::ViewResult result = tolmer::DrawView(grid, picture.view, surface.hDC(), area, {});
  if (!result.IsDone()) {
    std::cerr << "tolmer-bench: accuracy: " << result.reason << '\n';
    return false;
  }
  tolmer::GridReader reader;
  reader.open(grid.fileName);
  tolmer::GridPictureRows rows(reader, grid.header, grid.range, picture);
  tolmer::GridPictureRows::Row row = rows.MakeRow();
  Difference difference;
  for (std::int32_t y = 0; y < rows.Height(); ++y) {
    rows.Draw(row);
    const unsigned char* rgb = rows.Shade(row);
    for (std::int32_t x = 0; x < rows.Width(); ++x) {
      const tolmer::Colour exact = tolmer::MakeColour(rgb[3 * x], rgb[3 * x + 1], rgb[3 * x + 2]);
      if (exact != tolmer::MemorySurface::kDefaultBackground) {
        difference.Add(surface.PixelAt(x, y), exact);
      }
    }
  }
  const double channels = static_cast<double>(std::max<std::int64_t>(difference.channels, 1));
  std::cout << std::fixed << "accuracy at " << cells << " cells a pixel, from "
            << SourceName(tolmer::SourceOf(grid, picture.view, area)) << ": mean "
            << std::setprecision(3) << difference.total / channels << ", largest "
            << difference.largest << ", " << std::setprecision(2)
            << 100.0 * static_cast<double>(difference.near) / channels << " % within 8\n";
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  BenchArguments arguments;
  try {
    arguments = tolmer::bench::ParseBenchArguments(argc, argv);
  } catch (const tolmer::bench::UsageError& error) {
    std::cerr << "tolmer-bench: " << error.what() << '\n' << tolmer::bench::kBenchUsage;
    return kExitUsage;
  }
  if (arguments.dumpPath && tolmer::NameSameFile(*arguments.dumpPath, arguments.file)) {
    std::cerr << "tolmer-bench: --dump " << *arguments.dumpPath
              << " would overwrite the grid it loads\n";
    return kExitUsage;
  }
  if (arguments.dumpPath) {
    // A dump that cannot be written is known before the loads rather than after
    // them; trying leaves the target untouched.
    try {
      tolmer::AtomicFile trial(*arguments.dumpPath);
    } catch (const tolmer::GridError& error) {
      std::cerr << "tolmer-bench: " << error.what() << '\n';
      return kExitDumpFailed;
    }
  }
  // A view is timed after a single load.
  BenchArguments loads = arguments;
  loads.runs = arguments.views.empty() && !arguments.accuracy ? arguments.runs : 1;
  MemoryHost host;
  std::vector<double> seconds;
  const tolmer::LoadResult last = RunLoads(loads, host, seconds);
  PrintSummary(loads, seconds);
  bool viewed = true;
  // Made only for views: a load alone would otherwise pay for faulting it in.
  std::optional<tolmer::MemorySurface> viewSurface;
  if (!arguments.views.empty()) {
    viewSurface.emplace(arguments.width, arguments.height);
  }
  if (last.IsLoaded() && last.Grid()) {
    PrintOverview(last.Grid()->overview);
    for (const tolmer::bench::BenchViewChoice& choice : arguments.views) {
      viewed = viewed && RunView(choice, arguments, *last.Grid(), *viewSurface);
    }
    for (const std::int32_t cells : {3, 4, 5, 6, 16, 100}) {
      viewed = viewed && (!arguments.accuracy || CompareAtScale(*last.Grid(), cells));
    }
  }
  // Only a picture of a load that worked is worth keeping.
  const bool succeeded = last.IsLoaded() && viewed;
  if (arguments.dumpPath && succeeded) {
    try {
      tolmer::WritePpm(viewSurface ? *viewSurface : host.Picture(), *arguments.dumpPath);
    } catch (const std::exception& error) {
      std::cerr << "tolmer-bench: " << error.what() << '\n';
      return kExitDumpFailed;
    }
  }
  if (!tolmer::StandardOutputWritten("tolmer-bench")) {
    return kExitError;
  }
  return succeeded ? kExitLoaded : kExitError;
}
