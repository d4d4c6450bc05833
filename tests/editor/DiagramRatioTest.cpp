// The diagram at device pixel ratios other than 1: the same logical geometry, lines that stop
// before their end point, XOR figures that undo themselves, and range redraws that end where a
// full redraw does. One table, ratio 1 included as the reference.
#include "DiagramEditor.h"
#include "DiagramMapping.h"
#include "DiagramSurface.h"
#include "FakeDialogs.h"
#include "Main.h"
#include "ProfileDocument.h"

#include <QAction>

#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr QRgb Silver = 0xC0C0C0, Red = 0xFF0000, Blue = 0x0000FF, Black = 0x000000, Purple = 0x800080,
               Yellow = 0xFFFF00;

class DiagramRatioTest : public ::testing::TestWithParam<double> {
 protected:
  // The window is not shown: nothing paints it, so the ratio stays the one set here.
  DiagramRatioTest() : Form(Dialogs, [] { return std::vector<std::string>{}; }) {
    Form.Editor().View()->SetRatio(GetParam());
  }
  const QImage& Image() const { return Form.Editor().View()->Image(); }
  TDiagramSurface& Surface() const { return Form.Editor().View()->Surface(); }
  // The colours of the device pixels that logical pixel (x, y) covers, when they all agree;
  // otherwise 0x1000000.
  QRgb Block(int x, int y) const {
    const TDiagramSurface& s = Surface();
    const QRgb first = Image().pixel(s.Dev(x), s.Dev(y)) & 0xFFFFFF;
    for (int dy = s.Dev(y); dy < s.Dev(y + 1); ++dy)
      for (int dx = s.Dev(x); dx < s.Dev(x + 1); ++dx)
        if ((Image().pixel(dx, dy) & 0xFFFFFF) != first) return 0x1000000;
    return first;
  }
  TPoint PixelOf(int index) const {
    return ToScreen(Form.Document().State().Origin, Form.Document().State().Profile.GetPoint(index));
  }

  // Range redraws put the bars over the curve where a full redraw puts the curve over the bars,
  // and a square over the first pixels of the next segment; nothing else may differ.
  void ExpectAsFullRedraw() {
    const QImage pieces = Image();
    Form.Editor().View()->RedrawAll();
    const QImage& full = Image();
    ASSERT_EQ(pieces.size(), full.size());
    int differing = 0;
    for (int y = 0; y < full.height(); ++y)
      for (int x = 0; x < full.width(); ++x) {
        const QRgb a = pieces.pixel(x, y) & 0xFFFFFF, b = full.pixel(x, y) & 0xFFFFFF;
        if (a == b) continue;
        ++differing;
        EXPECT_TRUE((a == Blue || a == Purple) && (b == Black || b == Purple))
            << "device pixel (" << x << ", " << y << ") " << std::hex << a << " instead of " << b;
      }
    EXPECT_LT(differing, 100 * GetParam() * GetParam());
  }

  TFakeDialogs Dialogs;
  TMainForm Form;
};

TEST_P(DiagramRatioTest, TheImageHoldsTheRatioInTheSameLogicalGeometry) {
  const double r = GetParam();
  EXPECT_EQ(Image().size(), QSize(Surface().Dev(741), Surface().Dev(280)));
  EXPECT_EQ(Image().devicePixelRatio(), r);
  EXPECT_NEAR(Image().width(), 741 * r, 0.5);
  // Axes, ticks, bars and squares cover whole logical pixels: the ones of the picture at ratio 1.
  struct {
    int X, Y;
    QRgb Colour;
  } const pixels[] = {
      {367, 26, Red},     {367, 257, Red},   {367, 25, Silver},  {367, 258, Silver}, {35, 250, Red},
      {699, 250, Red},    {34, 250, Silver}, {700, 250, Silver}, {82, 257, Red},     {83, 253, Silver},
      {374, 46, Red},     {375, 46, Silver}, {210, 146, Blue},   {210, 249, Blue},   {210, 140, Silver},
      {211, 200, Silver}, {672, 43, Purple}, {677, 48, Purple},  {673, 44, Silver},  {671, 43, Silver},
  };
  for (const auto& p : pixels) EXPECT_EQ(Block(p.X, p.Y), p.Colour) << p.X << ", " << p.Y;
}

TEST_P(DiagramRatioTest, LinesPaintTheirStartAndNotTheirEndAndUndoThemselvesInXor) {
  const TPoint from{100, 100};
  const TPoint ends[] = {{140, 100}, {60, 100}, {100, 140}, {100, 60}, {140, 137}, {63, 137}, {140, 63},  {63, 63},
                         {105, 190}, {95, 10},  {190, 95},  {10, 105}, {120, 120}, {80, 120}, {101, 101}, {100, 101}};
  TDiagramSurface& s = Surface();
  for (const TPoint& to : ends) {
    SCOPED_TRACE(testing::Message() << "to " << to.X << ", " << to.Y);
    s.SetBrush(Silver);
    s.FillRect(0, 0, s.Width(), s.Height());
    s.SetBrushOff();
    const QImage before = Image();
    s.SetPenMode(pmXor);
    s.SetPenColor(0x008000);
    s.MoveTo(from.X, from.Y);
    s.LineTo(to.X, to.Y);
    EXPECT_EQ(s.PenPos(), QPoint(to.X, to.Y));
    auto touched = [&](int x, int y) {
      int n = 0;
      for (int dy = s.Dev(y); dy < s.Dev(y + 1); ++dy)
        for (int dx = s.Dev(x); dx < s.Dev(x + 1); ++dx) n += (Image().pixel(dx, dy) & 0xFFFFFF) != Silver;
      return n;
    };
    EXPECT_GT(touched(from.X, from.Y), 0);
    EXPECT_EQ(touched(to.X, to.Y), 0);
    // Every touched pixel took the XOR colour once: none stays silver inside a solid run.
    int changed = 0;
    for (int y = 0; y < Image().height(); ++y)
      for (int x = 0; x < Image().width(); ++x)
        if ((Image().pixel(x, y) & 0xFFFFFF) != Silver) {
          ++changed;
          EXPECT_EQ(Image().pixel(x, y) & 0xFFFFFF, Silver ^ 0x008000u);
        }
    // One device line of pixels at least per device line along the major axis.
    const int major = std::max(std::abs(to.X - from.X), std::abs(to.Y - from.Y));
    EXPECT_GE(changed, s.Dev(major) - s.Dev(0));
    s.MoveTo(from.X, from.Y);
    s.LineTo(to.X, to.Y);
    EXPECT_EQ(Image(), before);
    s.SetPenMode(pmCopy);
  }
}

TEST_P(DiagramRatioTest, TheSelectionBoxAndTheRubberBandUndoThemselves) {
  Form.Document().State().Selected = 16;
  Form.Editor().View()->RedrawAll();
  EXPECT_EQ(Block(213, 140), Yellow);  // a corner of the box around (210, 144)
  const QImage with = Image();
  Form.Editor().View()->DrawFineBox();
  EXPECT_EQ(Block(213, 140), Silver);
  Form.Editor().View()->DrawFineBox();
  EXPECT_EQ(Image(), with);

  Form.Document().State().Selected = -1;
  Form.Editor().View()->RedrawAll();
  Form.Document().State().PrevBreak = 1;
  Form.Document().State().NextBreak = 32;
  const QImage before = Image();
  Form.Editor().View()->DrawDragCurve({30, 200});
  EXPECT_NE(Image(), before);
  Form.Editor().View()->DrawDragCurve({30, 200});
  EXPECT_EQ(Image(), before);
}

TEST_P(DiagramRatioTest, MouseEditsInLogicalPixelsEndAsAFullRedraw) {
  // Entry 62 lies on the line between two breakpoints: pick it up, move it, drop it higher.
  const TPoint p = PixelOf(62);
  Form.Editor().DiagramMouseDown(Qt::LeftButton, {}, p.X, p.Y);
  ASSERT_TRUE(Form.Document().State().Dragging);
  const QImage band = Image();
  for (int x = p.X - 30; x <= p.X + 20; x += 5) Form.Editor().DiagramMouseMove({}, x, 100);
  Form.Editor().DiagramMouseMove({}, p.X + 20, 100);
  Form.Editor().DiagramMouseUp(Qt::LeftButton, {}, p.X + 20, 100);
  EXPECT_TRUE(Form.Document().State().Profile.IsBreakpoint(66));
  EXPECT_EQ(PixelOf(66).Y, 100);
  ExpectAsFullRedraw();
  EXPECT_NE(Image(), band);

  // A right click deletes that breakpoint again, redrawing its range only.
  const TPoint q = PixelOf(66);
  Form.Editor().DiagramMouseDown(Qt::RightButton, {}, q.X + 1, q.Y - 1);
  Form.Editor().DiagramMouseUp(Qt::RightButton, {}, q.X + 1, q.Y - 1);
  EXPECT_FALSE(Form.Document().State().Profile.IsBreakpoint(66));
  ExpectAsFullRedraw();

  // Showing and hiding the background redraws the bars of all entries and the curve over them.
  Form.Document().State().BgProfile.SetY(16, 40);
  Form.findChild<QAction*>("ShowBGCurve")->trigger();
  ExpectAsFullRedraw();
  Form.findChild<QAction*>("ShowBGCurve")->trigger();
  ExpectAsFullRedraw();
}

TEST_P(DiagramRatioTest, ARatioChangeDuringADragRedrawsItsPictureAndTheDragGoesOn) {
  Form.Editor().View()->SetRatio(1);
  const TPoint p = PixelOf(62);
  Form.Editor().DiagramMouseDown(Qt::LeftButton, {}, p.X, p.Y);
  Form.Editor().DiagramMouseMove({}, p.X - 10, 120);
  Form.Editor().View()->SetRatio(GetParam());
  EXPECT_EQ(Image().devicePixelRatio(), GetParam());
  const QImage moved = Image();
  Form.Editor().View()->DrawDragCurve(Form.Document().State().DragPoint);  // the band stands where the drag left it
  Form.Editor().View()->DrawDragCurve(Form.Document().State().DragPoint);
  EXPECT_EQ(Image(), moved);
  Form.Editor().DiagramMouseMove({}, p.X + 10, 90);
  Form.Editor().DiagramMouseUp(Qt::LeftButton, {}, p.X + 10, 90);
  EXPECT_EQ(FromScreen(Form.Document().State().Origin, {p.X + 10, 90}).Y,
            Form.Document().State().Profile.GetPoint(64).Y);
  ExpectAsFullRedraw();
}

// The window's ratio is checked when the diagram is painted: a picture held at another ratio
// is drawn again at the widget's before it reaches the screen.
TEST(DiagramRatio, APaintDrawsThePictureAgainAtTheWidgetsRatio) {
  TEditorState state;
  state.Profile.Clear();
  state.BgProfile.Clear();
  state.Profile.DetectDeadband();
  TDiagramView view(state);
  view.RedrawAll();
  const QImage atOne = view.Image();
  view.SetRatio(2);
  ASSERT_EQ(view.Image().devicePixelRatio(), 2);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  view.repaint();
  EXPECT_EQ(view.Image().devicePixelRatio(), view.devicePixelRatioF());
  EXPECT_EQ(view.Image(), atOne);
}

INSTANTIATE_TEST_SUITE_P(Ratios, DiagramRatioTest, ::testing::Values(1.0, 1.25, 1.5, 2.0, 3.0),
                         [](const auto& info) { return "x" + std::to_string(int(info.param * 100)); });

}  // namespace
