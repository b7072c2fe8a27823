// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "grid/HeightBounds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <random>
#include <vector>

#include "grid/GridWriter.h"

namespace tolmer {
namespace {

using Scan = HeightBounds (*)(const RecordBlock&);

struct NamedScan {
  const char* name;
  Scan scan;
};

std::vector<NamedScan> AllScans() {
  std::vector<NamedScan> scans = {{"dispatch", ScanHeightBounds},
                                  {"portable", ScanHeightBoundsPortable}};
#ifdef TOLMER_SSE2_SCAN
  scans.push_back({"sse2", ScanHeightBoundsSse2});
#endif
  return scans;
}

// Records stored from byte `misalignment` of the buffer on, as in a file whose
// records do not start on a 16-byte boundary.
class StoredRecords {
 public:
  StoredRecords(const std::vector<CellRecord>& cells, std::size_t misalignment)
      : misalignment_(misalignment), bytes_(misalignment + cells.size() * kCellRecordSize) {
    for (std::size_t index = 0; index < cells.size(); ++index) {
      const auto record = EncodeCell(cells[index]);
      std::copy(record.begin(), record.end(), bytes_.begin() + Offset(index));
    }
  }

  RecordBlock Block() const {
    return RecordBlock(bytes_.data() + misalignment_, (bytes_.size() - misalignment_) / 20);
  }

 private:
  std::ptrdiff_t Offset(std::size_t index) const {
    return static_cast<std::ptrdiff_t>(misalignment_ + index * kCellRecordSize);
  }

  std::size_t misalignment_;
  std::vector<unsigned char> bytes_;
};

std::vector<CellRecord> RandomCells(std::mt19937& random, std::size_t count) {
  std::uniform_real_distribution<float> height(-1000.0F, 1000.0F);
  std::vector<CellRecord> cells(count);
  for (CellRecord& cell : cells) {
    cell = CellRecord{height(random), height(random), height(random), height(random),
                      static_cast<std::int32_t>(random())};
  }
  return cells;
}

TEST(HeightBoundsTest, EveryScanFindsTheLowestAndHighestOfAnyBlock) {
  std::mt19937 random(5);
  // Sizes around the unrolled loop's step and one large block; every alignment.
  for (const std::size_t count : {0U, 1U, 2U, 3U, 4U, 5U, 6U, 7U, 8U, 9U, 13U, 1000U}) {
    for (std::size_t misalignment = 0; misalignment < 16; misalignment += 3) {
      const auto cells = RandomCells(random, count);
      float lowest = std::numeric_limits<float>::infinity();
      float highest = -lowest;
      for (const CellRecord& cell : cells) {
        lowest = std::min({lowest, cell.Height1, cell.Height2, cell.Height3, cell.Height4});
        highest = std::max({highest, cell.Height1, cell.Height2, cell.Height3, cell.Height4});
      }
      const StoredRecords stored(cells, misalignment);
      for (const auto& [name, scan] : AllScans()) {
        SCOPED_TRACE(::testing::Message()
                     << name << " count " << count << " misalignment " << misalignment);
        const HeightBounds bounds = scan(stored.Block());
        EXPECT_TRUE(bounds.allFinite);
        EXPECT_EQ(bounds.lowest, lowest);
        EXPECT_EQ(bounds.highest, highest);
      }
    }
  }
}

TEST(HeightBoundsTest, ExtremeFiniteHeightsAreBoundsLikeAnyOther) {
  constexpr float kMax = std::numeric_limits<float>::max();
  constexpr float kSmallest = std::numeric_limits<float>::denorm_min();
  const std::vector<CellRecord> cells = {{-0.0F, kSmallest, 0.0F, -kSmallest, 0},
                                         {1.0F, kMax, -kMax, 2.0F, 1},
                                         {3.0F, 4.0F, 5.0F, 6.0F, 2}};
  const StoredRecords stored(cells, 0);
  for (const auto& [name, scan] : AllScans()) {
    SCOPED_TRACE(name);
    const HeightBounds bounds = scan(stored.Block());
    EXPECT_TRUE(bounds.allFinite);
    EXPECT_EQ(bounds.lowest, -kMax);
    EXPECT_EQ(bounds.highest, kMax);
  }
}

TEST(HeightBoundsTest, ANonFiniteHeightInAnyRecordAndCornerIsFound) {
  const float nonFinite[] = {
      std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::quiet_NaN(),
      std::bit_cast<float>(0x7F800001U),  // signalling NaN
      std::bit_cast<float>(0xFFFFFFFFU),       std::numeric_limits<float>::infinity(),
      -std::numeric_limits<float>::infinity()};
  std::mt19937 random(11);
  for (std::size_t count = 1; count <= 9; ++count) {
    for (std::size_t record = 0; record < count; ++record) {
      for (int corner = 0; corner < 4; ++corner) {
        for (const float bad : nonFinite) {
          auto cells = RandomCells(random, count);
          CellRecord& cell = cells[record];
          (corner == 0   ? cell.Height1
           : corner == 1 ? cell.Height2
           : corner == 2 ? cell.Height3
                         : cell.Height4) = bad;
          const StoredRecords stored(cells, record % 4);
          for (const auto& [name, scan] : AllScans()) {
            EXPECT_FALSE(scan(stored.Block()).allFinite)
                << name << " count " << count << " record " << record << " corner " << corner
                << " value " << bad;
          }
        }
      }
    }
  }
}

TEST(HeightBoundsTest, CellTypesThatLookLikeFloatsAreIgnored) {
  // Types whose bits read as NaN, infinity or a huge float.
  const std::vector<CellRecord> cells = {{1.0F, 2.0F, 3.0F, 4.0F, 0x7FC00000},
                                         {1.0F, 2.0F, 3.0F, 4.0F, 0x7F800000},
                                         {1.0F, 2.0F, 3.0F, 4.0F, 0x7F7FFFFF},
                                         {1.0F, 2.0F, 3.0F, 4.0F, -1}};
  for (std::size_t count = 1; count <= cells.size(); ++count) {
    const StoredRecords stored({cells.begin(), cells.begin() + static_cast<std::ptrdiff_t>(count)},
                               1);
    for (const auto& [name, scan] : AllScans()) {
      SCOPED_TRACE(name);
      const HeightBounds bounds = scan(stored.Block());
      EXPECT_TRUE(bounds.allFinite);
      EXPECT_EQ(bounds.lowest, 1.0F);
      EXPECT_EQ(bounds.highest, 4.0F);
    }
  }
}

TEST(HeightBoundsTest, HeightsAreReadAsLittleEndianBytes) {
  // 1.0 = 0x3F800000 and -2.5 = 0xC0200000, least significant byte first.
  const unsigned char record[kCellRecordSize] = {0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x20,
                                                 0xC0, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00,
                                                 0x80, 0x3F, 0x07, 0x00, 0x00, 0x00};
  for (const auto& [name, scan] : AllScans()) {
    SCOPED_TRACE(name);
    const HeightBounds bounds = scan(RecordBlock(record, 1));
    EXPECT_EQ(bounds.lowest, -2.5F);
    EXPECT_EQ(bounds.highest, 1.0F);
  }
}

}  // namespace
}  // namespace tolmer
