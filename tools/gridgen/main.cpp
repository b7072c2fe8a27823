// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
// tolmer-gridgen: writes sample and benchmark grid files.
#include <sys/types.h>

#include <charconv>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>

#include "grid/GridError.h"
#include "grid/GridWriter.h"
#include "gridgen/Terrain.h"

namespace {

using tolmer::CellRecord;
using tolmer::GridHeader;

constexpr std::string_view kUsage =
    "usage: tolmer-gridgen terrain WIDTH HEIGHT OUT [SEED]\n"
    "       tolmer-gridgen sparse WIDTH HEIGHT OUT\n"
    "       tolmer-gridgen noise WIDTH HEIGHT OUT [SEED]\n"
    "       tolmer-gridgen --help\n"
    "terrain writes an island landscape with land (type 0) and water (type 1);\n"
    "sparse writes the header and leaves every record zero, as a sparse file;\n"
    "noise gives every corner an independent height from 0 to 100, and every cell\n"
    "type 0 or 1 at random: the worst case for any picture coarser than the cells.\n";

std::int32_t ParseInt(std::string_view text) {
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0) {
    throw std::invalid_argument("not a size: " + std::string(text));
  }
  return value;
}

GridHeader MakeHeader(std::int32_t width, std::int32_t height) {
  GridHeader header;
  header.Signature = {'T', 'O', 'L', 'M', 'E', 'R'};
  header.GridWidth = width;
  header.GridHeight = height;
  return header;
}

void WriteTerrain(std::int32_t width, std::int32_t height, const std::string& out,
                  std::uint32_t seed) {
  const tolmer::gridgen::Terrain terrain(width, height, seed);
  tolmer::GridWriter writer(out, MakeHeader(width, height));
  for (std::int32_t row = 0; row < height; ++row) {
    for (std::int32_t column = 0; column < width; ++column) {
      writer.WriteCell(terrain.Cell(row, column));
    }
  }
  writer.Finish();
}

void WriteNoise(std::int32_t width, std::int32_t height, const std::string& out,
                std::uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> height100(0.0F, 100.0F);
  tolmer::GridWriter writer(out, MakeHeader(width, height));
  for (std::int64_t cell = 0; cell < std::int64_t{width} * height; ++cell) {
    const float corners[4] = {height100(random), height100(random), height100(random),
                              height100(random)};
    writer.WriteCell(tolmer::CellRecord{corners[0], corners[1], corners[2], corners[3],
                                        static_cast<std::int32_t>(random() & 1U)});
  }
  writer.Finish();
}

// The size of a file holding a width x height grid; refused before anything is
// written when it does not fit a file offset.
off_t GridFileSize(std::int32_t width, std::int32_t height, const std::string& out) {
  // Both factors are below 2^31, so the cell count fits in 62 bits.
  const auto cells = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
  constexpr auto kMostCells =
      (static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()) - tolmer::kHeaderSize) /
      tolmer::kCellRecordSize;
  if (cells > kMostCells) {
    throw std::invalid_argument("cannot write " + out + ": a " + std::to_string(width) + "x" +
                                std::to_string(height) + " grid of " + std::to_string(cells) +
                                " records is larger than a file can be");
  }
  return static_cast<off_t>(tolmer::kHeaderSize + tolmer::kCellRecordSize * cells);
}

// All-zero records cost no disk space, which makes multi-gigabyte test files cheap.
void WriteSparse(std::int32_t width, std::int32_t height, const std::string& out) {
  const off_t size = GridFileSize(width, height, out);
  tolmer::GridWriter writer(out, MakeHeader(width, height));
  writer.Resize(static_cast<std::uint64_t>(size));
  writer.Finish();
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc == 2 && std::string_view(argv[1]) == "--help") {
      std::cout << kUsage;
      return tolmer::StandardOutputWritten("tolmer-gridgen") ? 0 : 1;
    }
    if (argc < 5) {
      std::cerr << kUsage;
      return 2;
    }
    const std::string_view kind = argv[1];
    const std::int32_t width = ParseInt(argv[2]);
    const std::int32_t height = ParseInt(argv[3]);
    const std::string out = argv[4];
    const auto seed = argc == 6 ? static_cast<std::uint32_t>(ParseInt(argv[5])) : 7U;
    if (kind == "terrain" && argc <= 6) {
      WriteTerrain(width, height, out, seed);
    } else if (kind == "noise" && argc <= 6) {
      WriteNoise(width, height, out, seed);
    } else if (kind == "sparse" && argc == 5) {
      WriteSparse(width, height, out);
    } else {
      std::cerr << kUsage;
      return 2;
    }
  } catch (const std::exception& error) {
    std::cerr << "tolmer-gridgen: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
