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
#if defined(__SANITIZE_THREAD__)
  // Qt's own event loop rather than glib's. glib wakes the window's thread through a
  // descriptor that ThreadSanitizer follows, which orders most of a worker's results
  // before the window reads them, so a hand-over that the project does not order
  // itself would pass most runs.
  qputenv("QT_NO_GLIB", "1");
#endif
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
