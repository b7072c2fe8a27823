// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QCompleter>
#include <QFileDialog>
#include <QMimeData>
#include <QPointer>
#include <QTest>
#include <QUrl>
#include <filesystem>
#include <limits>

#include "WindowTesting.h"
#include "support/ReferencePicture.h"
#include "window/Form1.h"

namespace tolmer {
namespace {

using testing::BackgroundOf;
using testing::Grab;
using testing::LoadIntoMemory;
using testing::ShowsPicture;
using testing::WindowTest;

class Form1LoadTest : public WindowTest {
 protected:
  void SetUp() override { ShowAndActivate(form); }

  // Loads the file through the window and checks status and pixels against the core.
  void ExpectShown(const std::string& path) {
    ShowFile(form, path);
    ExpectShowing(path);
  }

  // Checks that the window names the file, its load has ended and it is shown.
  void ExpectShowing(const std::string& path) {
    WaitForLoads(form);
    EXPECT_EQ(Text1(form).text(), QFile::decodeName(QByteArray::fromStdString(path)));
    const auto reference = LoadIntoMemory(path, BackgroundOf(form));
    EXPECT_EQ(Label1(form).text().toStdString(), reference.status);
    EXPECT_TRUE(ShowsPicture(Grab(form), reference.picture, BackgroundOf(form)));
  }

  // Drags `urls` onto `target` and drops them; whether the drag was accepted.
  static bool DragAndDrop(QWidget& target, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPointF at = target.rect().center();
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &drop);
    return enter.isAccepted();
  }

  Form1 form;
};

TEST_F(Form1LoadTest, ShowPaintsTheGridAndItsSize) {
  const std::string path = Grid("hills.grid", 40, 30);
  ExpectShown(path);
  EXPECT_EQ(Label1(form).text(), "Loaded, 40x30");
  // Guards the comparison against a reference that painted nothing either.
  EXPECT_NE(testing::PixelOf(Grab(form), 5, 25), BackgroundOf(form));
  EXPECT_NE(testing::PixelOf(Grab(form), 84, 84), BackgroundOf(form));
  EXPECT_EQ(testing::PixelOf(Grab(form), 85, 85), BackgroundOf(form));
}

TEST_F(Form1LoadTest, GridLargerThanTheWindowIsCutAtItsEdges) {
  ExpectShown(Grid("wide.grid", 400, 300));
  EXPECT_EQ(Label1(form).text(), "Loaded, 400x300");
}

TEST_F(Form1LoadTest, FirstClickOnShowLoadsWhileTheCompletionListIsOpen) {
  const std::string path = Grid("completed.grid", 12, 8);
  QLineEdit& text = Text1(form);
  QTest::mouseClick(&text, Qt::LeftButton);
  text.selectAll();
  QTest::keyClicks(&text, QString::fromStdString(path));
  QWidget* list = text.completer()->popup();
  ASSERT_TRUE(QTest::qWaitFor([list] { return list->isVisible(); }, 10000));
  ClickShow(form);
  EXPECT_FALSE(list->isVisible());
  EXPECT_EQ(Label1(form).text(), "Loaded, 12x8");
}

TEST_F(Form1LoadTest, UntouchedFilenameIsLoadedAsSuchAndFails) {
  ASSERT_FALSE(std::filesystem::exists("Filename"));
  ClickShow(form);
  EXPECT_EQ(Label1(form).text(), "Error");
}

TEST_F(Form1LoadTest, ErrorKeepsTheEarlierPictureAndSaysWhyInTheTooltip) {
  const std::string path = Grid("first.grid", 30, 20);
  const auto reference = LoadIntoMemory(path, BackgroundOf(form));
  const std::string fifo = dir.Path("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string cutShort = dir.Path("short.grid");
  testing::WriteFile(cutShort, testing::GridBytes(4, 4, testing::Hills, 3));
  const std::string notANumber = Grid("nan.grid", 2, 2, [](auto, auto) {
    return testing::UniformCell(std::numeric_limits<float>::quiet_NaN());
  });
  const std::pair<std::string, std::string> failures[] = {
      {dir.Path("missing.grid"), "there is no file named " + dir.Path("missing.grid")},
      {dir.Root().string(), "is a folder"},
      {fifo, "is not a regular file"},
      {cutShort, "the file is too short"},
      {notANumber, "height 1 of record 0 (row 0, column 0) is not a number"}};
  for (const auto& [name, why] : failures) {
    SCOPED_TRACE(name);
    ExpectShown(path);
    EXPECT_TRUE(Label1(form).toolTip().isEmpty());
    ShowFile(form, name);
    EXPECT_EQ(Label1(form).text(), "Error");
    EXPECT_THAT(Label1(form).toolTip().toStdString(), ::testing::HasSubstr(why));
    EXPECT_THAT(Label1(form).accessibleDescription().toStdString(), ::testing::HasSubstr(why));
    EXPECT_TRUE(ShowsPicture(Grab(form), reference.picture, BackgroundOf(form)));
  }
}

// Qt tells a screen reader of each change of name and description; the offscreen
// platform has no reader to tell, so what one would then read is checked here.
TEST_F(Form1LoadTest, ScreenReadersReadEachStatusAndWhyALoadFailed) {
  const QAccessibleInterface* label = QAccessible::queryAccessibleInterface(&Label1(form));
  ShowFile(form, Grid("heard.grid", 200, 150));
  EXPECT_EQ(label->text(QAccessible::Name).toStdString(), "Loaded, 200x150");
  ShowFile(form, dir.Path("missing.grid"));
  EXPECT_EQ(label->text(QAccessible::Name).toStdString(), "Error");
  EXPECT_THAT(label->text(QAccessible::Description).toStdString(),
              ::testing::HasSubstr("there is no file named"));
}

TEST_F(Form1LoadTest, SecondLoadReplacesTheFirst) {
  ExpectShown(Grid("big.grid", 120, 90));
  // Smaller and differently shaded: whatever is left of the first picture shows.
  ExpectShown(Grid("small.grid", 10, 5, [](std::int32_t row, std::int32_t column) {
    return testing::UniformCell(static_cast<float>(row - column), column % 2);
  }));
  EXPECT_EQ(Label1(form).text(), "Loaded, 10x5");
}

TEST_F(Form1LoadTest, ResizingKeepsThePicture) {
  const std::string path = Grid("kept.grid", 60, 40);
  ExpectShown(path);
  const auto reference = LoadIntoMemory(path, BackgroundOf(form));

  form.resize(200, 100);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  EXPECT_TRUE(form.rect().contains(Label1(form).geometry()));
  form.resize(800, 600);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  const QImage enlarged = Grab(form);
  ASSERT_EQ(enlarged.size(), QSize(800, 600));
  // The old picture, with background around it.
  EXPECT_TRUE(ShowsPicture(enlarged, reference.picture, BackgroundOf(form)));

  // The next load fills the new client area.
  ShowFile(form, path);
  EXPECT_EQ(testing::PixelOf(Grab(form), 799, 599), BackgroundOf(form));
  EXPECT_TRUE(ShowsPicture(Grab(form), reference.picture, BackgroundOf(form)));
}

TEST_F(Form1LoadTest, EnterInTheTextBoxLoadsNothing) {
  const std::string path = Grid("typed.grid", 20, 20);
  QLineEdit& text = Text1(form);
  text.setText(QString::fromStdString(path));
  const QImage before = Grab(form);
  QTest::keyClick(&text, Qt::Key_Return);
  QTest::keyClick(&text, Qt::Key_Enter);
  EXPECT_FALSE(form.IsLoading());
  EXPECT_EQ(Label1(form).text(), "Status");
  EXPECT_EQ(Grab(form), before);
}

TEST_F(Form1LoadTest, NonAsciiNamesReachTheFileSystem) {
  const std::string path = Grid("h\xC3\xBCgel.grid", 8, 6);
  Text1(form).setText(QString::fromUtf8(path.c_str()));
  ClickShow(form);
  EXPECT_EQ(Label1(form).text(), "Loaded, 8x6");
}

TEST_F(Form1LoadTest, NamesGivenAsBytesLoadByThoseBytesFromEveryWay) {
  // Not valid UTF-8: the name as text would name another file.
  const std::string names[] = {"\xFF\xFE.grid", "caf\xE9.grid"};
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::string path = Grid(name, 9, 7);
    form.OpenFile(path);
    ExpectShowing(path);
    // Show again, with the name as it came still in the text box.
    ClickShow(form);
    ExpectShowing(path);
  }
  const std::string chosen = Grid("chosen.grid", 11, 4);
  QTest::keyClick(&form, Qt::Key_O, Qt::ControlModifier);
  auto* dialog = form.findChild<QFileDialog*>();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_TRUE(dialog->nameFilters().contains("Cell grids (*.grid)"));
  dialog->selectFile(QFile::decodeName(QByteArray::fromStdString(chosen)));
  static_cast<QDialog*>(dialog)->accept();  // public there
  ExpectShowing(chosen);

  const std::string dropped = Grid("\xFF\xFE-dropped.grid", 13, 6);
  const QByteArray path = QByteArray::fromStdString(dropped).toPercentEncoding("/");
  const std::pair<QWidget*, QByteArray> drops[] = {{&form, "file://" + path},
                                                   {&Text1(form), "file://localhost" + path}};
  for (const auto& [target, link] : drops) {
    Text1(form).setText(QStringLiteral("Filename"));
    EXPECT_TRUE(DragAndDrop(*target, {QUrl::fromEncoded(link)}));
    ExpectShowing(dropped);
  }
}

TEST_F(Form1LoadTest, ClosingTheWindowClosesAnOpenFileDialog) {
  for (const Qt::Key key : {Qt::Key_Q, Qt::Key_W}) {
    Form1 window;
    ShowAndActivate(window);
    QTest::keyClick(window.windowHandle(), Qt::Key_O, Qt::ControlModifier);
    // Deleted once closed.
    const QPointer<QFileDialog> dialog = window.findChild<QFileDialog*>();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    // Once from the window, once from the dialog.
    QTest::keyClick(key == Qt::Key_Q ? window.windowHandle() : dialog->windowHandle(), key,
                    Qt::ControlModifier);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(dialog.isNull() || !dialog->isVisible());
  }
}

TEST_F(Form1LoadTest, DropsOfSeveralFilesOrRemoteLinksAreRefused) {
  const QUrl local = QUrl::fromLocalFile(QString::fromStdString(Grid("local.grid", 5, 5)));
  const QList<QUrl> refused[] = {
      {local, local},
      {QUrl("http://example.com/remote.grid")},
      {QUrl("file://otherhost" + local.path())},
      {QUrl("file:local.grid")},
      {QUrl::fromLocalFile(QString::fromStdString(dir.Root().string()))}};
  for (QWidget* target : {static_cast<QWidget*>(&form), static_cast<QWidget*>(&Text1(form))}) {
    for (const QList<QUrl>& urls : refused) {
      EXPECT_FALSE(DragAndDrop(*target, urls));
      EXPECT_FALSE(form.IsLoading());
      EXPECT_EQ(Text1(form).text(), "Filename");
      EXPECT_EQ(Label1(form).text(), "Status");
    }
  }
}

TEST_F(Form1LoadTest, StatusShowsMarkupInNamesAsTyped) {
  const QString status = QStringLiteral("Loading <b>x</b>&amp;<i>y</i>");
  form.SetStatus(status);
  const QLabel& label = Label1(form);
  EXPECT_EQ(label.text(), status);
  // Rendered as rich text, the tags would take no room and the entity would shrink.
  EXPECT_GE(label.sizeHint().width(), label.fontMetrics().horizontalAdvance(status));
}

TEST_F(Form1LoadTest, StatusLabelGrowsTowardsTheRightEdge) {
  const std::string longName(300, 'n');
  form.SetStatus(QString::fromStdString("Loading " + longName));
  EXPECT_EQ(Label1(form).geometry(), QRect(328, 0, 617 - 328, 17));

  form.resize(3000, 503);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  const QLabel& label = Label1(form);
  EXPECT_GT(label.width(), 617 - 328);
  EXPECT_GE(label.contentsRect().width(), label.fontMetrics().horizontalAdvance(label.text()));

  form.SetStatus(QStringLiteral("Error"));
  EXPECT_EQ(Label1(form).geometry(), QRect(328, 0, 129, 17));
}

}  // namespace
}  // namespace tolmer
