// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "grid/GridReader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

#include "grid/GridError.h"
#include "support/GridFiles.h"
#include "support/TempDir.h"

namespace tolmer {
namespace {

using testing::GridBytes;
using testing::TempDir;
using testing::WriteFile;

// Every field of every record differs, so a record read out of order shows.
CellRecord Distinct(std::int32_t row, std::int32_t column) {
  const float base = static_cast<float>(row * 1000 + column * 10);
  return CellRecord{base + 0.25F, base + 1.5F, base - 2.75F, base + 3.0F, row * 100 + column - 7};
}

class GridReaderTest : public ::testing::Test {
 protected:
  std::string Write(const std::vector<unsigned char>& bytes, const std::string& name = "g.grid") {
    const std::string path = dir.path(name);
    WriteFile(path, bytes);
    return path;
  }

  TempDir dir;
  GridReader reader;
};

TEST_F(GridReaderTest, ReadsHeaderFieldsLittleEndian) {
  std::vector<unsigned char> bytes = {0x00, 0xFF, 'x',  0x80, 0x7F, '\n',  // any signature
                                      0x78, 0x56, 0x34, 0x12,              // width 0x12345678
                                      0x00, 0x00, 0x00, 0x00};             // height 0
  reader.open(Write(bytes));
  const GridHeader header = reader.readHeader();
  EXPECT_EQ(header.GridWidth, 0x12345678);
  EXPECT_EQ(header.GridHeight, 0);
  EXPECT_EQ(header.Signature[1], 0xFF);
  EXPECT_EQ(header.Signature[5], '\n');
}

TEST_F(GridReaderTest, ReadsRecordsInFileOrderAndRewindsOnEachHeader) {
  reader.open(Write(GridBytes(3, 2, Distinct)));
  const GridHeader first = reader.readHeader();
  ASSERT_EQ(first.GridWidth, 3);
  ASSERT_EQ(first.GridHeight, 2);
  for (std::int32_t row = 0; row < 2; ++row) {
    for (std::int32_t column = 0; column < 3; ++column) {
      EXPECT_EQ(reader.readCell(), Distinct(row, column)) << row << "," << column;
    }
  }
  EXPECT_EQ(reader.readHeader(), first);
  EXPECT_EQ(reader.readCell(), Distinct(0, 0));
  EXPECT_EQ(reader.readCell(), Distinct(0, 1));
}

TEST_F(GridReaderTest, DecodesExactBitPatterns) {
  const CellRecord special{-0.0F, 1e-45F, -3.4028235e38F, 0.1F, std::numeric_limits<int>::min()};
  reader.open(Write(GridBytes(1, 1, [&](auto, auto) { return special; })));
  reader.readHeader();
  const CellRecord cell = reader.readCell();
  EXPECT_TRUE(std::signbit(cell.Height1));
  EXPECT_EQ(std::memcmp(&cell, &special, sizeof cell), 0);
}

TEST_F(GridReaderTest, RecordsStraddlingTheBufferAreReadWhole) {
  // More than one buffer of records, and 2^20 is not a multiple of 20.
  const std::int32_t width = 1000;
  const std::int32_t height = 120;
  ASSERT_GT(std::size_t{width} * height * kCellRecordSize, GridReader::kBufferSize * 2);
  reader.open(Write(GridBytes(width, height, Distinct)));
  for (int pass = 0; pass < 2; ++pass) {
    reader.readHeader();
    for (std::int32_t row = 0; row < height; ++row) {
      for (std::int32_t column = 0; column < width; ++column) {
        ASSERT_EQ(reader.readCell(), Distinct(row, column)) << row << "," << column;
      }
    }
  }
}

TEST_F(GridReaderTest, ReadsByPositionHoldTheSameRecordsAndLeaveSequentialReadsAlone) {
  // Runs of awkward lengths at awkward places, between single sequential reads.
  const std::int32_t width = 997;
  const std::int32_t height = 150;
  reader.open(Write(GridBytes(width, height, Distinct)));
  reader.readHeader();
  std::vector<unsigned char> buffer(70000 * kCellRecordSize);
  std::uint64_t first = 0;
  std::int32_t sequential = 0;
  for (const std::size_t count : {std::size_t{1}, std::size_t{7}, std::size_t{65536}}) {
    EXPECT_EQ(reader.readCell(), Distinct(0, sequential++));
    const RecordBlock block = reader.readRecordsAt(first, count, buffer.data());
    ASSERT_EQ(block.size(), count);
    for (std::size_t offset = 0; offset < count; offset += 1 + offset / 3) {
      const std::uint64_t index = first + offset;
      ASSERT_EQ(block[offset], Distinct(static_cast<std::int32_t>(index / width),
                                        static_cast<std::int32_t>(index % width)))
          << index;
    }
    first = first * 7 + 13 + count;
  }
}

TEST_F(GridReaderTest, ReadsByPositionStopAtTheEndOfTheFile) {
  auto bytes = GridBytes(3, 1, Distinct);
  bytes.insert(bytes.end(), {9, 9, 9, 9, 9});  // less than a record
  reader.open(Write(bytes));
  reader.readHeader();
  std::vector<unsigned char> buffer(100 * kCellRecordSize);
  const RecordBlock block = reader.readRecordsUpTo(0, 100, buffer.data());
  ASSERT_EQ(block.size(), 3U);
  EXPECT_EQ(block[2], Distinct(0, 2));
  EXPECT_EQ(block.subBlock(1, 2)[0], Distinct(0, 1));
  EXPECT_EQ(reader.readRecordsUpTo(3, 1, buffer.data()).size(), 0U);
  EXPECT_EQ(reader.readRecordsUpTo(9, 1, buffer.data()).size(), 0U);
  EXPECT_EQ(reader.readRecordsAt(1, 2, buffer.data())[1], Distinct(0, 2));
  try {
    reader.readRecordsAt(2, 2, buffer.data());
    ADD_FAILURE() << "read past the end";
  } catch (const GridError& error) {
    EXPECT_STREQ(error.what(),
                 "the file ends at byte 79, before the end of record 3 (it was shortened while "
                 "being read)");
  }
  reader.close();
  EXPECT_THROW(reader.readRecordsUpTo(0, 1, buffer.data()), GridError);
}

TEST_F(GridReaderTest, ReadingPastTheEndThrowsInsteadOfYieldingValues) {
  auto bytes = GridBytes(1, 1, Distinct);
  bytes.insert(bytes.end(), {1, 2, 3});  // trailing bytes, less than a record
  reader.open(Write(bytes));
  reader.readHeader();
  EXPECT_EQ(reader.readCell(), Distinct(0, 0));
  EXPECT_THROW(reader.readCell(), GridError);
}

TEST_F(GridReaderTest, EveryTruncationOfAValidFileFailsCleanly) {
  const auto whole = GridBytes(2, 2, Distinct);
  for (std::size_t length = 0; length < whole.size(); ++length) {
    const std::vector<unsigned char> cut(whole.begin(),
                                         whole.begin() + static_cast<std::ptrdiff_t>(length));
    reader.open(Write(cut));
    EXPECT_THROW(
        {
          reader.readHeader();
          for (int cell = 0; cell < 4; ++cell) {
            reader.readCell();
          }
        },
        GridError)
        << "length " << length;
    reader.close();
  }
}

TEST_F(GridReaderTest, HeaderIsCheckedAgainstTheFileSize) {
  auto announcesMore = GridBytes(2, 3, Distinct, 2);  // two of three rows present
  reader.open(Write(announcesMore, "short.grid"));
  EXPECT_THROW(reader.readHeader(), GridError);

  reader.open(Write(GridBytes(-3, 2, Distinct, 0), "negative.grid"));
  EXPECT_THROW(reader.readHeader(), GridError);

  reader.open(Write(GridBytes(0, 0, Distinct), "empty.grid"));
  EXPECT_EQ(reader.readHeader().GridWidth, 0);
}

TEST_F(GridReaderTest, StampMovesWithTheContentButNotWithTheName) {
  const std::string path = Write(GridBytes(3, 2, Distinct));
  reader.open(path);
  const FileStamp opened = reader.stamp();
  // Only the name and the permissions move: the open file reads as before.
  ::chmod(path.c_str(), 0);
  WriteFile(path + ".new", GridBytes(1, 1, Distinct));
  std::filesystem::rename(path + ".new", path);
  EXPECT_NO_THROW(reader.requireUnchanged());
  ::unlink(path.c_str());
  EXPECT_NO_THROW(reader.requireUnchanged());
  EXPECT_EQ(reader.stamp(), opened);

  // Reopened, the name is another file.
  WriteFile(path, GridBytes(3, 2, Distinct));
  GridReader again;
  again.open(path);
  EXPECT_NE(again.stamp(), opened);

  // Same size, new bytes; and, on their own, a new size or a new modification time.
  const auto sameSize = [](const std::string& name) {
    WriteFile(name, GridBytes(3, 2, [](auto, auto) { return CellRecord{}; }));
  };
  const auto grown = [](const std::string& name) { std::filesystem::resize_file(name, 999); };
  const auto touched = [](const std::string&) {};
  for (const auto& change :
       std::vector<std::function<void(const std::string&)>>{sameSize, grown, touched}) {
    WriteFile(path, GridBytes(3, 2, Distinct));
    reader.open(path);
    change(path);
    testing::MarkModified(path);
    try {
      reader.requireUnchanged();
      ADD_FAILURE() << "change not seen";
    } catch (const GridError& error) {
      EXPECT_STREQ(error.what(), "the file changed while it was being read");
    }
  }
  reader.close();
  EXPECT_THROW(reader.requireUnchanged(), GridError);
}

TEST_F(GridReaderTest, RefusesWhatIsNotARegularFile) {
  EXPECT_THROW(reader.open(dir.path("missing.grid")), GridError);
  EXPECT_THROW(reader.open(dir.root().string()), GridError);
  EXPECT_THROW(reader.open("/dev/null"), GridError);
  EXPECT_THROW(reader.open(std::string("a\0b", 3)), GridError);

  // Opening a FIFO without a writer would block forever without O_NONBLOCK.
  const std::string fifo = dir.path("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_THROW(reader.open(fifo), GridError);
  EXPECT_FALSE(reader.isOpen());
}

TEST_F(GridReaderTest, CloseIsIdempotentAndReleasesTheDescriptor) {
  const int before = testing::OpenDescriptorCount();
  reader.open(Write(GridBytes(1, 1, Distinct)));
  EXPECT_EQ(testing::OpenDescriptorCount(), before + 1);
  reader.close();
  reader.close();
  EXPECT_EQ(testing::OpenDescriptorCount(), before);
  EXPECT_THROW(reader.readHeader(), GridError);
  EXPECT_THROW(reader.readCell(), GridError);

  EXPECT_THROW(reader.open(dir.root().string()), GridError);
  EXPECT_EQ(testing::OpenDescriptorCount(), before);
}

}  // namespace
}  // namespace tolmer
