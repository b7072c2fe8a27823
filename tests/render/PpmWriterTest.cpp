// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "render/PpmWriter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "support/TempDir.h"

namespace tolmer {
namespace {

TEST(PpmWriter, WritesHeaderAndRgbRowsTopDown) {
  MemorySurface surface(3, 2, MakeColour(1, 2, 3));
  SetPixel(surface.hDC(), 2, 1, MakeColour(0xAA, 0xBB, 0xCC));
  testing::TempDir dir;
  const std::string path = dir.Path("out.ppm");
  WritePpm(surface, path);

  std::ifstream in(path, std::ios::binary);
  const std::string contents{std::istreambuf_iterator<char>(in), {}};
  const std::string header = "P6\n3 2\n255\n";
  ASSERT_EQ(contents.size(), header.size() + 3 * 2 * 3);
  EXPECT_EQ(contents.substr(0, header.size()), header);
  EXPECT_EQ(contents.substr(header.size(), 3), std::string("\x01\x02\x03", 3));
  EXPECT_EQ(contents.substr(contents.size() - 3), "\xAA\xBB\xCC");
}

TEST(PpmWriter, ThrowsWhenTheFileCannotBeWritten) {
  MemorySurface surface(1, 1);
  EXPECT_THROW(WritePpm(surface, "/nonexistent-dir/out.ppm"), std::runtime_error);
}

}  // namespace
}  // namespace tolmer
