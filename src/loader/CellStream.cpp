#include "loader/CellStream.h"

#include <algorithm>

namespace tolmer {

RecordBlock CellStream::next(std::uint64_t remaining) {
  if (cellsBeforeTurn_ == 0) {
    host_.WhileLoading();
    cellsBeforeTurn_ = kCellsPerTurn;
  }
  const RecordBlock block =
      reader_.readCells(static_cast<std::size_t>(std::min(remaining, cellsBeforeTurn_)));
  cellsBeforeTurn_ -= block.size();
  return block;
}

}  // namespace tolmer
