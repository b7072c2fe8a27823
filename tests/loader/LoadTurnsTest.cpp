// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "loader/LoadHost.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/RecordingHost.h"

namespace tolmer {
namespace {

TEST(LoadTurnsTest, HostGetsItsTurnBeforeEvery65536thCellOfBothPassesReadOrNot) {
  testing::RecordingHost host;
  std::vector<std::uint64_t> turnsAt;
  host.onTurn = [&] { turnsAt.push_back(host.LastProgress().cellsDone); };
  constexpr std::uint64_t kCells = 100000;
  LoadTurns turns(host);
  turns.BeginPass(0, kCells);
  // Pass 1 in uneven steps, as far as each turn allows.
  for (std::uint64_t done = 0, step = 1; done < kCells; step = step * 3 % 70001 + 1) {
    const std::uint64_t now = turns.Next(std::min(step, kCells - done));
    ASSERT_GE(now, 1U);
    turns.Done(now);
    done += now;
  }
  // Pass 2 mostly passed over, with a few cells read on either side of the turn.
  turns.BeginPass(1, kCells);
  ASSERT_TRUE(turns.Skip(31000));
  EXPECT_EQ(turns.Next(5000), 71U);
  turns.Done(71);
  ASSERT_TRUE(turns.Skip(kCells - 31071));
  // Cells done when the host got its turn: 65535 before the 65536th.
  EXPECT_EQ(turnsAt, (std::vector<std::uint64_t>{65535, 131071, 196607}));
  EXPECT_EQ(host.LastProgress().cellsTotal, 2 * kCells);

  // A host that asks the load to stop at a turn gets no cell after it.
  host.stopAtTurn = host.Turns() + 1;
  turns.BeginPass(0, kCells);
  EXPECT_FALSE(turns.Skip(65536));
  EXPECT_EQ(turnsAt.size(), 4U);
}

}  // namespace
}  // namespace tolmer
