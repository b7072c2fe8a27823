// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
// The grid shown and the loads that replace it, without a window: which loads run,
// in which order, and which of them come back to the view the user had.
#include "window/GridSession.h"

#include <gtest/gtest.h>

#include <QTest>
#include <functional>
#include <string>
#include <vector>

#include "GatedLoads.h"
#include "support/GridFiles.h"
#include "support/TempDir.h"

namespace tolmer {
namespace {

// 131072 cells, so that a load is held at its first turn before its clear.
constexpr std::int32_t kWidth = 2048;
constexpr std::int32_t kHeight = 64;

struct Shown {
  std::string fileName;
  bool keepView = false;

  bool operator==(const Shown&) const = default;
};

void PrintTo(const Shown& shown, std::ostream* out) {
  *out << shown.fileName << (shown.keepView ? " (view kept)" : "");
}

class GridSessionTest : public ::testing::Test {
 public:
  void SetUp() override {
    first = dir.Path("first.grid");
    second = dir.Path("second.grid");
    testing::WriteGrid(first, kWidth, kHeight, testing::Hills);
    testing::WriteGrid(second, kWidth, kHeight, testing::Hills);
    QObject::connect(&session, &GridSession::gridShown,
                     [this](const std::shared_ptr<const LoadedGrid>& grid, bool keepView) {
                       shown.push_back(Shown{grid->fileName, keepView});
                     });
    QObject::connect(&session, &GridSession::viewToKeep, [this] { ++viewsKept; });
    gate.ReleaseAll();
    session.Load(first);
    Wait();
    gate.HoldAgain();
    shown.clear();
    viewsKept = 0;
  }

  void Wait() {
    ASSERT_TRUE(QTest::qWaitFor([this] { return !session.IsLoading(); }, 10000));
  }

  testing::TempDir dir;
  testing::GatedLoads gate;
  GridSession session{nullptr, gate.Function(), [] { return QColor(Qt::white); }};
  std::string first;
  std::string second;
  std::vector<Shown> shown;
  int viewsKept = 0;
};

TEST_F(GridSessionTest, LoadsNeverOverlapAndOnlyAReloadLookedAtLastKeepsTheView) {
  struct Case {
    const char* what;
    std::function<void(GridSessionTest&)> during;  // asked for while a load is held
    bool startWithReload;
    std::vector<Shown> expected;
    int viewsKept;
  };
  const std::vector<Case> cases = {
      {"a reload alone", [](GridSessionTest&) {}, true, {{"first", true}}, 1},
      {"a Show during a reload: the Show is looked at",
       [](GridSessionTest& test) { test.session.Load(test.second); },
       true,
       {{"first", false}, {"second", false}},
       1},
      {"a reload during a Show: back to the view it was asked from",
       [](GridSessionTest& test) { test.session.Reload(); },
       false,
       {{"second", false}, {"first", true}},
       1},
      {"two Shows during a reload: only the last",
       [](GridSessionTest& test) {
         test.session.Load(test.first);
         test.session.Load(test.second);
       },
       true,
       {{"first", false}, {"second", false}},
       1},
  };
  for (const Case& testCase : cases) {
    SCOPED_TRACE(testCase.what);
    shown.clear();
    viewsKept = 0;
    if (testCase.startWithReload) {
      session.Reload();
    } else {
      session.Load(second);
    }
    ASSERT_TRUE(gate.WaitUntilHeldAt(1));
    testCase.during(*this);
    gate.ReleaseAll();
    Wait();
    for (Shown& each : shown) {
      each.fileName = each.fileName == first ? "first" : "second";
    }
    EXPECT_EQ(shown, testCase.expected);
    EXPECT_EQ(viewsKept, testCase.viewsKept);
    // Back to the first grid, for the next case to reload.
    session.Load(first);
    Wait();
    gate.HoldAgain();
  }
}

}  // namespace
}  // namespace tolmer
