// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "grid/GridHeaderCheck.h"

#include <string>

#include "grid/GridError.h"

namespace tolmer {

void CheckHeader(const GridHeader& header, std::uint64_t fileSize) {
  if (header.GridWidth < 0 || header.GridHeight < 0) {
    throw GridError("the header announces a negative grid size, " +
                    std::to_string(header.GridWidth) + "x" + std::to_string(header.GridHeight));
  }
  if (fileSize < kHeaderSize) {
    throw GridError("file is shorter than a grid header");
  }
  // Dividing the file's room by the record size avoids multiplying the cell count
  // by 20, which could overflow.
  const std::uint64_t cells = CellCount(header);
  const std::uint64_t cellsInFile = (fileSize - kHeaderSize) / kCellRecordSize;
  if (cells > cellsInFile) {
    throw GridError("the file is too short: its header announces a " +
                    std::to_string(header.GridWidth) + "x" + std::to_string(header.GridHeight) +
                    " grid of " + std::to_string(cells) + " records, but its " +
                    std::to_string(fileSize) + " bytes hold only " + std::to_string(cellsInFile));
  }
}

}  // namespace tolmer
