// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

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

TEST_F(Form1StartTest, ControlsSitOnTheTopRow) {
  EXPECT_EQ(Text1(form).geometry(), QRect(0, 0, 257, 19));
  EXPECT_EQ(Command1(form).geometry(), QRect(264, 0, 57, 17));
  EXPECT_EQ(Label1(form).geometry(), QRect(328, 0, 129, 17));
  for (const QWidget* control :
       {static_cast<QWidget*>(&Text1(form)), static_cast<QWidget*>(&Command1(form)),
        static_cast<QWidget*>(&Label1(form))}) {
    EXPECT_LE(control->geometry().bottom(), 18) << control->objectName().toStdString();
    EXPECT_TRUE(control->isVisible()) << control->objectName().toStdString();
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

TEST_F(Form1StartTest, ControlsHaveAccessibleNames) {
  EXPECT_EQ(Text1(form).accessibleName(), "File name");
  EXPECT_EQ(Command1(form).accessibleName(), "Show");
  EXPECT_EQ(Label1(form).accessibleName(), "Status");
}

TEST_F(Form1StartTest, ButtonIsNeverTheDefault) {
  EXPECT_FALSE(Command1(form).isDefault());
  EXPECT_FALSE(Command1(form).autoDefault());
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
