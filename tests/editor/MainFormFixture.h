#pragma once

#include "ControlPanel.h"
#include "ControllerCommands.h"
#include "DiagramEditor.h"
#include "DiagramMapping.h"
#include "FakeDialogs.h"
#include "Main.h"

#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

// A shown main window whose modal windows are answered by TFakeDialogs. Mouse events go through
// the window, as the platform delivers them, so Qt's pointer grab takes part.
class MainFormTest : public ::testing::Test {
 protected:
  MainFormTest() : Form(Dialogs, [] { return std::vector<std::string>{}; }) {
    Form.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&Form));
  }
  ~MainFormTest() override {
    // QTest keeps the held buttons globally; a failed test must not leave one pressed.
    for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
      if (Held & b) QTest::mouseRelease(Form.windowHandle(), b, {}, QPoint(1, 1));
  }

  QPoint InWindow(QPoint pixel) const { return Form.Editor().View()->mapTo(&Form, pixel); }
  void Press(Qt::MouseButton b, QPoint pixel) {
    Held |= b;
    QTest::mousePress(Form.windowHandle(), b, {}, InWindow(pixel));
  }
  void Move(QPoint pixel) { QTest::mouseMove(Form.windowHandle(), InWindow(pixel)); }
  void Release(Qt::MouseButton b, QPoint pixel) {
    Held &= ~b;
    QTest::mouseRelease(Form.windowHandle(), b, {}, InWindow(pixel));
  }
  void Click(Qt::MouseButton b, QPoint pixel) {
    Press(b, pixel);
    Release(b, pixel);
  }

  // The pixel of a profile entry.
  QPoint PixelOf(int index) const {
    const TPoint p = ToScreen(Form.Document().State().Origin, Form.Document().State().Profile.GetPoint(index));
    return {p.X, p.Y};
  }
  QRgb At(int x, int y) const { return Form.Editor().View()->Image().pixel(x, y) & 0xFFFFFF; }
  int Count(QRgb colour) const {
    const QImage& image = Form.Editor().View()->Image();
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) n += (image.pixel(x, y) & 0xFFFFFF) == colour;
    return n;
  }
  // The image a full redraw gives for the present state; piecewise drawing must end there too.
  QImage Redrawn() {
    Form.Editor().View()->RedrawAll();
    return Form.Editor().View()->Image();
  }

  // Mouse edits redraw their range with the curve first and the bars over it, where a full
  // redraw puts the curve over the bars; and the square at the end of the range covers the first
  // pixels of the next, untouched segment. Apart from that the image must be the full redraw's.
  void ExpectRedrawnUpToBarsOverCurve() {
    const QImage pieces = Form.Editor().View()->Image();
    const QImage full = Redrawn();
    int differing = 0;
    for (int y = 0; y < pieces.height(); ++y)
      for (int x = 0; x < pieces.width(); ++x) {
        const QRgb a = pieces.pixel(x, y) & 0xFFFFFF, b = full.pixel(x, y) & 0xFFFFFF;
        if (a == b) continue;
        ++differing;
        EXPECT_TRUE((a == 0x0000FF || a == 0x800080) && (b == 0x000000 || b == 0x800080))
            << "pixel (" << x << ", " << y << ") " << std::hex << a << " instead of " << b;
      }
    EXPECT_LT(differing, 100);
  }

  TFakeDialogs Dialogs;
  TMainForm Form;
  Qt::MouseButtons Held;
};
