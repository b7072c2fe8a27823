// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "grid/GridReader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <utility>
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
  TempDir dir;
  GridReader reader;
};

TEST_F(GridReaderTest, ReadsHeaderFieldsLittleEndian) {
  std::vector<unsigned char> bytes = {0x00, 0xFF, 'x',  0x80, 0x7F, '\n',  // any signature
                                      0x78, 0x56, 0x34, 0x12,              // width 0x12345678
                                      0x00, 0x00, 0x00, 0x00};             // height 0
  reader.open(testing::WriteFileIn(dir, "g.grid", bytes));
  const GridHeader header = reader.readHeader();
  EXPECT_EQ(header.GridWidth, 0x12345678);
  EXPECT_EQ(header.GridHeight, 0);
  EXPECT_EQ(header.Signature[1], 0xFF);
  EXPECT_EQ(header.Signature[5], '\n');
}

TEST_F(GridReaderTest, ReadsEachRecordByItsPositionInAnyOrder) {
  reader.open(testing::WriteFileIn(dir, "g.grid", GridBytes(3, 2, Distinct)));
  const GridHeader first = reader.readHeader();
  ASSERT_EQ(first.GridWidth, 3);
  ASSERT_EQ(first.GridHeight, 2);
  for (std::uint64_t record = 6; record-- > 0;) {
    EXPECT_EQ(reader.readCell(record), Distinct(static_cast<std::int32_t>(record / 3),
                                                static_cast<std::int32_t>(record % 3)))
        << record;
  }
  EXPECT_EQ(reader.readHeader(), first);
  EXPECT_EQ(reader.readCell(1), Distinct(0, 1));
}

TEST_F(GridReaderTest, DecodesExactBitPatterns) {
  const CellRecord special{-0.0F, 1e-45F, -3.4028235e38F, 0.1F, std::numeric_limits<int>::min()};
  reader.open(
      testing::WriteFileIn(dir, "g.grid", GridBytes(1, 1, [&](auto, auto) { return special; })));
  reader.readHeader();
  const CellRecord cell = reader.readCell(0);
  EXPECT_TRUE(std::signbit(cell.Height1));
  EXPECT_EQ(std::memcmp(&cell, &special, sizeof cell), 0);
}

TEST_F(GridReaderTest, RunsReadByPositionHoldTheirRecords) {
  // Runs of awkward lengths at awkward places.
  const std::int32_t width = 997;
  const std::int32_t height = 150;
  reader.open(testing::WriteFileIn(dir, "g.grid", GridBytes(width, height, Distinct)));
  reader.readHeader();
  std::vector<unsigned char> buffer(70000 * kCellRecordSize);
  std::uint64_t first = 0;
  for (const std::size_t count : {std::size_t{1}, std::size_t{7}, std::size_t{65536}}) {
    const RecordBlock block = reader.readRecordsAt(first, count, buffer.data());
    ASSERT_EQ(block.Size(), count);
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
  reader.open(testing::WriteFileIn(dir, "g.grid", bytes));
  reader.readHeader();
  std::vector<unsigned char> buffer(100 * kCellRecordSize);
  const RecordBlock block = reader.readRecordsUpTo(0, 100, buffer.data());
  ASSERT_EQ(block.Size(), 3U);
  EXPECT_EQ(block[2], Distinct(0, 2));
  EXPECT_EQ(block.SubBlock(1, 2)[0], Distinct(0, 1));
  EXPECT_EQ(reader.readRecordsUpTo(3, 1, buffer.data()).Size(), 0U);
  EXPECT_EQ(reader.readRecordsUpTo(9, 1, buffer.data()).Size(), 0U);
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
  reader.open(testing::WriteFileIn(dir, "g.grid", bytes));
  reader.readHeader();
  EXPECT_EQ(reader.readCell(0), Distinct(0, 0));
  EXPECT_THROW(reader.readCell(1), GridError);
}

TEST_F(GridReaderTest, EveryTruncationOfAValidFileFailsCleanly) {
  const auto whole = GridBytes(2, 2, Distinct);
  for (std::size_t length = 0; length < whole.size(); ++length) {
    const std::vector<unsigned char> cut(whole.begin(),
                                         whole.begin() + static_cast<std::ptrdiff_t>(length));
    reader.open(testing::WriteFileIn(dir, "g.grid", cut));
    EXPECT_THROW(
        {
          reader.readHeader();
          for (std::uint64_t cell = 0; cell < 4; ++cell) {
            reader.readCell(cell);
          }
        },
        GridError)
        << "length " << length;
    reader.close();
  }
}

TEST_F(GridReaderTest, HeaderIsCheckedAgainstTheFileSize) {
  auto announcesMore = GridBytes(2, 3, Distinct, 2);  // two of three rows present
  reader.open(testing::WriteFileIn(dir, "short.grid", announcesMore));
  EXPECT_THROW(reader.readHeader(), GridError);

  reader.open(testing::WriteFileIn(dir, "negative.grid", GridBytes(-3, 2, Distinct, 0)));
  EXPECT_THROW(reader.readHeader(), GridError);

  reader.open(testing::WriteFileIn(dir, "empty.grid", GridBytes(0, 0, Distinct)));
  EXPECT_EQ(reader.readHeader().GridWidth, 0);
}

TEST_F(GridReaderTest, StampMovesWithTheContentButNotWithTheName) {
  const std::string path = testing::WriteFileIn(dir, "g.grid", GridBytes(3, 2, Distinct));
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
  // A same-size rewrite whose modification time moves by one nanosecond.
  const auto modifiedAt = [&path](long nanoseconds) {
    const timespec times[2] = {{0, UTIME_OMIT}, {1'700'000'000, nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  };
  modifiedAt(500);
  reader.open(path);
  sameSize(path);
  modifiedAt(501);
  EXPECT_THROW(reader.requireUnchanged(), GridError);
  reader.close();
  EXPECT_THROW(reader.requireUnchanged(), GridError);
}

TEST_F(GridReaderTest, RefusesWhatIsNotARegularFileSayingWhatItIs) {
  const std::string fifo = dir.Path("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string file = testing::WriteFileIn(dir, "g.grid", GridBytes(1, 1, Distinct));
  const std::string missing = dir.Path("missing.grid");
  const std::string folder = dir.Root().string();
  // Opening a FIFO without a writer would block forever without O_NONBLOCK.
  for (const auto& [name, reason] : std::vector<std::pair<std::string, std::string>>{
           {"", "no file name was given"},
           {missing, "there is no file named " + missing},
           {dir.Path("*.grid"), "there is no file named " + dir.Path("*.grid")},
           {folder, folder + " is a folder, not a file"},
           {"/dev/null", "/dev/null is not a regular file"},
           {fifo, fifo + " is not a regular file"},
           {file + "/inside", "cannot look up " + file + "/inside: Not a directory"},
           {file + std::string(1, '\0') + "x", "the file name holds a NUL character"}}) {
    try {
      reader.open(name);
      ADD_FAILURE() << "opened " << name;
    } catch (const GridError& error) {
      EXPECT_EQ(error.what(), reason);
    }
    EXPECT_FALSE(reader.isOpen());
  }
}

TEST_F(GridReaderTest, CloseIsIdempotentAndReleasesTheDescriptor) {
  const int before = testing::OpenDescriptorCount();
  reader.open(testing::WriteFileIn(dir, "g.grid", GridBytes(1, 1, Distinct)));
  EXPECT_EQ(testing::OpenDescriptorCount(), before + 1);
  reader.close();
  reader.close();
  EXPECT_EQ(testing::OpenDescriptorCount(), before);
  EXPECT_THROW(reader.readHeader(), GridError);
  EXPECT_THROW(reader.readCell(0), GridError);

  EXPECT_THROW(reader.open(dir.Root().string()), GridError);
  EXPECT_EQ(testing::OpenDescriptorCount(), before);
}

// --- The header against the file's size, without a file ---

GridHeader Header(std::int32_t width, std::int32_t height) {
  GridHeader header;
  header.GridWidth = width;
  header.GridHeight = height;
  return header;
}

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

TEST(GridReaderHeaderCheck, AcceptsExactAndLongerFiles) {
  EXPECT_NO_THROW(GridReader::checkHeader(Header(0, 0), 14));
  EXPECT_NO_THROW(GridReader::checkHeader(Header(0, 5), 14));
  EXPECT_NO_THROW(GridReader::checkHeader(Header(kMax, 0), 14));
  EXPECT_NO_THROW(GridReader::checkHeader(Header(3, 2), 14 + 6 * 20));
  EXPECT_NO_THROW(GridReader::checkHeader(Header(3, 2), 14 + 6 * 20 + 19));
}

TEST(GridReaderHeaderCheck, RejectsNegativeSizes) {
  for (const auto& [width, height] : {std::pair{-3, 2}, {2, -1}, {kMin, 0}, {0, kMin}, {-1, -1}}) {
    EXPECT_THROW(GridReader::checkHeader(Header(width, height), 1'000'000), GridError)
        << width << "x" << height;
  }
}

TEST(GridReaderHeaderCheck, RejectsFilesShorterThanAnnounced) {
  EXPECT_THROW(GridReader::checkHeader(Header(0, 0), 13), GridError);
  EXPECT_THROW(GridReader::checkHeader(Header(3, 2), 14 + 6 * 20 - 1), GridError);
  EXPECT_THROW(GridReader::checkHeader(Header(1, 1), 14), GridError);
}

TEST(GridReaderHeaderCheck, HugeSizesNeverOverflowIntoAcceptance) {
  // 20 x INT32_MAX^2 exceeds 64 bits; a wrapped product would let these pass.
  EXPECT_THROW(GridReader::checkHeader(Header(kMax, kMax), 14), GridError);
  EXPECT_THROW(
      GridReader::checkHeader(Header(kMax, kMax), std::numeric_limits<std::uint64_t>::max() / 2),
      GridError);
  EXPECT_THROW(
      GridReader::checkHeader(Header(kMax, kMax), std::numeric_limits<std::uint64_t>::max()),
      GridError);
  // Sizes past 32 bits are compared exactly.
  const std::uint64_t needed = 14 + 20 * (std::uint64_t{1} << 32);
  EXPECT_NO_THROW(GridReader::checkHeader(Header(1 << 30, 4), needed));
  EXPECT_THROW(GridReader::checkHeader(Header(1 << 30, 4), needed - 1), GridError);
  // 2^62 cells need 2^62 * 20 bytes, which wraps to 0 modulo 2^64.
  EXPECT_THROW(GridReader::checkHeader(Header(1 << 30, 1 << 30), (std::uint64_t{1} << 62) + 14),
               GridError);
}

}  // namespace
}  // namespace tolmer
