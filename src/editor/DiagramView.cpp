#include "DiagramView.h"

#include "DiagramMapping.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

TDiagramView::TDiagramView(const TEditorState& state, QWidget* parent)
    : QWidget(parent), FState(state), FSurface(ImageWidth, ImageHeight) {
  setObjectName(QStringLiteral("Diagram"));
  setFixedSize(ImageWidth, ImageHeight);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
}

TPoint TDiagramView::Screen(const TSpeedoDevice& profile, int index) const {
  return ToScreen(FState.Origin, profile.GetPoint(index));
}

// Ranges are clamped with the foreground profile's last index; both profiles share one layout.
void TDiagramView::ClampRange(int& first, int& last) const {
  const int lastIndex = FState.Profile.LastIndex();
  if (first < 0) first = 0;
  if (first > lastIndex) first = lastIndex;
  if (last > lastIndex) last = lastIndex;
  if (first > last) last = first;
}

void TDiagramView::DrawStapels(const TSpeedoDevice& profile, int first, int last, TColorSet set, int offset) {
  ClampRange(first, last);
  FSurface.SetPenColor(set == csErase    ? DiagramColors::Silver
                       : set == csNormal ? DiagramColors::Bar
                                         : DiagramColors::BgBar);
  for (int i = first; i <= last; ++i) {
    const TPoint p = Screen(profile, i);
    FSurface.MoveTo(p.X + offset, FState.Origin.Y);
    FSurface.LineTo(p.X + offset, p.Y);
  }
  update();
}

void TDiagramView::DrawCurve(const TSpeedoDevice& profile, int first, int last, TColorSet set) {
  ClampRange(first, last);
  const TPoint start = Screen(profile, first);
  FSurface.MoveTo(start.X, start.Y);
  for (int i = first; i <= last; ++i) {
    if (!profile.IsBreakpoint(i)) continue;
    const TPoint p = Screen(profile, i);
    FSurface.SetPenColor(set == csErase ? DiagramColors::Silver : DiagramColors::Square);
    FSurface.Rectangle(p.X - 3, p.Y - 3, p.X + 3, p.Y + 3);
    FSurface.SetPenColor(set == csErase ? DiagramColors::Silver : DiagramColors::Line);
    FSurface.LineTo(p.X, p.Y);
  }
  update();
}

void TDiagramView::DrawDiagramAxis() {
  const TPoint o = FState.Origin;
  const TSpeedoDevice& profile = FState.Profile;
  // W: width of the stick range in pixels; half of it is the neutral point X = 63.5.
  const double w = std::nearbyint(5.0 * profile.GetPoint(profile.LastIndex()).X);
  const int wi = static_cast<int>(w);
  const int cx = static_cast<int>(std::trunc(o.X + w / 2));
  FSurface.SetPenColor(DiagramColors::Axis);

  FSurface.MoveTo(cx, o.Y - 224);
  FSurface.LineTo(cx, o.Y + 8);
  FSurface.MoveTo(o.X - 15, o.Y);
  FSurface.LineTo(o.X + wi + 15, o.Y);

  // 21 ticks, one per tenth of each half of the stick travel 0..127: 31.75 pixels apart.
  for (int i = 0; i <= 20; ++i) {
    const int column = RoundHalfEven(4LL * o.X + 127LL * i, 4);
    FSurface.MoveTo(column, o.Y);
    FSurface.LineTo(column, o.Y + 8);
  }
  // 11 ticks, one per tenth of the output range 0..255: 20.4 pixels apart.
  const int tickEnd = static_cast<int>(std::trunc(o.X + w / 2 + 8));
  for (int i = 0; i <= 10; ++i) {
    const int row = RoundHalfEven(5LL * o.Y - 102LL * i, 5);
    FSurface.MoveTo(cx, row);
    FSurface.LineTo(tickEnd, row);
  }

  const int labelColumn = static_cast<int>(std::trunc(o.X + w / 2 + 12));
  FSurface.TextOut(labelColumn, o.Y - 204 - 8, QStringLiteral("100%"));
  FSurface.TextOut(labelColumn, o.Y - 102 - 8, QStringLiteral(" 50%"));
  // The stick labels stand at fixed places: both ends, both halves and neutral.
  const int row = o.Y + 9;
  FSurface.TextOut(RoundHalfEven(4LL * (o.X - 12), 4), row, QStringLiteral("100%"));
  FSurface.TextOut(RoundHalfEven(4LL * (o.X + 635 - 12), 4), row, QStringLiteral("100%"));
  FSurface.TextOut(RoundHalfEven(4LL * o.X + 635 - 48, 4), row, QStringLiteral(" 50%"));
  FSurface.TextOut(RoundHalfEven(4LL * o.X + 1905 - 48, 4), row, QStringLiteral(" 50%"));
  FSurface.TextOut(RoundHalfEven(4LL * o.X + 1270 - 16, 4), row, QStringLiteral("0%"));
  update();
}

void TDiagramView::DrawFineBox() {
  if (FState.Selected < 0) return;
  const TPoint p = Screen(FState.Profile, FState.Selected);
  const TPenMode mode = FSurface.PenMode();
  FSurface.SetPenMode(pmXor);
  FSurface.SetPenColor(DiagramColors::FineBox);
  FSurface.Rectangle(p.X - 4, p.Y - 4, p.X + 4, p.Y + 4);
  FSurface.SetPenMode(mode);
  update();
}

void TDiagramView::DrawDragCurve(const TPoint& point) {
  const TPoint a = Screen(FState.Profile, FState.PrevBreak);
  const TPoint b = Screen(FState.Profile, FState.NextBreak);
  const TPoint d = ToScreen(FState.Origin, point);
  const TPenMode mode = FSurface.PenMode();
  FSurface.SetPenMode(pmXor);
  FSurface.SetPenColor(DiagramColors::RubberBand);
  FSurface.MoveTo(a.X, a.Y);
  FSurface.LineTo(d.X, d.Y);
  FSurface.Rectangle(d.X - 3, d.Y - 3, d.X + 3, d.Y + 3);
  FSurface.LineTo(b.X, b.Y);
  FSurface.SetPenMode(mode);
  update();
}

void TDiagramView::RedrawAll() {
  FSurface.SetBrush(DiagramColors::Silver);
  FSurface.FillRect(0, 0, FSurface.Width(), FSurface.Height());
  FSurface.SetBrushOff();
  const int last = FState.Profile.LastIndex();
  DrawStapels(FState.Profile, 0, last, csNormal, 0);
  if (FState.ShowBackground) DrawStapels(FState.BgProfile, 0, FState.BgProfile.LastIndex(), csBackground, 1);
  DrawCurve(FState.Profile, 0, last, csNormal);
  DrawDiagramAxis();
  DrawFineBox();
}

void TDiagramView::SetRatio(double ratio) {
  if (std::max(1.0, ratio) == FSurface.Ratio()) return;
  FSurface = TDiagramSurface(ImageWidth, ImageHeight, ratio);
  RedrawAll();
  if (FState.Dragging) {
    // As the drag's start left it: its range erased, the background bars over it, the band.
    DrawCurve(FState.Profile, FState.PrevBreak, FState.NextBreak, csErase);
    DrawStapels(FState.Profile, FState.PrevBreak, FState.NextBreak, csErase, 0);
    if (FState.ShowBackground) DrawStapels(FState.BgProfile, FState.PrevBreak, FState.NextBreak, csBackground, 1);
    DrawDragCurve(FState.DragPoint);
  }
}

// A change of the screen's ratio repaints the whole window, so the check here catches every one;
// the image is then copied one image pixel to one device pixel.
void TDiagramView::paintEvent(QPaintEvent*) {
  SetRatio(devicePixelRatioF());
  QPainter painter(this);
  painter.drawImage(QPointF(0, 0), FSurface.Image());
}

// Qt 6.4 tells a widget that its window went to another screen with ScreenChangeInternal (6.6
// adds DevicePixelRatioChange); the repaint draws the picture at that screen's ratio.
bool TDiagramView::event(QEvent* event) {
  if (event->type() == QEvent::ScreenChangeInternal) update();
  return QWidget::event(event);
}

void TDiagramView::mousePressEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (OnMouseDown) OnMouseDown(event->button(), event->modifiers(), p.x(), p.y());
}

void TDiagramView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (OnMouseMove) OnMouseMove(event->modifiers(), p.x(), p.y());
}

void TDiagramView::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (OnMouseUp) OnMouseUp(event->button(), event->modifiers(), p.x(), p.y());
}

void TDiagramView::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }

void TDiagramView::keyPressEvent(QKeyEvent* event) {
  if (OnKeyDown && OnKeyDown(event->key(), event->modifiers()))
    event->accept();
  else
    QWidget::keyPressEvent(event);
}
