#pragma once

#include <cstdint>
#include <optional>

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

  // Starts pass 0 (the range scan) or pass 1 (the painting) over `cells` cells.
  void beginPass(int pass, std::uint64_t cells);
  // The next block of at most `remaining` cells (remaining > 0), or nothing when the
  // host has asked the load to stop.
  std::optional<RecordBlock> next(std::uint64_t remaining);

 private:
  LoadProgress progress() const;

  GridReader& reader_;
  LoadHost& host_;
  std::uint64_t cellsBeforeTurn_ = kCellsPerTurn - 1;
  std::uint64_t passCells_ = 0;
  std::uint64_t passesBefore_ = 0;  // passes already through, counted in passCells_
  std::uint64_t doneInPass_ = 0;
};

}  // namespace tolmer
