// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "grid/GridWriter.h"

#include <algorithm>

#include "grid/GridFormat.h"

namespace tolmer {

std::array<unsigned char, kHeaderSize> EncodeHeader(const GridHeader& header) {
  std::array<unsigned char, kHeaderSize> bytes{};
  std::copy(header.Signature.begin(), header.Signature.end(), bytes.begin());
  StoreI32LE(bytes.data() + kSignatureSize, header.GridWidth);
  StoreI32LE(bytes.data() + kSignatureSize + 4, header.GridHeight);
  return bytes;
}

std::array<unsigned char, kCellRecordSize> EncodeCell(const CellRecord& cell) {
  std::array<unsigned char, kCellRecordSize> bytes{};
  StoreF32LE(bytes.data(), cell.Height1);
  StoreF32LE(bytes.data() + 4, cell.Height2);
  StoreF32LE(bytes.data() + 8, cell.Height3);
  StoreF32LE(bytes.data() + 12, cell.Height4);
  StoreI32LE(bytes.data() + 16, cell.CellType);
  return bytes;
}

GridWriter::GridWriter(const std::string& path, const GridHeader& header) : out_(path) {
  const auto bytes = EncodeHeader(header);
  out_.Write(bytes.data(), bytes.size());
}

void GridWriter::WriteCell(const CellRecord& cell) {
  const auto bytes = EncodeCell(cell);
  out_.Write(bytes.data(), bytes.size());
}

void GridWriter::Resize(std::uint64_t size) {
  out_.Resize(size);
}

void GridWriter::Finish() {
  out_.Commit();
}

}  // namespace tolmer
