// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
// tolmer-fuzz-seeds OUTDIR: writes the hand-made seed inputs of grid_fuzz, small
// grid files that reach every branch of a load, each named after what it holds.
#include <bit>
#include <cfloat>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <limits>
#include <string>
#include <vector>

#include "grid/GridWriter.h"
#include "support/GridFiles.h"

namespace {

using tolmer::CellRecord;
using tolmer::testing::UniformCell;
using Bytes = std::vector<unsigned char>;
using CellMaker = std::function<CellRecord(std::int32_t index)>;

constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();

Bytes Header(std::int32_t width, std::int32_t height, const char (&signature)[7] = "SEEDGR") {
  tolmer::GridHeader header;
  std::copy(signature, signature + 6, header.Signature.begin());
  header.GridWidth = width;
  header.GridHeight = height;
  const auto bytes = tolmer::EncodeHeader(header);
  return {bytes.begin(), bytes.end()};
}

// A header followed by `records` cells made by `make`, numbered in file order.
Bytes Grid(std::int32_t width, std::int32_t height, std::int32_t records, const CellMaker& make) {
  Bytes bytes = Header(width, height);
  for (std::int32_t index = 0; index < records; ++index) {
    const auto cell = tolmer::EncodeCell(make(index));
    bytes.insert(bytes.end(), cell.begin(), cell.end());
  }
  return bytes;
}

Bytes Grid(std::int32_t width, std::int32_t height, const CellMaker& make) {
  return Grid(width, height, width * height, make);
}

CellRecord Slope(std::int32_t index) {
  const auto base = static_cast<float>(index % 37) * 3.5F - 40.0F;
  return {base, base + 1.0F, base - 2.0F, base + 0.5F, index % 5 == 0 ? 1 : 0};
}

// One odd height in the middle of an otherwise ordinary 3 x 3 grid.
Bytes WithHeight(float odd) {
  return Grid(3, 3, [odd](std::int32_t index) {
    CellRecord cell = Slope(index);
    if (index == 4) {
      cell.Height3 = odd;
    }
    return cell;
  });
}

float FloatBits(std::uint32_t bits) {
  return std::bit_cast<float>(bits);
}

void Write(const std::filesystem::path& directory, const std::string& name, const Bytes& bytes) {
  std::ofstream out(directory / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) {
    throw std::runtime_error("cannot write " + name);
  }
}

void WriteShapes(const std::filesystem::path& out) {
  Write(out, "valid-1x1", Grid(1, 1, Slope));
  Write(out, "valid-3x2", Grid(3, 2, Slope));
  Write(out, "valid-7x1", Grid(7, 1, Slope));
  Write(out, "valid-1x9", Grid(1, 9, Slope));
  Write(out, "valid-16x16", Grid(16, 16, Slope));
  Write(out, "clipped-wide-310x2", Grid(310, 2, Slope));
  Write(out, "clipped-tall-2x245", Grid(2, 245, Slope));
  Write(out, "empty-0x0", Header(0, 0));
  Write(out, "empty-0x5", Header(0, 5));
  Write(out, "empty-5x0", Header(5, 0));
  Write(out, "equal-heights",
        Grid(4, 2, [](std::int32_t index) { return UniformCell(5.0F, index % 2); }));
  Write(out, "above-seeds", Grid(2, 2, [](std::int32_t) { return UniformCell(150.0F, 0); }));
  Write(out, "below-seeds", Grid(2, 2, [](std::int32_t) { return UniformCell(-150.0F, 3); }));
  Bytes noise = Grid(2, 1, Slope);
  std::copy_n("\x00\xff\x7f\x80\n\r", 6, noise.begin());
  Write(out, "signature-noise", noise);
}

void WriteBrokenFiles(const std::filesystem::path& out) {
  Write(out, "file-empty", {});
  Bytes thirteen = Header(1, 1);
  thirteen.pop_back();
  Write(out, "file-13-bytes", thirteen);
  Write(out, "negative-width", Header(-1, 2));
  Write(out, "negative-height", Header(3, -1));
  Write(out, "negative-both", Header(-3, -2));
  Write(out, "int32-min", Header(kInt32Min, 1));
  Write(out, "int32-max-square", Header(kInt32Max, kInt32Max));
  Write(out, "overflowing-product", Header(65536, 65536));
  Write(out, "header-only-1x1", Header(1, 1));
  Bytes oneShort = Grid(3, 3, Slope);
  oneShort.pop_back();
  Write(out, "body-one-byte-short", oneShort);
  Write(out, "body-one-row-short", Grid(4, 3, 8, Slope));
  Bytes trailing = Grid(2, 2, Slope);
  trailing.insert(trailing.end(), 13, 0xAB);
  Write(out, "trailing-bytes", trailing);
}

void WriteOddNumbers(const std::filesystem::path& out) {
  Write(out, "height-quiet-nan", WithHeight(std::numeric_limits<float>::quiet_NaN()));
  Write(out, "height-signalling-nan", WithHeight(FloatBits(0x7F800001U)));
  Write(out, "height-nan-payload", WithHeight(FloatBits(0xFFC12345U)));
  Write(out, "height-plus-inf", WithHeight(std::numeric_limits<float>::infinity()));
  Write(out, "height-minus-inf", WithHeight(-std::numeric_limits<float>::infinity()));
  Write(out, "height-denormal", WithHeight(std::numeric_limits<float>::denorm_min()));
  Write(out, "height-flt-max", Grid(2, 1, [](std::int32_t index) {
          return index == 0 ? UniformCell(FLT_MAX, 0) : UniformCell(-FLT_MAX, 1);
        }));
  Write(out, "cell-types", Grid(4, 1, [](std::int32_t index) {
          const std::int32_t types[] = {kInt32Min, -1, 7, kInt32Max};
          return CellRecord{1.0F, 2.0F, 3.0F, 4.0F, types[index]};
        }));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: tolmer-fuzz-seeds OUTDIR\n";
    return 2;
  }
  try {
    const std::filesystem::path out = argv[1];
    std::filesystem::create_directories(out);
    WriteShapes(out);
    WriteBrokenFiles(out);
    WriteOddNumbers(out);
  } catch (const std::exception& error) {
    std::cerr << "tolmer-fuzz-seeds: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
