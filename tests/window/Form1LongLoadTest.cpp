// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
// The window during a load: what the user sees and in which order, clicks and
// resizes while it runs, and closing the window under it.
#include <gtest/gtest.h>

#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "GatedLoads.h"
#include "WindowTesting.h"
#include "render/ViewerGeometry.h"
#include "support/ReferencePicture.h"
#include "window/Form1.h"
#include "window/MapView.h"

namespace tolmer {
namespace {

using testing::BackgroundOf;
using testing::Grab;
using testing::LoadIntoMemory;
using testing::PixelOf;
using testing::ShowsPicture;
using testing::WindowTest;

// 131072 cells a pass, so a load has four turns: two in each pass, the last one
// before its very last cell. Only its first 306 columns are visible.
constexpr std::int32_t kWidth = 2048;
constexpr std::int32_t kHeight = 64;

class Form1LongLoadTest : public WindowTest {
 protected:
  void SetUp() override {
    ShowAndActivate(form);
    path = Grid("long.grid", kWidth, kHeight);
  }

  // Starts loading `name` without waiting for the load to end.
  void StartShowing(const std::string& name) {
    Text1(form).setText(QString::fromStdString(name));
    QTest::mouseClick(&Command1(form), Qt::LeftButton);
  }

  QProgressBar& Progress() { return *form.findChild<QProgressBar*>(QStringLiteral("Progress")); }

  // Whether the map area shows the picture, below the progress strip.
  bool MapShows(const MemorySurface& picture) {
    const int firstRow = Progress().geometry().bottom() + 1;
    return ShowsPicture(Grab(form), picture, BackgroundOf(form), firstRow);
  }

  testing::GatedLoads gate;
  Form1 form{nullptr, gate.Function()};
  std::string path;
};

TEST_F(Form1LongLoadTest, StatusEarlierPictureProgressClearAndMapComeInOrder) {
  gate.ReleaseAll();
  const std::string earlierPath = Grid("earlier.grid", 40, 30);
  ShowFile(form, earlierPath);
  const auto earlier = LoadIntoMemory(earlierPath, BackgroundOf(form));
  gate.HoldAgain();

  StartShowing(path);
  ASSERT_TRUE(gate.WaitUntilHeldAt(1));
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return Label1(form).text().toStdString() == "Loading " + path; }));
  EXPECT_TRUE(MapShows(earlier.picture));

  // Progress is shown at most every 50 ms: wait that long before each turn.
  QTest::qWait(60);
  gate.Release(1);
  ASSERT_TRUE(gate.WaitUntilHeldAt(2));
  EXPECT_TRUE(QTest::qWaitFor([&] { return Progress().isVisible(); }));
  EXPECT_EQ(Progress().value(), 249);  // 65535 of 262144 cells
  EXPECT_LE(Progress().geometry().bottom(), 24);
  EXPECT_TRUE(MapShows(earlier.picture)) << "cleared before the range scan was through";
  // Until the clear, the earlier grid is there to zoom; after it, nothing is.
  const auto& map = *form.findChild<MapView*>(QStringLiteral("Map"));
  QTest::keyClick(form.windowHandle(), Qt::Key_Plus, Qt::ControlModifier);
  EXPECT_EQ(map.View().scale, 4.0);

  gate.Release(1);
  ASSERT_TRUE(gate.WaitUntilHeldAt(3));
  const MemorySurface blank(kViewerWidth, kViewerHeight, BackgroundOf(form));
  EXPECT_TRUE(QTest::qWaitFor([&] { return bool(MapShows(blank)); }));
  QTest::keyClick(form.windowHandle(), Qt::Key_Plus, Qt::ControlModifier);
  EXPECT_EQ(map.View(), DefaultViewport());

  // Half of pass 2 is painted: the rows stored first, at the bottom of the map.
  QTest::qWait(60);
  gate.Release(1);
  ASSERT_TRUE(gate.WaitUntilHeldAt(4));
  const MapPlacement at = kViewerMapPlacement;
  const auto bottomRow = static_cast<int>(at.CellTop(kHeight - 1));
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return PixelOf(Grab(form), at.Left(), bottomRow) != BackgroundOf(form); }));
  EXPECT_EQ(PixelOf(Grab(form), at.Left(), at.Top()), BackgroundOf(form));
  EXPECT_TRUE(form.IsLoading());

  gate.ReleaseAll();
  WaitForLoads(form);
  EXPECT_EQ(Label1(form).text(), "Loaded, 2048x64");
  EXPECT_FALSE(Progress().isVisible());
  EXPECT_TRUE(MapShows(LoadIntoMemory(path, BackgroundOf(form)).picture));
}

TEST_F(Form1LongLoadTest, ClicksDuringALoadMakeOnePendingLoadWithTheLastName) {
  StartShowing(path);
  ASSERT_TRUE(gate.WaitUntilHeldAt(1));
  const std::string second = Grid("second.grid", 5, 5);
  const std::string third = Grid("third.grid", 7, 3);
  StartShowing(second);
  StartShowing(third);
  EXPECT_EQ(gate.Names(), std::vector<std::string>{path});
  gate.ReleaseAll();
  WaitForLoads(form);
  EXPECT_EQ(gate.Names(), (std::vector<std::string>{path, third}));
  EXPECT_EQ(Label1(form).text(), "Loaded, 7x3");
  // Once over, the window loads again as usual.
  ClickShow(form);
  EXPECT_EQ(gate.Names().size(), 3U);
}

TEST_F(Form1LongLoadTest, ClosingOrDestroyingTheWindowStopsItsLoad) {
  QSignalSpy finished(&form, &Form1::loadFinished);
  StartShowing(path);
  ASSERT_TRUE(gate.WaitUntilHeldAt(1));
  StartShowing(path);  // queued, and dropped by the close
  EXPECT_TRUE(form.close());
  EXPECT_FALSE(form.isVisible());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !form.IsLoading(); }, 1000));
  ASSERT_EQ(finished.size(), 1);
  EXPECT_EQ(finished.at(0).at(0).value<LoadResult>(), LoadResult::Abandoned());
  QTest::qWait(50);
  EXPECT_EQ(Label1(form).text().toStdString(), "Loading " + path) << "status set after closing";
  EXPECT_EQ(gate.Names().size(), 1U);

  // Destroyed in the middle of a load, the window stops and joins it.
  testing::GatedLoads held;
  auto doomed = std::make_unique<Form1>(nullptr, held.Function());
  doomed->show();
  Text1(*doomed).setText(QString::fromStdString(path));
  QTest::mouseClick(&Command1(*doomed), Qt::LeftButton);
  ASSERT_TRUE(held.WaitUntilHeldAt(1));
  doomed.reset();

  // Left by exit() with the window never destroyed, as Qt leaves when the display
  // goes away: the load is stopped and joined on the way out.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        Form1 left(nullptr, [&held](const std::string& name, LoadHost& host) {
          const LoadResult result = held.Function()(name, host);
          std::fputs("the load has ended\n", stderr);
          return result;
        });
        left.show();
        Text1(left).setText(QString::fromStdString(path));
        QTest::mouseClick(&Command1(left), Qt::LeftButton);
        if (held.WaitUntilHeldAt(1)) {
          std::exit(0);
        }
      },
      ::testing::ExitedWithCode(0), "the load has ended");
}

TEST_F(Form1LongLoadTest, ThePictureTakesTheSizeTheWindowHasAtTheClear) {
  StartShowing(path);
  ASSERT_TRUE(gate.WaitUntilHeldAt(1));
  form.resize(700, 400);
  gate.ReleaseAll();
  WaitForLoads(form);
  EXPECT_EQ(form.findChild<MapView*>()->Picture().size(), QSize(700, 400));

  // Resized after the clear, the load goes on painting the picture it has.
  gate.HoldAgain();
  StartShowing(path);
  gate.Release(2);
  ASSERT_TRUE(gate.WaitUntilHeldAt(3));
  form.resize(900, 700);
  gate.ReleaseAll();
  WaitForLoads(form);
  ASSERT_EQ(form.size(), QSize(900, 700));
  EXPECT_EQ(form.findChild<MapView*>()->Picture().size(), QSize(700, 400));
  EXPECT_EQ(Label1(form).text(), "Loaded, 2048x64");
}

TEST_F(Form1LongLoadTest, ClosingWhenIdleClosesAtOnce) {
  EXPECT_TRUE(form.close());
  EXPECT_FALSE(form.isVisible());
}

}  // namespace
}  // namespace tolmer
