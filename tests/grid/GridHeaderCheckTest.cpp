// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "grid/GridHeaderCheck.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "grid/GridError.h"

namespace tolmer {
namespace {

GridHeader Header(std::int32_t width, std::int32_t height) {
  GridHeader header;
  header.GridWidth = width;
  header.GridHeight = height;
  return header;
}

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

TEST(GridHeaderCheck, AcceptsExactAndLongerFiles) {
  EXPECT_NO_THROW(CheckHeader(Header(0, 0), 14));
  EXPECT_NO_THROW(CheckHeader(Header(0, 5), 14));
  EXPECT_NO_THROW(CheckHeader(Header(kMax, 0), 14));
  EXPECT_NO_THROW(CheckHeader(Header(3, 2), 14 + 6 * 20));
  EXPECT_NO_THROW(CheckHeader(Header(3, 2), 14 + 6 * 20 + 19));
}

TEST(GridHeaderCheck, RejectsNegativeSizes) {
  for (const auto& [width, height] : {std::pair{-3, 2}, {2, -1}, {kMin, 0}, {0, kMin}, {-1, -1}}) {
    EXPECT_THROW(CheckHeader(Header(width, height), 1'000'000), GridError)
        << width << "x" << height;
  }
}

TEST(GridHeaderCheck, RejectsFilesShorterThanAnnounced) {
  EXPECT_THROW(CheckHeader(Header(0, 0), 13), GridError);
  EXPECT_THROW(CheckHeader(Header(3, 2), 14 + 6 * 20 - 1), GridError);
  EXPECT_THROW(CheckHeader(Header(1, 1), 14), GridError);
}

TEST(GridHeaderCheck, HugeSizesNeverOverflowIntoAcceptance) {
  // 20 x INT32_MAX^2 exceeds 64 bits; a wrapped product would let these pass.
  EXPECT_THROW(CheckHeader(Header(kMax, kMax), 14), GridError);
  EXPECT_THROW(CheckHeader(Header(kMax, kMax), std::numeric_limits<std::uint64_t>::max() / 2),
               GridError);
  EXPECT_THROW(CheckHeader(Header(kMax, kMax), std::numeric_limits<std::uint64_t>::max()),
               GridError);
  // Sizes past 32 bits are compared exactly.
  const std::uint64_t needed = 14 + 20 * (std::uint64_t{1} << 32);
  EXPECT_NO_THROW(CheckHeader(Header(1 << 30, 4), needed));
  EXPECT_THROW(CheckHeader(Header(1 << 30, 4), needed - 1), GridError);
  // 2^62 cells need 2^62 * 20 bytes, which wraps to 0 modulo 2^64.
  EXPECT_THROW(CheckHeader(Header(1 << 30, 1 << 30), (std::uint64_t{1} << 62) + 14), GridError);
}

}  // namespace
}  // namespace tolmer
