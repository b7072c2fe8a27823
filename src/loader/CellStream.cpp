#include "loader/CellStream.h"

#include <algorithm>

namespace tolmer {

void CellStream::beginPass(int pass, std::uint64_t cells) {
  passesBefore_ = static_cast<std::uint64_t>(pass);
  passCells_ = cells;
  doneInPass_ = 0;
}

std::optional<RecordBlock> CellStream::next(std::uint64_t remaining) {
  if (cellsBeforeTurn_ == 0) {
    host_.WhileLoading(progress());
    if (host_.StopRequested()) {
      return std::nullopt;
    }
    cellsBeforeTurn_ = kCellsPerTurn;
  }
  const RecordBlock block =
      reader_.readCells(static_cast<std::size_t>(std::min(remaining, cellsBeforeTurn_)));
  cellsBeforeTurn_ -= block.size();
  doneInPass_ += block.size();
  return block;
}

LoadProgress CellStream::progress() const {
  return LoadProgress{passesBefore_ * passCells_ + doneInPass_, 2 * passCells_};
}

}  // namespace tolmer
