// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/ScanStatistics.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>

#include "grid/GridError.h"
#include "grid/HeightBounds.h"
#include "loader/RecordChunks.h"

namespace tolmer {
namespace {

// Chunks handed out in file order to whichever thread asks; the fault of the
// earliest chunk wins, so the message is the one a read from the start gives.
class SharedChunks {
 public:
  SharedChunks(const GridReader& reader, const GridHeader& header, const std::stop_token& stop)
      : reader_(reader), header_(header), cells_(CellCount(header)), stop_(stop) {}

  // Tells `progress`, when given, the share of chunks handed out after each of its own.
  void Gather(GridStatistics& part, const std::function<void(double)>* progress = nullptr) {
    ChunkBuffer buffer;
    const double chunks = static_cast<double>((cells_ + kChunkRecords - 1) / kChunkRecords);
    for (std::uint64_t index = next_++;
         index * kChunkRecords < cells_ && index < faultChunk_ && !stop_.stop_requested();
         index = next_++) {
      const std::uint64_t first = index * kChunkRecords;
      try {
        const RecordBlock block = buffer.ReadAt(
            reader_, first, static_cast<std::size_t>(std::min(kChunkRecords, cells_ - first)));
        if (!ScanHeightBounds(block).allFinite) {
          for (std::size_t cell = 0; cell < block.Size(); ++cell) {
            RequireFinite(block[cell], first + cell, header_.GridWidth);
          }
        }
        part.Add(block);
        if (progress != nullptr && *progress) {
          (*progress)(std::min(1.0, static_cast<double>(next_.load()) / chunks));
        }
      } catch (...) {
        const std::lock_guard lock(faultMutex_);
        if (index < faultChunk_) {
          faultChunk_ = index;
          fault_ = std::current_exception();
        }
      }
    }
  }

  void RethrowFault() const {
    if (fault_) {
      std::rethrow_exception(fault_);
    }
  }

 private:
  const GridReader& reader_;
  const GridHeader& header_;
  const std::uint64_t cells_;
  const std::stop_token& stop_;
  std::atomic<std::uint64_t> next_{0};
  std::atomic<std::uint64_t> faultChunk_{UINT64_MAX};
  std::mutex faultMutex_;
  std::exception_ptr fault_;
};

std::optional<GridStatistics> Gather(const GridReader& reader, const GridHeader& header,
                                     unsigned threads, const std::stop_token& stop,
                                     const std::function<void(double)>& progress) {
  SharedChunks chunks(reader, header, stop);
  GridStatistics mine;
  GridStatistics theirs;
  std::exception_ptr theirFailure;
  std::jthread helper;
  if (threads > 1) {
    helper = std::jthread([&] {
      try {
        chunks.Gather(theirs);
      } catch (...) {
        theirFailure = std::current_exception();  // its buffer's memory
      }
    });
  }
  chunks.Gather(mine, &progress);
  if (helper.joinable()) {
    helper.join();
    if (theirFailure) {
      std::rethrow_exception(theirFailure);
    }
  }
  chunks.RethrowFault();
  if (stop.stop_requested()) {
    return std::nullopt;
  }
  mine.Merge(theirs);
  reader.requireUnchanged();
  return mine;
}

}  // namespace

GridStatistics ScanStatistics(const GridReader& reader, const GridHeader& header,
                              unsigned threads) {
  return *ScanStatistics(reader, header, threads, {}, {});
}

std::optional<GridStatistics> ScanStatistics(const GridReader& reader, const GridHeader& header,
                                             unsigned threads, const std::stop_token& stop,
                                             const std::function<void(double)>& progress) {
  try {
    return Gather(reader, header, threads, stop, progress);
  } catch (const GridError&) {
    // A file rewritten under the read failed because of that, whatever its
    // half-written bytes made the reading trip over.
    reader.requireUnchanged();
    throw;
  }
}

}  // namespace tolmer
