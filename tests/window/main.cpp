// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
// Widget tests of the viewer window; they need a QApplication around them.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) {
    // Listing the tests at build time must work without any window system.
    return RUN_ALL_TESTS();
  }
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
