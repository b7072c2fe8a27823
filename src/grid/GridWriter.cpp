// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "grid/GridWriter.h"

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

namespace {

template <std::size_t N>
void WriteBytes(std::ofstream& out, const std::array<unsigned char, N>& bytes) {
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(N));
}

}  // namespace

GridWriter::GridWriter(const std::string& path, const GridHeader& header) {
  out_.exceptions(std::ios::badbit | std::ios::failbit);
  out_.open(path, std::ios::binary | std::ios::trunc);
  WriteBytes(out_, EncodeHeader(header));
}

void GridWriter::WriteCell(const CellRecord& cell) {
  WriteBytes(out_, EncodeCell(cell));
}

void GridWriter::Finish() {
  out_.close();
}

}  // namespace tolmer
