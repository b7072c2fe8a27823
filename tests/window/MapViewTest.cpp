// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QTest>
#include <QToolTip>
#include <QWheelEvent>
#include <cmath>
#include <filesystem>

#include "WindowTesting.h"
#include "loader/MemoryHost.h"
#include "loader/ShowGrid.h"
#include "render/CellColor.h"
#include "support/GridFiles.h"
#include "support/ReferencePicture.h"
#include "window/FileWatch.h"
#include "window/Form1.h"
#include "window/MapView.h"

namespace tolmer {
namespace {

using testing::BackgroundOf;
using testing::Grab;
using testing::PixelOf;

constexpr std::int32_t kWidth = 400;  // wider and taller than the window's map
constexpr std::int32_t kHeight = 300;

class MapViewTest : public testing::WindowTest {
 protected:
  void SetUp() override {
    ShowAndActivate(form);
    path = Grid("big.grid", kWidth, kHeight);
    ShowFile(form, path);
    MemoryHost host;
    ShowGrid(path, host);
    range = host.Range();
  }

  MapView& Map() { return *form.findChild<MapView*>(QStringLiteral("Map")); }

  // What pixel (x, y) of the client area shows at a crisp view, straight from the cells.
  Colour Expected(const Viewport& view, int x, int y) {
    const auto column = static_cast<std::int64_t>(std::floor((x - view.left) / view.scale));
    const auto row = static_cast<std::int64_t>(std::floor((y - view.top) / view.scale));
    if (y < 25 || column < 0 || row < 0 || column >= kWidth || row >= kHeight) {
      return BackgroundOf(form);
    }
    const CellRecord cell = testing::Hills(static_cast<std::int32_t>(kHeight - 1 - row),
                                           static_cast<std::int32_t>(column));
    const bool right = x - view.left - static_cast<double>(column) * view.scale >= view.scale / 2;
    const bool lower = y - view.top - static_cast<double>(row) * view.scale >= view.scale / 2;
    const float height =
        lower ? (right ? cell.Height2 : cell.Height1) : (right ? cell.Height4 : cell.Height3);
    Colour colour = 0;
    CellColor(range, height, cell.CellType, colour);
    return colour;
  }

  // True once the window shows `view` of the grid, pixel for pixel.
  bool Shows(const Viewport& view) {
    if (!(Map().View() == view)) {
      return false;
    }
    const QImage shot = Grab(form);
    for (int y = testing::kFirstMapAreaRow; y < shot.height(); ++y) {
      for (int x = 0; x < shot.width(); ++x) {
        if (PixelOf(shot, x, y) != Expected(view, x, y)) {
          return false;
        }
      }
    }
    return true;
  }

  void Wheel(QPoint at, int angle) {
    QWheelEvent wheel(at, Map().mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&Map(), &wheel);
  }

  void Drag(QPoint from, QPoint to) {
    QWindow* window = form.windowHandle();
    QTest::mousePress(window, Qt::LeftButton, {}, from);
    QTest::mouseMove(window, (from + to) / 2);
    QTest::mouseMove(window, to);
    QTest::mouseRelease(window, Qt::LeftButton, {}, to);
  }

  Form1 form;
  std::string path;
  HeightRange range;
};

TEST_F(MapViewTest, DragPansPixelForPixelAndCtrl0ReturnsToTheLoadedPicture) {
  // A load that fails before the clear leaves the grid shown, and navigable.
  ShowFile(form, dir.Path("missing.grid"));
  Drag(QPoint(300, 300), QPoint(260, 270));
  EXPECT_TRUE(QTest::qWaitFor([&] { return Shows(Viewport{2, 5 - 40, 25 - 30}); }));
  // Cells that never showed before are read from the file.
  EXPECT_NE(PixelOf(Grab(form), 616, 502), BackgroundOf(form));

  QTest::keyClick(form.windowHandle(), Qt::Key_0, Qt::ControlModifier);
  const auto reference = testing::LoadIntoMemory(path, BackgroundOf(form));
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return testing::ShowsPicture(Grab(form), reference.picture, BackgroundOf(form)); }));
}

TEST_F(MapViewTest, WheelZoomsAboutThePointerAndKeysFitAndPan) {
  const QPoint pointer(200, 200);
  Wheel(pointer, 120);
  // The corner under the pointer stays under it.
  EXPECT_TRUE(QTest::qWaitFor([&] { return Shows(Viewport{4, 200 - 195 * 2, 200 - 175 * 2}); }));
  // A storm of notches ends at the limits, and the window keeps up.
  for (int notch = 0; notch < 200; ++notch) {
    Wheel(pointer, 120);
  }
  EXPECT_EQ(Map().View().scale, 32.0);
  for (int notch = 0; notch < 200; ++notch) {
    Wheel(pointer, -120);
  }
  const Viewport fit =
      FitViewport(GridExtent{kWidth, kHeight}, MapArea(form.width(), form.height()));
  EXPECT_EQ(Map().View().scale, fit.scale);

  // A click gives the map the keys, and nothing else.
  Map().ShowActualSize();
  QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {}, QPoint(300, 300));
  EXPECT_TRUE(QTest::qWaitFor([&] { return Shows(DefaultViewport()); }));
  QTest::keyClick(form.windowHandle(), Qt::Key_Right);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Shows(Viewport{2, 5 - 64, 25}); }));
  QTest::keyClick(form.windowHandle(), Qt::Key_F);
  EXPECT_EQ(Map().View(), fit);
  // The whole grid, and nothing outside it.
  EXPECT_TRUE(QTest::qWaitFor([&] {
    const QImage shot = Grab(form);
    return PixelOf(shot, static_cast<int>(fit.left) + 1, static_cast<int>(fit.top) + 1) !=
               BackgroundOf(form) &&
           PixelOf(shot, static_cast<int>(fit.left) - 2, 300) == BackgroundOf(form);
  }));
  QTest::keyClick(form.windowHandle(), Qt::Key_Home);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Shows(DefaultViewport()); }));

  // L shows the legend, labelled with the range the shading used, and hides it.
  auto& legend = *Map().findChild<QWidget*>(QStringLiteral("Legend"));
  EXPECT_FALSE(legend.isVisible());
  QTest::keyClick(form.windowHandle(), Qt::Key_L);
  EXPECT_TRUE(legend.isVisible());
  EXPECT_EQ(legend.findChild<QLabel*>(QStringLiteral("LegendHigh"))->text(),
            QString::number(range.MaxHeight, 'g', 6));
  EXPECT_EQ(legend.findChild<QLabel*>(QStringLiteral("LegendLow"))->text(),
            QString::number(range.MinHeight, 'g', 6));
  QTest::keyClick(form.windowHandle(), Qt::Key_L);
  EXPECT_FALSE(legend.isVisible());
}

TEST_F(MapViewTest, TheTextBoxKeepsItsKeys) {
  QLineEdit& text = Text1(form);
  QTest::mouseClick(&text, Qt::LeftButton);
  text.setText(QStringLiteral("ab"));
  QTest::keyClick(form.windowHandle(), Qt::Key_Home);
  QTest::keyClick(form.windowHandle(), Qt::Key_F);
  QTest::keyClick(form.windowHandle(), Qt::Key_Right);
  QTest::keyClick(form.windowHandle(), Qt::Key_G);
  EXPECT_EQ(text.text(), QStringLiteral("fagb"));
  EXPECT_EQ(Map().View(), DefaultViewport());
}

TEST_F(MapViewTest, ResizingDrawsTheViewAgainForTheNewSize) {
  form.resize(800, 600);
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return Grab(form).width() == 800 && Shows(DefaultViewport()); }));
  Drag(QPoint(300, 300), QPoint(350, 320));
  form.resize(700, 650);
  EXPECT_TRUE(QTest::qWaitFor([&] {
    return Grab(form).height() == 650 && Shows(Viewport{2, 5 + 50, 25 + 20});
  }));
}

TEST_F(MapViewTest, HoverShowsTheCellAndAChangedFileIsToldWithoutMixing) {
  // Pixel (45, 105) is column 20 of picture row 40, stored row 259.
  QTest::mouseMove(form.windowHandle(), QPoint(45, 105));
  const QString expected = QStringLiteral("Column 20, row 259, record %1").arg(259 * kWidth + 20);
  EXPECT_TRUE(QTest::qWaitFor([&] { return QToolTip::text().startsWith(expected); }));
  EXPECT_TRUE(Map().accessibleDescription().startsWith(expected));
  const QImage before = Grab(form);

  testing::WriteGrid(path, kWidth, kHeight,
                     [](std::int32_t, std::int32_t) { return testing::UniformCell(1.0F, 1); });
  testing::MarkModified(path);
  Drag(QPoint(300, 300), QPoint(290, 300));
  auto& notice = *Map().findChild<QLabel*>(QStringLiteral("MapNotice"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return notice.isVisible(); }));
  EXPECT_TRUE(notice.text().contains(QStringLiteral("changed since it was loaded")));
  // What was on screen, moved; nothing of the new file.
  const QImage after = Grab(form);
  EXPECT_EQ(PixelOf(after, 100, 100), PixelOf(before, 110, 100));
  EXPECT_EQ(Label1(form).text(), QStringLiteral("Loaded, 400x300"));
}

TEST_F(MapViewTest, ReloadsKeepTheViewAndFollowAFileRewrittenManyTimes) {
  Drag(QPoint(300, 300), QPoint(260, 300));
  const Viewport moved{2, 5 - 40, 25};
  ASSERT_TRUE(QTest::qWaitFor([&] { return Shows(moved); }));
  QAction* watch = nullptr;
  for (QAction* action : form.actions()) {
    watch = action->isCheckable() ? action : watch;
  }
  ASSERT_NE(watch, nullptr);
  watch->setChecked(true);

  // Rewritten by renaming a new file over it, again and again for longer than it
  // takes to settle: one reload once it has, at the view the user had.
  int loads = 0;
  QObject::connect(&form, &Form1::loadFinished, [&loads] { ++loads; });
  for (int rewrite = 0; rewrite < 50; ++rewrite) {
    testing::WriteGrid(path + ".new", kWidth, kHeight, [rewrite](std::int32_t, std::int32_t) {
      return testing::UniformCell(static_cast<float>(rewrite), 1);
    });
    std::filesystem::rename(path + ".new", path);
    QTest::qWait(5);
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return loads > 0 && !form.IsLoading(); }));
  QTest::qWait(2 * FileWatch::kSettleTime);
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(Map().View(), moved);
  const Colour blue = MakeColour(0, 0, 255);  // all heights equal: the full colour
  EXPECT_TRUE(QTest::qWaitFor([&] { return PixelOf(Grab(form), 100, 100) == blue; }));

  // F5 reloads too; a file deleted is no crash, and the picture stays.
  std::filesystem::remove(path);
  QTest::keyClick(form.windowHandle(), Qt::Key_F5);
  WaitForLoads(form);
  EXPECT_EQ(Label1(form).text(), QStringLiteral("Error"));
  EXPECT_EQ(PixelOf(Grab(form), 100, 100), blue);
}

// A hostile user: wheel, drag, key and hover storms during reloads and views, F5
// again and again, and the window closed while a view is drawn. The window ends
// where the last input left it. Under ThreadSanitizer this is the test of every
// hand-over between the workers and the window.
TEST_F(MapViewTest, StormsDuringLoadsAndViewsEndWhereTheLastInputLeftIt) {
  QWindow* window = form.windowHandle();
  const QPoint hover(45, 105);
  for (int round = 0; round < 40; ++round) {
    if (round % 4 == 0) {
      QTest::keyClick(window, Qt::Key_F5);
    }
    Wheel(QPoint(200, 200), round % 2 == 0 ? 3 * 120 : -2 * 120);
    Drag(QPoint(300, 300), QPoint(300 + round % 5, 290));
    QTest::keyClick(window, round % 2 == 0 ? Qt::Key_Up : Qt::Key_Left);
    QTest::mouseMove(window, hover + QPoint(1 + round % 3, 0));
    if (round % 3 == 0) {
      QTest::keyClick(window, Qt::Key_F);
    }
    QTest::qWait(1);  // the results of some views and readings come back in between
  }
  WaitForLoads(form);
  EXPECT_EQ(Label1(form).text(), QStringLiteral("Loaded, 400x300"));
  QTest::keyClick(window, Qt::Key_Home);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Shows(DefaultViewport()); }));
  QTest::mouseMove(window, hover);
  const QString expected = QStringLiteral("Column 20, row 259, record %1").arg(259 * kWidth + 20);
  EXPECT_TRUE(QTest::qWaitFor([&] { return QToolTip::text().startsWith(expected); }));

  QTest::keyClick(window, Qt::Key_F);
  form.close();
  EXPECT_FALSE(form.isVisible());
}

TEST_F(MapViewTest, CtrlSSavesAndCtrlCCopiesTheMapAsShown) {
  Drag(QPoint(300, 300), QPoint(280, 290));
  ASSERT_TRUE(QTest::qWaitFor([&] { return Shows(Viewport{2, 5 - 20, 25 - 10}); }));
  const QImage shown = Grab(form).copy(0, 25, form.width(), form.height() - 25);
  const auto asShot = [](const QImage& image) {
    return image.convertToFormat(QImage::Format_RGBX8888);
  };

  QTest::keyClick(form.windowHandle(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(asShot(QGuiApplication::clipboard()->image()), shown);

  QTest::keyClick(form.windowHandle(), Qt::Key_S, Qt::ControlModifier);
  auto* dialog = form.findChild<QFileDialog*>();
  ASSERT_NE(dialog, nullptr);
  // It suggests the grid's name, beside it.
  EXPECT_EQ(dialog->selectedFiles().value(0), QString::fromStdString(dir.Path("big.png")));
  static_cast<QDialog*>(dialog)->accept();  // as the Save button does
  EXPECT_EQ(asShot(QImage(QString::fromStdString(dir.Path("big.png")))), shown);

  // In the text box, Ctrl+C is its own.
  QLineEdit& text = Text1(form);
  QTest::mouseClick(&text, Qt::LeftButton);
  text.selectAll();
  QTest::keyClick(form.windowHandle(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), text.text());
}

}  // namespace
}  // namespace tolmer
