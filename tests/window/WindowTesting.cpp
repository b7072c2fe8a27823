// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#include "WindowTesting.h"

#include <QFile>
#include <QPalette>
#include <QTest>
#include <iomanip>
#include <sstream>

namespace tolmer::testing {

QImage Grab(QWidget& window) {
  return window.grab().toImage().convertToFormat(QImage::Format_RGBX8888);
}

Colour PixelOf(const QImage& image, int x, int y) {
  const QRgb pixel = image.pixel(x, y);
  return MakeColour(static_cast<std::uint32_t>(qRed(pixel)),
                    static_cast<std::uint32_t>(qGreen(pixel)),
                    static_cast<std::uint32_t>(qBlue(pixel)));
}

Colour BackgroundOf(const QWidget& window) {
  const QColor colour = window.palette().color(QPalette::Window);
  return MakeColour(static_cast<std::uint32_t>(colour.red()),
                    static_cast<std::uint32_t>(colour.green()),
                    static_cast<std::uint32_t>(colour.blue()));
}

::testing::AssertionResult ShowsPicture(const QImage& shot, const MemorySurface& expected,
                                        Colour background, int firstRow) {
  long differences = 0;
  std::ostringstream first;
  for (int y = firstRow; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) {
      const bool inPicture = x < expected.Width() && y < expected.Height();
      const Colour wanted = inPicture ? expected.PixelAt(x, y) : background;
      const Colour seen = PixelOf(shot, x, y);
      if (seen != wanted && differences++ == 0) {
        first << "first at (" << x << ", " << y << "): 0x" << std::hex << std::setfill('0')
              << std::setw(6) << seen << " instead of 0x" << std::setw(6) << wanted;
      }
    }
  }
  if (differences == 0) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << differences << " pixels differ, " << first.str();
}

void WindowTest::ShowAndActivate(QWidget& window) {
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

void WindowTest::ShowFile(Form1& window, const std::string& name) {
  QLineEdit& text = Text1(window);
  QTest::mouseClick(&text, Qt::LeftButton);
  text.selectAll();
  QTest::keyClicks(&text, QFile::decodeName(QByteArray::fromStdString(name)));
  ClickShow(window);
}

void WindowTest::ClickShow(Form1& window) {
  // Through the window, as the window system delivers it, so that an open popup
  // such as the completion list sees the click first.
  const QPushButton& button = Command1(window);
  QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {},
                    button.mapTo(&window, button.rect().center()));
  WaitForLoads(window);
}

void WindowTest::WaitForLoads(Form1& window) {
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window.IsLoading(); }, 30000))
      << "the load did not end";
}

std::string WindowTest::Grid(const std::string& name, std::int32_t width, std::int32_t height,
                             const CellMaker& makeCell) {
  const std::string path = dir.Path(name);
  WriteGrid(path, width, height, makeCell);
  return path;
}

}  // namespace tolmer::testing
