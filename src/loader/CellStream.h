#pragma once

#include <cstdint>

#include "grid/GridReader.h"
#include "loader/LoadHost.h"

namespace tolmer {

// The cells of a load in blocks, with the host's turn before every 65536th cell
// counted over both passes. A block never runs past the next turn, so the host
// gets it before the same cell as when cells are read one at a time.
class CellStream {
 public:
  static constexpr std::uint64_t kCellsPerTurn = std::uint64_t{1} << 16U;

  CellStream(GridReader& reader, LoadHost& host) : reader_(reader), host_(host) {}

  // The next block of at most `remaining` cells (remaining > 0).
  RecordBlock next(std::uint64_t remaining);

 private:
  GridReader& reader_;
  LoadHost& host_;
  std::uint64_t cellsBeforeTurn_ = kCellsPerTurn - 1;
};

}  // namespace tolmer
