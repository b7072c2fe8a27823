// SPDX-FileCopyrightText: 2026 Quindel
// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <string>

#include "grid/GridFormat.h"
#include "render/MemorySurface.h"
#include "support/GridFiles.h"
#include "support/TempDir.h"
#include "window/Form1.h"

namespace tolmer::testing {

// The rows below the controls, where only the map and background may appear.
inline constexpr int kFirstMapAreaRow = 19;

// The window's client area as it is drawn now, in R, G, B, X bytes per pixel.
QImage Grab(QWidget& window);
Colour PixelOf(const QImage& image, int x, int y);
Colour BackgroundOf(const QWidget& window);

// Passes when every pixel of `shot` from `firstRow` down equals `expected` where
// both have it, and is `background` wherever only the shot has it.
::testing::AssertionResult ShowsPicture(const QImage& shot, const MemorySurface& expected,
                                        Colour background, int firstRow = kFirstMapAreaRow);

// Base for tests of a Form1: a scratch directory for grids and access to the controls.
class WindowTest : public ::testing::Test {
 protected:
  // Shows the window and waits until it is on screen with the input focus.
  static void ShowAndActivate(QWidget& window);

  static QLineEdit& Text1(QWidget& window) { return Child<QLineEdit>(window, "Text1"); }
  static QPushButton& Command1(QWidget& window) { return Child<QPushButton>(window, "Command1"); }
  static QLabel& Label1(QWidget& window) { return Child<QLabel>(window, "Label1"); }

  // Types the name into Text1 and clicks "Show" the way a user would, then waits
  // until the load has ended.
  static void ShowFile(Form1& window, const std::string& name);
  static void ClickShow(Form1& window);
  // Waits until every load the window has started or queued has ended.
  static void WaitForLoads(Form1& window);

  std::string Grid(const std::string& name, std::int32_t width, std::int32_t height,
                   const CellMaker& makeCell = Hills);

  TempDir dir;

 private:
  template <typename Control>
  static Control& Child(QWidget& window, const char* name) {
    auto* control = window.findChild<Control*>(QString::fromLatin1(name));
    if (control == nullptr) {
      throw std::logic_error(std::string("no control named ") + name);
    }
    return *control;
  }
};

}  // namespace tolmer::testing
