#include "loader/CellStream.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/GridFiles.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"

namespace tolmer {
namespace {

TEST(CellStreamTest, HostGetsItsTurnBeforeEvery65536thCellOfBothPasses) {
  testing::TempDir dir;
  const std::string path = dir.path("g.grid");
  constexpr std::int32_t kWidth = 1000;
  constexpr std::int32_t kHeight = 100;  // 100,000 cells a pass
  testing::WriteGrid(path, kWidth, kHeight, [](auto, auto) { return testing::UniformCell(1.0F); });
  testing::RecordingHost host;
  std::uint64_t cellsRead = 0;
  std::vector<std::uint64_t> turnsAt;
  host.onWhileLoading = [&] { turnsAt.push_back(cellsRead); };

  GridReader reader;
  reader.open(path);
  CellStream cells(reader, host);
  for (int pass = 0; pass < 2; ++pass) {
    reader.readHeader();
    cells.beginPass(pass, kWidth * kHeight);
    for (std::uint64_t remaining = kWidth * kHeight; remaining > 0;) {
      const std::optional<RecordBlock> block = cells.next(remaining);
      ASSERT_TRUE(block);
      ASSERT_LE(block->size(), remaining);
      remaining -= block->size();
      cellsRead += block->size();
      ASSERT_EQ(host.lastProgress.cellsDone, turnsAt.empty() ? 0 : turnsAt.back());
    }
  }
  // Cells read so far when the host got its turn: 65535 before the 65536th.
  EXPECT_EQ(turnsAt, (std::vector<std::uint64_t>{65535, 131071, 196607}));
  EXPECT_EQ(host.lastProgress.cellsTotal, 200000U);

  // A host that asks the load to stop at its next turn gets no cell after it.
  host.stopAtBeat = host.beats + 1;
  reader.readHeader();
  cells.beginPass(0, kWidth * kHeight);
  while (const std::optional<RecordBlock> block = cells.next(1000)) {
    cellsRead += block->size();
  }
  EXPECT_EQ(cellsRead, 262143U);
}

}  // namespace
}  // namespace tolmer
