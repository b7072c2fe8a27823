// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QTest>

#include "WindowTesting.h"
#include "window/Form1.h"

namespace tolmer {
namespace {

using testing::WindowTest;

class Form1StartTest : public WindowTest {
 protected:
  void SetUp() override { ShowAndActivate(form); }

  Form1 form;
};

TEST_F(Form1StartTest, ShowsCaptionAndClientSize) {
  EXPECT_EQ(form.windowTitle(), "Tolmer by Quindel");
  EXPECT_EQ(form.size(), QSize(617, 503));
  EXPECT_EQ(form.rect().topLeft(), QPoint(0, 0));
}

TEST_F(Form1StartTest, ControlsCarryTheirTextsAsRealText) {
  EXPECT_EQ(Text1(form).text(), "Filename");
  // A placeholder would vanish on focus and never reach the loader.
  EXPECT_TRUE(Text1(form).placeholderText().isEmpty());
  EXPECT_EQ(Command1(form).text(), "Show");
  EXPECT_EQ(Label1(form).text(), "Status");
}

TEST_F(Form1StartTest, ScreenReadersMeetAWindowWithAMap) {
  const QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&form);
  EXPECT_EQ(window->role(), QAccessible::Window);
  EXPECT_EQ(window->text(QAccessible::Name), form.windowTitle());
  const QAccessibleInterface* map =
      QAccessible::queryAccessibleInterface(form.findChild<QWidget*>(QStringLiteral("Map")));
  EXPECT_EQ(map->role(), QAccessible::Canvas);
  EXPECT_EQ(map->text(QAccessible::Name).toStdString(), "Map");
  EXPECT_EQ(QAccessible::queryAccessibleInterface(&Label1(form))->text(QAccessible::Name),
            "Status");
}

TEST_F(Form1StartTest, TheInitialTextIsSelectedSoTypingReplacesIt) {
  EXPECT_EQ(Text1(form).selectedText(), "Filename");
  QTest::keyClicks(&Text1(form), QStringLiteral("a.grid"));
  EXPECT_EQ(Text1(form).text(), "a.grid");
}

TEST_F(Form1StartTest, WindowIconIsDrawnWithoutAnInstalledTheme) {
  EXPECT_FALSE(form.windowIcon().pixmap(32, 32).isNull());
}

TEST_F(Form1StartTest, CtrlQAndCtrlWCloseTheWindow) {
  for (const Qt::Key key : {Qt::Key_Q, Qt::Key_W}) {
    Form1 window;
    ShowAndActivate(window);
    QTest::keyClick(&window, key, Qt::ControlModifier);
    EXPECT_FALSE(window.isVisible()) << QKeySequence(key).toString().toStdString();
  }
}

TEST_F(Form1StartTest, FocusStartsInTheTextBoxAndTabsInOrder) {
  EXPECT_EQ(QApplication::focusWidget(), &Text1(form));
  EXPECT_TRUE(Text1(form).hasFocus());
  EXPECT_EQ(Text1(form).nextInFocusChain(), &Command1(form));
  EXPECT_EQ(Command1(form).nextInFocusChain(), &Label1(form));

  QTest::keyClick(&Text1(form), Qt::Key_Tab);
  EXPECT_TRUE(Command1(form).hasFocus());
  QTest::keyClick(&Command1(form), Qt::Key_Backtab);
  EXPECT_TRUE(Text1(form).hasFocus());
}

TEST_F(Form1StartTest, ClientAreaBelowTheControlsIsEmpty) {
  const QImage shot = testing::Grab(form);
  ASSERT_EQ(shot.size(), QSize(617, 503));
  const Colour background = testing::BackgroundOf(form);
  long others = 0;
  for (int y = testing::kFirstMapAreaRow; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) {
      others += testing::PixelOf(shot, x, y) != background ? 1 : 0;
    }
  }
  EXPECT_EQ(others, 0);
}

}  // namespace
}  // namespace tolmer
