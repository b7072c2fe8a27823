// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <map>

#include "GatedLoads.h"
#include "WindowTesting.h"
#include "window/Form1.h"
#include "window/MapView.h"
#include "window/StatisticsPanel.h"

namespace tolmer {
namespace {

class StatisticsPanelTest : public testing::WindowTest {
 protected:
  void SetUp() override {
    gates.ReleaseAll();
    ShowAndActivate(form);
  }

  QWidget* Panel() { return form.findChild<QWidget*>(QStringLiteral("Statistics")); }
  QString Text(const char* name) {
    return form.findChild<QPlainTextEdit*>(QString::fromLatin1(name))->toPlainText();
  }
  void PressCtrlI() { QTest::keyClick(form.windowHandle(), Qt::Key_I, Qt::ControlModifier); }

  // Waits until the whole grid's figures hold those of a count made here, cell by cell.
  bool ShowsCountOf(std::int32_t width, std::int32_t height, const testing::CellMaker& cells) {
    std::map<std::int32_t, int> types;
    for (std::int32_t row = 0; row < height; ++row) {
      for (std::int32_t column = 0; column < width; ++column) {
        ++types[cells(row, column).CellType];
      }
    }
    const int zero = types[0];
    const QStringList lines = {
        QStringLiteral("width: %1\n").arg(width),
        QStringLiteral("height: %1\n").arg(height),
        QStringLiteral("cells: %1\n").arg(width * height),
        QStringLiteral("type 0 cells: %1 (%2 %)")
            .arg(zero)
            .arg(100.0 * zero / (width * height), 0, 'f', 2),
        QStringLiteral("other cells: %1 ").arg(width * height - zero),
    };
    return QTest::qWaitFor([&] {
      const QString text = Text("GridStatistics");
      for (const QString& line : lines) {
        if (!text.contains(line)) {
          return false;
        }
      }
      for (const auto& [type, count] : types) {
        if (count > 0 && !text.contains(QStringLiteral("type %1: %2 cells").arg(type).arg(count))) {
          return false;
        }
      }
      return true;
    });
  }

  testing::GatedLoads gates;
  Form1 form{nullptr, gates.Function()};
};

CellRecord HalfAndHalf(std::int32_t /*row*/, std::int32_t column) {
  return testing::UniformCell(static_cast<float>(column) * 0.25F, column < 200 ? 0 : 5);
}

CellRecord EdgeOfZeros(std::int32_t /*row*/, std::int32_t column) {
  return testing::UniformCell(1.5F, column == 0 ? 0 : 7);
}

TEST_F(StatisticsPanelTest, CtrlIShowsTheGridAndTheViewAndFollowsTheGridShown) {
  ShowFile(form, Grid("halves.grid", 400, 300, HalfAndHalf));
  EXPECT_EQ(Panel(), nullptr);
  PressCtrlI();
  ASSERT_NE(Panel(), nullptr);
  EXPECT_TRUE(Panel()->isVisible());
  for (QWidget* control :
       {static_cast<QWidget*>(&Text1(form)), static_cast<QWidget*>(&Command1(form)),
        static_cast<QWidget*>(&Label1(form))}) {
    EXPECT_FALSE(Panel()->geometry().intersects(control->geometry()));
  }
  EXPECT_TRUE(ShowsCountOf(400, 300, HalfAndHalf));

  // The view at the load's corner holds type 0 alone; panned right, the others too.
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return Text("ViewStatistics").contains(QStringLiteral("other cells: none")); }));
  QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {}, QPoint(100, 300));
  for (int step = 0; step < 3; ++step) {
    QTest::keyClick(form.windowHandle(), Qt::Key_Right);
  }
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return Text("ViewStatistics").contains(QStringLiteral("other cells: about")); }));

  // The legend moves clear of it.
  QTest::keyClick(form.windowHandle(), Qt::Key_L);
  const auto* legend = form.findChild<QWidget*>(QStringLiteral("Legend"));
  EXPECT_TRUE(legend->isVisible());
  EXPECT_FALSE(legend->geometry().intersects(Panel()->geometry()));

  // F fits the grid into what the panel leaves of the map, and centres it there.
  QTest::keyClick(form.windowHandle(), Qt::Key_F);
  const Viewport fit = form.findChild<MapView*>(QStringLiteral("Map"))->View();
  const double open = form.width() - StatisticsPanel::kWidth;
  EXPECT_GE(fit.left, 0.0);
  EXPECT_LE(fit.left + 400 * fit.scale, open);
  EXPECT_NEAR(fit.left + 200 * fit.scale, open / 2, 1.0);

  // Selected and copied as text.
  auto* grid = form.findChild<QPlainTextEdit*>(QStringLiteral("GridStatistics"));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton);
  QTest::keyClick(form.windowHandle(), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(form.windowHandle(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), grid->toPlainText());

  // Closed and opened again, it keeps the figures it read.
  const QString figures = Text("GridStatistics");
  PressCtrlI();
  EXPECT_FALSE(Panel()->isVisible());
  PressCtrlI();
  EXPECT_TRUE(Panel()->isVisible());
  EXPECT_EQ(Text("GridStatistics"), figures);

  // Another grid: nothing of the first once its load clears the map, then its own.
  gates.HoldAgain();
  form.OpenFile(Grid("edge.grid", 512, 256, EdgeOfZeros));
  gates.Release(2);  // the two turns of the scan: the third is after the clear
  ASSERT_TRUE(gates.WaitUntilHeldAt(3));
  EXPECT_TRUE(QTest::qWaitFor([&] { return Text("GridStatistics") == "No grid shown"; }));
  EXPECT_EQ(Text("ViewStatistics"), QString());
  gates.ReleaseAll();
  WaitForLoads(form);
  EXPECT_TRUE(ShowsCountOf(512, 256, EdgeOfZeros));
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return Text("ViewStatistics").contains(QStringLiteral("type 0 cells: about")); }));
}

}  // namespace
}  // namespace tolmer
