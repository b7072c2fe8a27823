// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "support/GridFiles.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <fstream>
#include <stdexcept>

#include "grid/GridWriter.h"

namespace tolmer::testing {

CellRecord UniformCell(float height, std::int32_t cellType) {
  return CellRecord{height, height, height, height, cellType};
}

CellRecord Hills(std::int32_t row, std::int32_t column) {
  const float base = static_cast<float>((row * 7 + column * 3) % 50);
  return CellRecord{base, base + 1, base + 2, base + 3, (row + column) % 3 == 0 ? 0 : 2};
}

std::vector<unsigned char> GridBytes(std::int32_t width, std::int32_t height,
                                     const CellMaker& makeCell, std::int32_t recordRows) {
  GridHeader header;
  header.Signature = {'T', 'E', 'S', 'T', 'G', 'R'};
  header.GridWidth = width;
  header.GridHeight = height;
  const auto head = EncodeHeader(header);
  std::vector<unsigned char> bytes(head.begin(), head.end());
  const std::int32_t rows = recordRows < 0 ? height : recordRows;
  for (std::int32_t row = 0; row < rows; ++row) {
    for (std::int32_t column = 0; column < width; ++column) {
      const auto record = EncodeCell(makeCell(row, column));
      bytes.insert(bytes.end(), record.begin(), record.end());
    }
  }
  return bytes;
}

void WriteFile(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) {
    throw std::runtime_error("cannot write " + path);
  }
}

std::string WriteFileIn(const TempDir& dir, const std::string& name,
                        const std::vector<unsigned char>& bytes) {
  const std::string path = dir.Path(name);
  WriteFile(path, bytes);
  return path;
}

void MarkModified(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) {
    throw std::runtime_error("cannot examine " + path);
  }
  timespec times[2] = {{0, UTIME_OMIT}, status.st_mtim};
  ++times[1].tv_sec;
  if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) {
    throw std::runtime_error("cannot set the times of " + path);
  }
}

void WriteGrid(const std::string& path, std::int32_t width, std::int32_t height,
               const CellMaker& makeCell) {
  GridHeader header;
  header.GridWidth = width;
  header.GridHeight = height;
  // In place, as a program rewriting the file would, not replaced as GridWriter
  // does: the tests of a file changed during its load rewrite the file being read.
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  const auto head = EncodeHeader(header);
  out.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
  for (std::int32_t row = 0; row < height; ++row) {
    for (std::int32_t column = 0; column < width; ++column) {
      const auto record = EncodeCell(makeCell(row, column));
      out.write(reinterpret_cast<const char*>(record.data()),
                static_cast<std::streamsize>(record.size()));
    }
  }
  if (!out.flush()) {
    throw std::runtime_error("cannot write " + path);
  }
}

}  // namespace tolmer::testing
