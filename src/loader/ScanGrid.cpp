// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/ScanGrid.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>

#include "grid/GridError.h"
#include "grid/HeightBounds.h"

namespace tolmer {
namespace {

// Below this, a second thread costs about as much as it saves.
constexpr std::uint64_t kCellsForTwoThreads = std::uint64_t{1} << 18U;

// Records in one read at most: a band of the widest grid that has bands, about
// 5 MiB. The band of a grid of usual width stays in the second-level cache between
// the copy out of the page cache and the walk over it.
constexpr std::uint64_t kMostRecordsRead = 16 * kChunkRecords;

// The records [first, first + count).
struct Span {
  std::uint64_t first = 0;
  std::uint64_t count = 0;
};

// How the scan splits the records, in file order: a grid large enough for two
// threads into the overview's bands, which it sums whole, on one thread or two;
// a smaller one, or one without bands, into chunks. Unit 0 holds `lead` records and
// every one after it `each`. Chunk 0 ends just before the first turn's cell, so
// that chunks give turns exactly where they are due; bands give them only roughly
// there, and need no rows of bins to add into: a fifth of a large grid's load on
// one processor.
struct Units {
  std::uint64_t lead = kChunkRecords - 1;
  std::uint64_t each = kChunkRecords;

  static Units Of(const Overview& overview, std::uint64_t cells) {
    const std::optional<Overview::Bands> bands = overview.RecordBands(kMostRecordsRead);
    return bands && cells >= kCellsForTwoThreads ? Units{bands->first, bands->each} : Units{};
  }
  std::uint64_t Most() const { return std::max(lead, each); }
  Span At(std::uint64_t index, std::uint64_t cells) const {
    const auto start = [this](std::uint64_t unit) {
      return unit == 0 ? 0 : lead + (unit - 1) * each;
    };
    const std::uint64_t first = std::min(start(index), cells);
    return Span{first, std::min(start(index + 1), cells) - first};
  }
};

// One scan of all records, shared by the threads that do it.
class SharedScan {
 public:
  SharedScan(const GridReader& reader, const GridHeader& header, const Overview& overview)
      : reader_(reader),
        header_(header),
        cells_(CellCount(header)),
        units_(Units::Of(overview, cells_)) {}

  // Scans units in file order, each in one read, until none is left or none before a
  // fault; before each unit asks goOn(), and stops when it says false. False when it
  // did.
  template <typename GoOn>
  bool ScanAll(HeightRange& part, Overview& overview, GoOn goOn) {
    ChunkBuffer buffer(units_.Most());
    for (std::uint64_t index = nextUnit_.fetch_add(1); Wanted(index);
         index = nextUnit_.fetch_add(1)) {
      if (!goOn()) {
        return false;
      }
      Scan(index, part, overview, buffer);
    }
    return true;
  }

  std::uint64_t Scanned() const { return scanned_.load(); }

  // Throws the fault of the earliest unit, once every thread is through.
  void RethrowFault() const {
    if (fault_) {
      std::rethrow_exception(fault_);
    }
  }

 private:
  // Whether unit `index` is still to be scanned: it holds records and comes before
  // any fault.
  bool Wanted(std::uint64_t index) const {
    return units_.At(index, cells_).count > 0 && index < faultUnit_.load();
  }

  // Widens `part` by the heights of a unit and adds its records to `overview` in the
  // same walk, or records why it cannot.
  void Scan(std::uint64_t index, HeightRange& part, Overview& overview, ChunkBuffer& buffer) {
    const Span unit = units_.At(index, cells_);
    try {
      const RecordBlock block = buffer.ReadAt(reader_, unit.first, unit.count);
      const HeightBounds bounds = overview.Add(block, unit.first);
      if (!bounds.allFinite) {
        for (std::size_t cell = 0; cell < block.Size(); ++cell) {
          RequireFinite(block[cell], unit.first + cell, header_.GridWidth);
        }
      }
      part.Widen(bounds);
    } catch (...) {
      RecordFault(index);
    }
    scanned_ += unit.count;
  }

  void RecordFault(std::uint64_t index) {
    const std::lock_guard lock(faultMutex_);
    if (index < faultUnit_.load()) {
      faultUnit_ = index;
      fault_ = std::current_exception();
    }
  }

  const GridReader& reader_;
  const GridHeader& header_;
  const std::uint64_t cells_;
  const Units units_;
  std::atomic<std::uint64_t> nextUnit_{0};
  std::atomic<std::uint64_t> scanned_{0};
  std::atomic<std::uint64_t> faultUnit_{UINT64_MAX};
  std::mutex faultMutex_;
  std::exception_ptr fault_;
};

}  // namespace

unsigned ScanThreads(std::uint64_t cells) {
  cpu_set_t processors;
  CPU_ZERO(&processors);
  const bool twoProcessors =
      ::sched_getaffinity(0, sizeof processors, &processors) == 0 && CPU_COUNT(&processors) >= 2;
  return twoProcessors && cells >= kCellsForTwoThreads ? 2 : 1;
}

bool ScanHeights(const GridReader& reader, const GridHeader& header, LoadTurns& turns,
                 HeightRange& range, Overview& overview, unsigned threads) {
  SharedScan scan(reader, header, overview);
  HeightRange mine = range;
  HeightRange theirs = range;
  // What stopped the other thread: its memory, which would otherwise end the process.
  std::exception_ptr theirFailure;
  std::jthread helper;
  if (threads > 1) {
    helper = std::jthread([&](std::stop_token stop) {
      try {
        scan.ScanAll(theirs, overview, [&stop] { return !stop.stop_requested(); });
      } catch (...) {
        theirFailure = std::current_exception();
      }
    });
  }
  // This thread scans too, and gives the host its turns for both.
  std::uint64_t accounted = 0;
  const bool goneOn = scan.ScanAll(mine, overview, [&] {
    const std::uint64_t scanned = scan.Scanned();
    turns.Done(scanned - accounted);
    accounted = scanned;
    return turns.Next(1) != 0;
  });
  if (!goneOn) {
    return false;  // the helper is told to stop and joined on the way out
  }
  if (helper.joinable()) {
    helper.join();
    if (theirFailure) {
      std::rethrow_exception(theirFailure);
    }
  }
  scan.RethrowFault();
  // The turns the other thread's last units have made due.
  turns.Done(scan.Scanned() - accounted);
  if (turns.Next(1) == 0) {
    return false;
  }
  // Both started from the range as it was, so together they are what one would be.
  range = mine;
  range.Widen(theirs);
  return true;
}

namespace {

std::shared_ptr<LoadedGrid> ScanFile(const GridReader& reader, const std::string& fileName,
                                     LoadTurns& turns,
                                     const std::optional<OverviewStorage>& storage) {
  auto grid = std::make_shared<LoadedGrid>();
  grid->fileName = fileName;
  grid->stamp = reader.stamp();
  grid->header = reader.readHeader();
  const GridHeader& header = grid->header;
  const std::uint64_t cells = CellCount(header);
  if (storage) {
    grid->overview = Overview(header.GridWidth, header.GridHeight, *storage);
  }
  turns.BeginPass(0, cells);
  if (!ScanHeights(reader, header, turns, grid->range, grid->overview, ScanThreads(cells))) {
    return nullptr;
  }
  grid->overview.Finish();
  // An unchanged file still holds this header and every record it announces, and
  // the heights the range was taken from.
  reader.requireUnchanged();
  return grid;
}

}  // namespace

std::shared_ptr<LoadedGrid> ScanGrid(const GridReader& reader, const std::string& fileName,
                                     LoadTurns& turns,
                                     const std::optional<OverviewStorage>& storage) {
  try {
    return ScanFile(reader, fileName, turns, storage);
  } catch (const GridError&) {
    // A file rewritten under the scan failed because of that, whatever its
    // half-written bytes made the reading trip over.
    reader.requireUnchanged();
    throw;
  }
}

}  // namespace tolmer
