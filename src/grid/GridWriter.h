// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <fstream>
#include <string>

#include "grid/GridFormat.h"

namespace tolmer {

std::array<unsigned char, kHeaderSize> EncodeHeader(const GridHeader& header);
std::array<unsigned char, kCellRecordSize> EncodeCell(const CellRecord& cell);

// Writes a grid file front to back: the header at construction, then one record per
// WriteCell in file order. The viewer never writes; samples, tests and benchmarks do.
// Failures throw std::ios_base::failure.
class GridWriter {
 public:
  GridWriter(const std::string& path, const GridHeader& header);
  void WriteCell(const CellRecord& cell);
  // Flushes and closes; a write error that the stream only notices now is thrown here.
  void Finish();

 private:
  std::ofstream out_;
};

}  // namespace tolmer
