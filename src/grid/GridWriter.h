// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "grid/AtomicFile.h"
#include "grid/GridFormat.h"

namespace tolmer {

std::array<unsigned char, kHeaderSize> EncodeHeader(const GridHeader& header);
std::array<unsigned char, kCellRecordSize> EncodeCell(const CellRecord& cell);

// Writes a grid file front to back: the header at construction, then one record per
// WriteCell in file order. The viewer never writes; samples, tests and benchmarks do.
// The file appears, or replaces the one of that name, only at Finish(): a writer
// that fails or is dropped before leaves no part of a grid behind. Failures throw
// GridError.
class GridWriter {
 public:
  GridWriter(const std::string& path, const GridHeader& header);
  void WriteCell(const CellRecord& cell);
  // Makes the file `size` bytes long; the records not written read as zero.
  void Resize(std::uint64_t size);
  void Finish();

 private:
  AtomicFile out_;
};

}  // namespace tolmer
