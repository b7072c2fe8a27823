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

// Chunks read through one mapping at most: mapping costs little beside them, and
// each thread holds about 5 MiB of the file mapped.
constexpr std::uint64_t kMostChunksMapped = 16;

// The records of chunk m: chunk 0 ends just before the first turn's cell, and every
// chunk after starts one cell before a multiple of kChunkRecords, so that turns
// fall on chunk boundaries.
struct Chunk {
  std::uint64_t first = 0;
  std::uint64_t count = 0;
};

Chunk ChunkAt(std::uint64_t index, std::uint64_t cells) {
  const auto start = [](std::uint64_t m) { return m == 0 ? 0 : m * kChunkRecords - 1; };
  const std::uint64_t first = std::min(start(index), cells);
  return Chunk{first, std::min(start(index + 1), cells) - first};
}

// One scan of all records, shared by the threads that do it.
class SharedScan {
 public:
  SharedScan(const GridReader& reader, const GridHeader& header)
      : reader_(reader),
        header_(header),
        cells_(CellCount(header)),
        windowChunks_(std::clamp<std::uint64_t>(cells_ / kChunkRecords / 8, 1, kMostChunksMapped)) {
  }

  // Scans windows of chunks in file order, each through one mapping where the system
  // gives one, until none is left or none before a fault; before each chunk asks
  // goOn(), and stops when it says false. False when it did.
  template <typename GoOn>
  bool ScanAll(HeightRange& part, Overview& overview, GoOn goOn) {
    ChunkBuffer buffer;
    for (std::uint64_t first = nextWindow_.fetch_add(1) * windowChunks_; Wanted(first);
         first = nextWindow_.fetch_add(1) * windowChunks_) {
      const std::optional<MappedRecords> mapped = Map(first);
      for (std::uint64_t index = first; index < first + windowChunks_ && Wanted(index); ++index) {
        if (!goOn()) {
          return false;
        }
        Scan(index, part, overview, buffer, mapped);
      }
    }
    return true;
  }

  std::uint64_t Scanned() const { return scanned_.load(); }

  // Throws the fault of the earliest chunk, once every thread is through.
  void RethrowFault() const {
    if (fault_) {
      std::rethrow_exception(fault_);
    }
  }

 private:
  // Whether chunk `index` is still to be scanned: it holds records and comes before
  // any fault.
  bool Wanted(std::uint64_t index) const {
    return ChunkAt(index, cells_).count > 0 && index < faultChunk_.load();
  }

  // The records of the window from chunk `first`; none leaves them to be read chunk
  // by chunk.
  std::optional<MappedRecords> Map(std::uint64_t first) const {
    const std::uint64_t record = ChunkAt(first, cells_).first;
    const Chunk last = ChunkAt(first + windowChunks_ - 1, cells_);
    return reader_.mapRecords(record, std::max(last.first + last.count, record) - record);
  }

  // Widens `part` by the heights of a chunk and adds its records to `overview` in the
  // same walk, or records why it cannot.
  void Scan(std::uint64_t index, HeightRange& part, Overview& overview, ChunkBuffer& buffer,
            const std::optional<MappedRecords>& mapped) {
    const Chunk chunk = ChunkAt(index, cells_);
    // A file cut short under the mapping abandons this walk midway, so nothing in it
    // may need destroying.
    const auto scan = [this, &chunk, &part, &overview](const RecordBlock& block) {
      const HeightBounds bounds = overview.Add(block, chunk.first);
      if (!bounds.allFinite) {
        for (std::size_t cell = 0; cell < block.Size(); ++cell) {
          RequireFinite(block[cell], chunk.first + cell, header_.GridWidth);
        }
      }
      part.Widen(bounds);
    };
    try {
      if (mapped) {
        mapped->Read(chunk.first, chunk.count, scan);
      } else {
        scan(buffer.ReadAt(reader_, chunk.first, chunk.count));
      }
    } catch (...) {
      RecordFault(index);
    }
    scanned_ += chunk.count;
  }

  void RecordFault(std::uint64_t index) {
    const std::lock_guard lock(faultMutex_);
    if (index < faultChunk_.load()) {
      faultChunk_ = index;
      fault_ = std::current_exception();
    }
  }

  const GridReader& reader_;
  const GridHeader& header_;
  const std::uint64_t cells_;
  // Chunks to a window: fewer in a small grid, so that both threads get windows.
  const std::uint64_t windowChunks_;
  std::atomic<std::uint64_t> nextWindow_{0};
  std::atomic<std::uint64_t> scanned_{0};
  std::atomic<std::uint64_t> faultChunk_{UINT64_MAX};
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
  SharedScan scan(reader, header);
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
  // The turns the other thread's last chunks have made due.
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
