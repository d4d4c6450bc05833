#include "DiagramMapping.h"
#include "DiagramView.h"

#include <gtest/gtest.h>

namespace {

constexpr QRgb Silver = 0xC0C0C0, Red = 0xFF0000, Blue = 0x0000FF, Black = 0x000000, Purple = 0x800080,
               Yellow = 0xFFFF00;

class DiagramViewTest : public ::testing::Test {
 protected:
  DiagramViewTest() : View(State) {
    State.Profile.Clear();
    State.BgProfile.Clear();
    State.Profile.DetectDeadband();
  }
  QRgb At(int x, int y) const { return View.Image().pixel(x, y) & 0xFFFFFF; }
  TPoint Pixel(int index) const { return ToScreen(State.Origin, State.Profile.GetPoint(index)); }
  int CountColour(QRgb colour) const {
    int n = 0;
    for (int y = 0; y < View.Image().height(); ++y)
      for (int x = 0; x < View.Image().width(); ++x) n += At(x, y) == colour;
    return n;
  }

  TEditorState State;
  TDiagramView View;
};

TEST_F(DiagramViewTest, AxesAndTicksStandAtTheirPixels) {
  View.RedrawAll();
  // Vertical axis from row 26 to row 257 in column 367 (the end point 258 is not painted).
  EXPECT_EQ(At(367, 26), Red);
  EXPECT_EQ(At(367, 150), Red);
  EXPECT_EQ(At(367, 257), Red);
  EXPECT_EQ(At(367, 25), Silver);
  EXPECT_EQ(At(367, 258), Silver);
  // Horizontal axis from column 35 to 699 in row 250.
  EXPECT_EQ(At(35, 250), Red);
  EXPECT_EQ(At(699, 250), Red);
  EXPECT_EQ(At(34, 250), Silver);
  EXPECT_EQ(At(700, 250), Silver);
  const int columns[] = {50,  82,  114, 145, 177, 209, 240, 272, 304, 336, 368,
                         399, 431, 463, 494, 526, 558, 590, 622, 653, 685};
  for (int c : columns) {
    EXPECT_EQ(At(c, 251), Red) << c;
    EXPECT_EQ(At(c, 257), Red) << c;
    EXPECT_EQ(At(c, 258), Silver) << c;
  }
  EXPECT_EQ(At(83, 253), Silver);
  EXPECT_EQ(At(113, 253), Silver);
  const int rows[] = {250, 230, 209, 189, 168, 148, 128, 107, 87, 66, 46};
  for (int r : rows) {
    EXPECT_EQ(At(368, r), Red) << r;
    EXPECT_EQ(At(374, r), Red) << r;
    EXPECT_EQ(At(375, r), r == 250 ? Red : Silver) << r;
  }
  EXPECT_EQ(At(370, 229), Silver);
}

TEST_F(DiagramViewTest, LabelsAreBlackTextWithoutBackgroundBox) {
  View.RedrawAll();
  auto blackIn = [&](int x0, int y0, int w, int h) {
    int n = 0;
    for (int y = y0; y < y0 + h; ++y)
      for (int x = x0; x < x0 + w; ++x) n += At(x, y) == Black;
    return n;
  };
  // "100%" at (379, 38), " 50%" at (379, 140); stick labels in row 259.
  EXPECT_GT(blackIn(379, 38, 30, 14), 10);
  EXPECT_GT(blackIn(379, 140, 30, 14), 10);
  for (int column : {38, 673, 197, 514, 364}) EXPECT_GT(blackIn(column, 259, 30, 14), 5) << column;
  EXPECT_EQ(blackIn(0, 259, 36, 21), 0);  // nothing left of the first label
  EXPECT_EQ(At(379, 38), Silver);         // the corner of the text box stays background
  EXPECT_EQ(At(364, 259), Silver);
}

TEST_F(DiagramViewTest, BarsHangFromTheBaselineToTheirEntry) {
  View.RedrawAll();
  const TPoint p16 = Pixel(16);  // X 32, Y 132: column 210, row 144
  EXPECT_EQ(p16, (TPoint{210, 144}));
  EXPECT_EQ(At(210, 249), Blue);
  EXPECT_EQ(At(210, 146), Blue);
  EXPECT_EQ(At(210, 140), Silver);
  // The baseline pixel of a bar is painted first, then the axis covers it.
  EXPECT_EQ(At(210, 250), Red);
  // Entry 32 has Y 0: its bar paints nothing above the baseline.
  EXPECT_EQ(At(370, 249), Silver);
}

TEST_F(DiagramViewTest, BreakpointsCarryHollowPurpleSquaresAndTheCurveJoinsThem) {
  View.RedrawAll();
  // Breakpoint entry 93 at (675, 46): outline 672..677 x 43..48; the selection box is at entry 0.
  const TPoint p = Pixel(93);
  EXPECT_EQ(p, (TPoint{675, 46}));
  EXPECT_EQ(At(672, 43), Purple);
  EXPECT_EQ(At(677, 48), Purple);
  EXPECT_EQ(At(678, 46), Black);  // the line from 93 on to 95 starts in the square's centre
  EXPECT_EQ(At(673, 44), Silver);
  EXPECT_EQ(At(671, 43), Silver);
  // A derived entry gets no square; the line passes through its pixel.
  EXPECT_EQ(Pixel(62), (TPoint{520, 150}));
  EXPECT_EQ(At(520, 150), Black);
  EXPECT_EQ(At(517, 147), Silver);
}

TEST_F(DiagramViewTest, SelectionBoxIsYellowOnSilverAndUndoesItself) {
  State.Selected = 16;
  View.RedrawAll();
  EXPECT_EQ(At(213, 140), Yellow);  // corners of the box around (210, 144)
  EXPECT_EQ(At(206, 147), Yellow);
  EXPECT_EQ(At(214, 140), Silver);
  const QImage with = View.Image();
  View.DrawFineBox();
  EXPECT_EQ(At(213, 140), Silver);
  EXPECT_EQ(CountColour(Yellow), 0);
  View.DrawFineBox();
  EXPECT_EQ(View.Image(), with);

  State.Selected = -1;
  const QImage before = View.Image();
  View.DrawFineBox();
  EXPECT_EQ(View.Image(), before);
}

TEST_F(DiagramViewTest, RubberBandDrawnTwiceLeavesTheImageUnchanged) {
  State.Selected = -1;
  View.RedrawAll();
  State.PrevBreak = 1;
  State.NextBreak = 32;
  const QImage before = View.Image();
  View.DrawDragCurve({30, 200});
  EXPECT_NE(View.Image(), before);
  const TPoint d = ToScreen(State.Origin, {30, 200});  // (200, 90)
  EXPECT_EQ(At(d.X - 3, d.Y - 3), 0xC0C0C0u ^ 0x008000u);
  EXPECT_EQ(At(60, 46), 0x008000u);  // starts at entry 1's pixel, black under the band
  View.DrawDragCurve({30, 200});
  EXPECT_EQ(View.Image(), before);
}

TEST_F(DiagramViewTest, BackgroundBarsStandOneColumnRightOfTheForegroundBars) {
  State.Selected = -1;
  State.BgProfile.SetY(16, 40);  // makes the background differ from the foreground
  View.RedrawAll();
  EXPECT_EQ(At(211, 240), Silver);
  State.ShowBackground = true;
  View.RedrawAll();
  const TPoint bg = ToScreen(State.Origin, State.BgProfile.GetPoint(16));
  EXPECT_EQ(bg.Y, 218);
  EXPECT_EQ(At(211, 240), Black);
  EXPECT_EQ(At(211, 219), Black);  // a bar stops short of its entry's row
  EXPECT_EQ(At(211, 218), Silver);
  EXPECT_EQ(At(210, 240), Blue);  // the foreground bar is not covered
}

TEST_F(DiagramViewTest, RangesAreClampedAndAReversedRangeDrawsItsFirstEntry) {
  TDiagramSurface& s = View.Surface();
  s.SetBrush(Silver);
  s.FillRect(0, 0, s.Width(), s.Height());
  s.SetBrushOff();
  View.DrawStapels(State.Profile, 16, 10, csNormal, 0);
  EXPECT_EQ(CountColour(Blue), 250 - 144);
  EXPECT_EQ(At(210, 200), Blue);
  View.DrawCurve(State.Profile, 93, 5, csNormal);  // only entry 93, a breakpoint: its square
  EXPECT_EQ(CountColour(Purple), 20);
  EXPECT_EQ(CountColour(Black), 0);
  View.DrawStapels(State.Profile, -7, 0, csNormal, 0);  // entry 0 only
  EXPECT_EQ(At(50, 100), Blue);
  EXPECT_EQ(At(60, 100), Silver);
  View.DrawStapels(State.Profile, 200, 300, csErase, 0);  // clamped to the last entry
  EXPECT_EQ(At(685, 100), Silver);
}

TEST_F(DiagramViewTest, TheEraseSetPaintsSilverWhereTheNormalSetPainted) {
  State.Selected = -1;
  View.RedrawAll();
  View.DrawCurve(State.Profile, 0, 95, csErase);
  View.DrawStapels(State.Profile, 0, 95, csErase, 0);
  EXPECT_EQ(CountColour(Blue), 0);
  EXPECT_EQ(CountColour(Purple), 0);
  EXPECT_EQ(At(520, 150), Silver);
}

}  // namespace
