// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "window/Form1Layout.h"

#include <gtest/gtest.h>

namespace tolmer {
namespace {

TEST(StatusLabelWidthTest, ShortTextKeepsTheDesignedWidth) {
  EXPECT_EQ(StatusLabelWidth(0, 617), 129);
  EXPECT_EQ(StatusLabelWidth(129, 617), 129);
}

TEST(StatusLabelWidthTest, LongTextGrowsUpToTheRightEdge) {
  EXPECT_EQ(StatusLabelWidth(130, 617), 130);
  EXPECT_EQ(StatusLabelWidth(289, 617), 289);
  EXPECT_EQ(StatusLabelWidth(290, 617), 289);
  EXPECT_EQ(StatusLabelWidth(5000, 1000), 672);
}

TEST(StatusLabelWidthTest, NarrowWindowStillGetsTheDesignedWidth) {
  EXPECT_EQ(StatusLabelWidth(500, 400), 129);
  EXPECT_EQ(StatusLabelWidth(500, 0), 129);
}

}  // namespace
}  // namespace tolmer
