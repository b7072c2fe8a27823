// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>
#include <cmath>
#include <filesystem>
#include <limits>
#include <utility>

#include "WindowTesting.h"
#include "loader/MemoryHost.h"
#include "loader/ShowGrid.h"
#include "render/CellColor.h"
#include "support/GridFiles.h"
#include "support/ReferencePicture.h"
#include "window/FileWatch.h"
#include "window/Form1.h"
#include "window/MapView.h"
#include "window/StatisticsPanel.h"

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

  // Checks "Reload When the File Changes", the one checkable command of the map's menu.
  void TurnOnTheWatch() {
    QAction* watch = nullptr;
    for (QAction* action : form.actions()) {
      watch = action->isCheckable() ? action : watch;
    }
    ASSERT_NE(watch, nullptr);
    watch->setChecked(true);
  }

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

  // The pointer at `at` of the map, between whole pixels as a HiDPI screen gives it.
  void MoveTo(QPointF at) {
    QMouseEvent move(QEvent::MouseMove, at, Map().mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&Map(), &move);
  }

  // True once the readout names picture cell (column, row) of the 400 x 300 grid.
  static bool ReadoutNames(std::int64_t column, std::int64_t row) {
    return QToolTip::text().startsWith(
        QStringLiteral("Column %1, row %2,").arg(column).arg(kHeight - 1 - row));
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

  // H lights the map by its slopes, Shift+H steepens them, H again gives back the
  // exact picture.
  const QPoint inside(200, 200);
  const Colour plain = PixelOf(Grab(form), inside.x(), inside.y());
  QTest::keyClick(form.windowHandle(), Qt::Key_H);
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return PixelOf(Grab(form), inside.x(), inside.y()) != plain; }));
  const Colour lit = PixelOf(Grab(form), inside.x(), inside.y());
  QTest::keyClick(form.windowHandle(), Qt::Key_H, Qt::ShiftModifier);
  EXPECT_EQ(Map().findChild<QLabel*>(QStringLiteral("MapNotice"))->text(),
            QStringLiteral("Relief heights \u00D72"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return PixelOf(Grab(form), inside.x(), inside.y()) != lit; }));
  QTest::keyClick(form.windowHandle(), Qt::Key_H);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Shows(DefaultViewport()); }));
}

// Passes when `label` shows the whole of its text inside the legend, and the text
// reads, in the user's locale, as `value` to the digits shown.
::testing::AssertionResult ShowsWhole(const QLabel& label, float value) {
  const QWidget& legend = *label.parentWidget();
  const QWidget& map = *legend.parentWidget();
  const QRect area = ToQRect(MapArea(map.width(), map.height()));
  const double read = QLocale().toDouble(label.text());
  if (!legend.rect().contains(label.geometry()) || !area.contains(legend.geometry()) ||
      label.contentsRect().width() < label.fontMetrics().horizontalAdvance(label.text()) ||
      label.contentsRect().height() < label.fontMetrics().height() ||
      std::abs(read - value) > std::abs(value) * 1e-5) {
    return ::testing::AssertionFailure() << label.text().toStdString() << " for " << value;
  }
  return ::testing::AssertionSuccess();
}

TEST_F(MapViewTest, TheLegendShowsWholeNumbersOrIsLeftOut) {
  auto& legend = *Map().findChild<QWidget*>(QStringLiteral("Legend"));
  const auto& high = *legend.findChild<QLabel*>(QStringLiteral("LegendHigh"));
  const auto& low = *legend.findChild<QLabel*>(QStringLiteral("LegendLow"));
  QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {}, QPoint(300, 300));
  QTest::keyClick(form.windowHandle(), Qt::Key_L);
  const float most = std::numeric_limits<float>::max();
  for (const auto& [lowest, highest] : {std::pair(-most, most), std::pair(-1.234567e-05F, 1.0F)}) {
    ShowFile(form, Grid("range.grid", 2, 1, [&](std::int32_t, std::int32_t column) {
               return testing::UniformCell(column == 0 ? lowest : highest);
             }));
    for (const int height : {503, 100, 60, 40, 503}) {
      SCOPED_TRACE(height);
      form.resize(617, height);
      ASSERT_TRUE(QTest::qWaitFor([&] { return Map().height() == height; }));
      // Too low a map area for both labels: no legend, rather than half of one.
      EXPECT_EQ(legend.isVisible(), height > 60);
      if (legend.isVisible()) {
        EXPECT_TRUE(ShowsWhole(high, highest));
        EXPECT_TRUE(ShowsWhole(low, lowest));
        EXPECT_LT(high.geometry().bottom(), low.geometry().top());
      }
    }
  }
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
  // There and back: once cells that were not shown are, the grid's backdrop is at
  // hand, for it comes before any view.
  Drag(QPoint(300, 300), QPoint(290, 300));
  ASSERT_TRUE(QTest::qWaitFor([&] { return Shows(Viewport{2, -5, 25}); }));
  Drag(QPoint(290, 300), QPoint(300, 300));
  ASSERT_TRUE(QTest::qWaitFor([&] { return Shows(DefaultViewport()); }));
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
  // What the drag newly exposed is filled from the backdrop, not left blank.
  for (const int y : {30, 300, 500}) {
    EXPECT_NE(PixelOf(after, 612, y), BackgroundOf(form)) << y;
  }
  EXPECT_EQ(Label1(form).text(), QStringLiteral("Loaded, 400x300"));
}

TEST_F(MapViewTest, HeightsAreShownInTheUsersLocaleAndTheStatusIsNot) {
  const QLocale before;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  // Opened as from a file manager, so that no completion list is in the pointer's way.
  form.OpenFile(Grid("fractions.grid", 2, 1, [](std::int32_t, std::int32_t column) {
    return testing::UniformCell(column == 0 ? 0.5F : 194.327F);
  }));
  WaitForLoads(form);
  const auto& legend = *Map().findChild<QWidget*>(QStringLiteral("Legend"));
  EXPECT_EQ(legend.findChild<QLabel*>(QStringLiteral("LegendHigh"))->text().toStdString(),
            "194,327");
  EXPECT_EQ(legend.findChild<QLabel*>(QStringLiteral("LegendLow"))->text().toStdString(), "0,5");
  QTest::mouseMove(form.windowHandle(), QPoint(6, 26));
  EXPECT_TRUE(QTest::qWaitFor([] { return QToolTip::text().contains(QStringLiteral("0,5")); }));
  EXPECT_FALSE(QToolTip::text().contains(u'.'));
  EXPECT_EQ(Label1(form).text(), QStringLiteral("Loaded, 2x1"));
  QLocale::setDefault(before);
}

TEST_F(MapViewTest, ReloadsKeepTheViewAndFollowAFileRewrittenManyTimes) {
  Drag(QPoint(300, 300), QPoint(260, 300));
  const Viewport moved{2, 5 - 40, 25};
  ASSERT_TRUE(QTest::qWaitFor([&] { return Shows(moved); }));
  TurnOnTheWatch();

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

TEST_F(MapViewTest, TheWatchReloadsOnceTheFileHoldsStillThoughItsFolderIsBusy) {
  TurnOnTheWatch();
  int loads = 0;
  QObject::connect(&form, &Form1::loadFinished, [&loads] { ++loads; });
  // Another program writes into the folder every 100 ms till the end, as a cache does.
  QTimer cache;
  QObject::connect(&cache, &QTimer::timeout, [this] {
    testing::WriteFile(dir.Path("cache.new"), {1, 2, 3});
    std::filesystem::rename(dir.Path("cache.new"), dir.Path("cache"));
  });
  cache.start(100);

  // The grid rewritten every 150 ms for a second: no reload until the writes stop.
  for (int rewrite = 0; rewrite < 7; ++rewrite) {
    testing::WriteGrid(path, 40, 30, testing::Hills);
    QTest::qWait(150);
  }
  EXPECT_EQ(loads, 0);
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return Label1(form).text() == QStringLiteral("Loaded, 40x30"); }, 3000));
  QTest::qWait(2 * FileWatch::kSettleTime);
  EXPECT_EQ(loads, 1);
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

// Wherever the pointer is, as a screen at any scale gives it (device pixels over the
// ratio, and between), the readout names the cell painted there; on a checkerboard a
// neighbour would show in the colour. ctest runs it at scales 1, 1.5 and 2.
TEST_F(MapViewTest, HoverNamesTheCellPaintedUnderThePointer) {
  ShowFile(form, Grid("board.grid", 40, 30, [](std::int32_t row, std::int32_t column) {
             return testing::UniformCell(static_cast<float>((row + column) % 2), 1);
           }));
  const double ratio = form.devicePixelRatioF();
  const QImage shot = form.grab().toImage();
  // The device pixel that paints the middle of cell `cell`, 2 pixels a cell from `origin`.
  const auto middle = [ratio](std::int64_t cell, int origin) {
    return static_cast<int>(std::floor(static_cast<double>(origin + 2 * cell + 1) * ratio));
  };
  const QRegularExpression named(QStringLiteral("^Column (\\d+), row (\\d+),"));
  const auto check = [&](int x, int y) {
    for (const double within : {0.0, 0.5}) {
      MoveTo(QPointF(100, 5));  // above the map: no readout
      MoveTo(QPointF((x + within) / ratio, (y + within) / ratio));
      ASSERT_TRUE(QTest::qWaitFor([&] { return !Map().accessibleDescription().isEmpty(); }));
      const QRegularExpressionMatch cell = named.match(Map().accessibleDescription());
      const int row = 29 - cell.captured(2).toInt();
      EXPECT_EQ(shot.pixel(x, y), shot.pixel(middle(cell.captured(1).toInt(), 5), middle(row, 25)))
          << "device pixel (" << x << ", " << y << ") + " << within << " at " << ratio;
    }
  };
  for (int x = middle(9, 5) - 2; x <= middle(11, 5) + 2; ++x) {
    check(x, middle(20, 25));
  }
  for (int y = middle(19, 25) - 2; y <= middle(21, 25) + 2; ++y) {
    check(middle(10, 5), y);
  }
}

TEST_F(MapViewTest, TheReadoutFollowsTheViewUnderAStillPointer) {
  QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {}, QPoint(300, 300));  // keys to the map
  QTest::mouseMove(form.windowHandle(), QPoint(45, 105));
  ASSERT_TRUE(QTest::qWaitFor([] { return ReadoutNames(20, 40); }));
  QTest::keyClick(form.windowHandle(), Qt::Key_Plus, Qt::ControlModifier);
  const Viewport zoomed = Map().View();
  ASSERT_EQ(zoomed.scale, 4.0);
  const auto column = static_cast<std::int64_t>(std::floor((45.5 - zoomed.left) / 4));
  const auto row = static_cast<std::int64_t>(std::floor((105.5 - zoomed.top) / 4));
  EXPECT_TRUE(QTest::qWaitFor([&] { return ReadoutNames(column, row); }));
  QTest::keyClick(form.windowHandle(), Qt::Key_Right);  // 64 pixels: 16 cells
  EXPECT_TRUE(QTest::qWaitFor([&] { return ReadoutNames(column + 16, row); }));
  // Panned so that no cell is under it, the readout hides.
  QTest::keyClick(form.windowHandle(), Qt::Key_F);
  QTest::keyClick(form.windowHandle(), Qt::Key_Left);
  EXPECT_TRUE(QTest::qWaitFor([] { return QToolTip::text().isEmpty(); }));
}

// Tab reaches the map after the controls, and every map command then works without a
// mouse. The map's arrival shows the readout of the cell at the centre of the map area,
// (308.5, 264.5) of the client area.
TEST_F(MapViewTest, TheKeyboardReachesTheMapAfterTheControls) {
  // The completion list closed last; the offscreen platform, unlike a window system,
  // gives the window no activation back.
  ShowAndActivate(form);
  QLineEdit& text = Text1(form);
  QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {}, text.geometry().center());
  ASSERT_TRUE(text.hasFocus());
  const QString typed = text.text();
  QTest::keyClick(form.windowHandle(), Qt::Key_Tab);
  EXPECT_TRUE(Command1(form).hasFocus());
  QTest::keyClick(form.windowHandle(), Qt::Key_Tab);
  ASSERT_TRUE(Map().hasFocus());
  EXPECT_TRUE(QTest::qWaitFor([] { return ReadoutNames(151, 119); }));

  QTest::keyClick(form.windowHandle(), Qt::Key_F);
  EXPECT_EQ(Map().View(),
            FitViewport(GridExtent{kWidth, kHeight}, MapArea(form.width(), form.height())));
  QTest::keyClick(form.windowHandle(), Qt::Key_L);
  EXPECT_TRUE(Map().findChild<QWidget*>(QStringLiteral("Legend"))->isVisible());
  EXPECT_EQ(text.text(), typed);
  QTest::keyClick(form.windowHandle(), Qt::Key_Home);
  QTest::keyClick(form.windowHandle(), Qt::Key_Down);  // 64 pixels: 32 rows
  EXPECT_TRUE(QTest::qWaitFor([] { return ReadoutNames(151, 119 + 32); }));

  for (const QKeyCombination keys : {Qt::SHIFT | Qt::Key_F10, QKeyCombination(Qt::Key_Menu)}) {
    QTest::keyClick(form.windowHandle(), keys.key(), keys.keyboardModifiers());
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr) << QKeySequence(keys).toString().toStdString();
    EXPECT_EQ(menu->actions().at(5)->text(), QStringLiteral("Cell at the Centre"));
    menu->close();
  }
  QTest::keyClick(form.windowHandle(), Qt::Key_I);
  EXPECT_TRUE(QTest::qWaitFor([] { return ReadoutNames(151, 119 + 32); }));
}

// Ctrl+G, then a cell typed as the readout names it, or a record number: Enter
// centres the cell, outlined for a moment, and the readout of the centre names it.
TEST_F(MapViewTest, CtrlGGoesToTheCellTypedOrSaysWhyItCannot) {
  QWindow* window = form.windowHandle();
  const auto& bar = *Map().findChild<QWidget*>(QStringLiteral("GoTo"));
  const auto& reason = *bar.findChild<QLabel*>(QStringLiteral("GoToReason"));
  const auto goTo = [&](QWindow* to, const char* typed) {
    QTest::keyClick(to, Qt::Key_G, Qt::ControlModifier);
    for (const char* key = typed; *key != 0; ++key) {
      QTest::keyClick(to, *key);
    }
    QTest::keyClick(to, Qt::Key_Return);
  };
  struct Case {
    const char* typed;
    std::int64_t column;
    std::int64_t storedRow;
    const char* says;
  };
  const Case cases[] = {
      {"120, 45", 120, 45, ""},
      {" 7,0 ", 7, 0, ""},
      {"399 299", 399, 299, ""},
      {"1234", 34, 3, ""},
      {"119999", 399, 299, ""},
      {"0", 0, 0, ""},
      {"400, 3", 0, 0, "Column 400 is past the last, 399."},
      {"3 300", 0, 0, "Row 300 is past the last, 299."},
      {"120000", 0, 0, "Record 120000 is past the last, 119999."},
      {"99999999999999999999", 0, 0, "Record 99999999999999999999 is past the last, 119999."},
      {"-1, 4", 0, 0, "Columns, rows and records count from 0."},
      {"12a", 0, 0, "\"12a\" is not a whole number."},
      {"1.5, 2", 0, 0, "\"1.5\" is not a whole number."},
      {"1, 2, 3", 0, 0, "Type a column and a row, as 120, 45, or a record number."},
      {"1,,2", 0, 0, "Type a column and a row, as 120, 45, or a record number."},
  };
  const QPointF centre(308.5, 264);
  for (const Case& test : cases) {
    SCOPED_TRACE(test.typed);
    goTo(window, test.typed);
    if (*test.says != 0) {
      EXPECT_TRUE(bar.isVisible());
      EXPECT_EQ(reason.text().toStdString(), test.says);
      QTest::keyClick(window, Qt::Key_Escape);
      continue;
    }
    EXPECT_FALSE(bar.isVisible());
    const Viewport view = Map().View();
    EXPECT_EQ(view.scale, 8.0);
    const std::int64_t row = kHeight - 1 - test.storedRow;
    EXPECT_NEAR(view.left + (static_cast<double>(test.column) + 0.5) * 8, centre.x(), 0.5);
    EXPECT_NEAR(view.top + (static_cast<double>(row) + 0.5) * 8, centre.y(), 0.5);
    // Outlined just outside the cell.
    EXPECT_EQ(
        PixelOf(Grab(form), static_cast<int>(view.left + static_cast<double>(test.column) * 8) - 1,
                static_cast<int>(view.top) + static_cast<int>(row) * 8 - 1),
        MakeColour(255, 0, 0));
    QTest::keyClick(window, Qt::Key_I);  // the keys are back with the map
    EXPECT_TRUE(QTest::qWaitFor([&] { return ReadoutNames(test.column, row); }));
  }
  // The outline goes after a moment.
  EXPECT_TRUE(QTest::qWaitFor([&] { return Shows(Map().View()); }));

  // A finer zoom stays; Escape closes the bar with the view as it was.
  for (int step = 0; step < 3; ++step) {
    QTest::keyClick(window, Qt::Key_Plus, Qt::ControlModifier);
  }
  goTo(window, "200, 150");
  EXPECT_EQ(Map().View().scale, 32.0);
  QTest::keyClick(window, Qt::Key_G, Qt::ControlModifier);
  QTest::keyClick(window, Qt::Key_5);
  QTest::keyClick(window, Qt::Key_Escape);
  EXPECT_FALSE(bar.isVisible());
  EXPECT_EQ(Map().View().scale, 32.0);
  EXPECT_NEAR(Map().View().left + 200.5 * 32, centre.x(), 0.5);

  Form1 empty;
  ShowAndActivate(empty);
  goTo(empty.windowHandle(), "1, 2");
  EXPECT_EQ(empty.findChild<QLabel*>(QStringLiteral("GoToReason"))->text(),
            QStringLiteral("No grid is loaded."));
}

// M shows the whole grid small in the lower right corner while part of it is out of
// view; a click or a drag there centres the view on that place.
TEST_F(MapViewTest, MShowsAMinimapThatMovesTheViewWhereItIsClicked) {
  QWindow* window = form.windowHandle();
  const auto& minimap = *Map().findChild<QWidget*>(QStringLiteral("Minimap"));
  QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(300, 300));  // keys to the map
  QTest::keyClick(window, Qt::Key_M);
  ASSERT_TRUE(QTest::qWaitFor([&] { return minimap.isVisible(); }));
  const QRect shown = minimap.geometry();
  EXPECT_TRUE(QRect(0, 25, form.width(), form.height() - 25).contains(shown));
  EXPECT_EQ(shown.size(), QSize(162, 122));  // 160 x 120 of a 4:3 grid, and a frame
  // Pixel (1 + 120, 1 + 30) of the minimap is 3/4 across the grid and 1/4 down.
  const QPoint at = shown.topLeft() + QPoint(121, 31);
  const auto centredAt = [&](double column, double row) {
    const Viewport view = Map().View();
    return view.scale == 2.0 && std::abs((308.5 - view.left) / 2 - column) <= 0.5 &&
           std::abs((264 - view.top) / 2 - row) <= 0.5;
  };
  QTest::mouseClick(window, Qt::LeftButton, {}, at);
  EXPECT_TRUE(centredAt(300, 75));
  Drag(at, at + QPoint(-80, 40));
  EXPECT_TRUE(centredAt(100, 175));

  QTest::keyClick(window, Qt::Key_F);  // the whole grid in view: no minimap
  EXPECT_FALSE(minimap.isVisible());
  QTest::keyClick(window, Qt::Key_Home);
  EXPECT_TRUE(minimap.isVisible());
  QTest::keyClick(window, Qt::Key_M);
  EXPECT_FALSE(minimap.isVisible());
  EXPECT_TRUE(QTest::qWaitFor([&] { return Shows(DefaultViewport()); }));

  // Clear of the legend in a low window, and of the statistics panel.
  QTest::keyClick(window, Qt::Key_M);
  QTest::keyClick(window, Qt::Key_L);
  form.resize(form.width(), 300);
  const auto& legend = *Map().findChild<QWidget*>(QStringLiteral("Legend"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return minimap.isVisible() && legend.isVisible(); }));
  EXPECT_FALSE(minimap.geometry().intersects(legend.geometry()));
  QTest::keyClick(window, Qt::Key_I, Qt::ControlModifier);
  ASSERT_TRUE(QTest::qWaitFor([&] { return minimap.isVisible(); }));
  EXPECT_LE(minimap.mapTo(&form, QPoint(minimap.width(), 0)).x(),
            form.width() - StatisticsPanel::kWidth);
}

}  // namespace
}  // namespace tolmer
