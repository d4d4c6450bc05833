#include "DiagramEditor.h"

#include "DiagramMapping.h"
#include "ProfileDocument.h"

TDiagramEditor::TDiagramEditor(TProfileDocument& document, TCommandRunner guarded, TCommandRunner command,
                               QObject* parent)
    : QObject(parent), FDocument(document), FCommand(std::move(command)), Diagram(new TDiagramView(document.State())) {
  Diagram->OnMouseDown = [this, guarded](Qt::MouseButton b, Qt::KeyboardModifiers s, int x, int y) {
    guarded([&] { DiagramMouseDown(b, s, x, y); });
  };
  Diagram->OnMouseMove = [this, guarded](Qt::KeyboardModifiers s, int x, int y) {
    guarded([&] { DiagramMouseMove(s, x, y); });
  };
  Diagram->OnMouseUp = [this, guarded](Qt::MouseButton b, Qt::KeyboardModifiers s, int x, int y) {
    guarded([&] { DiagramMouseUp(b, s, x, y); });
  };
  Diagram->OnKeyDown = [this](int key, Qt::KeyboardModifiers) { return DiagramKeyDown(key); };
}

bool TDiagramEditor::Dragging() const { return FDocument.State().Dragging; }

void TDiagramEditor::Changed() {
  if (OnChange) OnChange();
}

void TDiagramEditor::Select(int index) {
  WithBoxHidden([&] { FDocument.State().Selected = index; });
}

void TDiagramEditor::ToggleBackground() {
  TEditorState& s = FDocument.State();
  WithBoxHidden([&] {
    const int last = s.Profile.LastIndex();
    s.ShowBackground = !s.ShowBackground;
    Diagram->DrawStapels(s.BgProfile, 0, last, s.ShowBackground ? csBackground : csErase, 1);
    Diagram->DrawCurve(s.Profile, 0, last, csNormal);
    Diagram->DrawDiagramAxis();
  });
}

QImage TDiagramEditor::ImageWithoutBox() {
  QImage image;
  WithBoxHidden([&] { image = Diagram->Image().copy(); });
  return image;
}

// Paints the entries from PrevBreak to NextBreak in the erase colour.
void TDiagramEditor::EraseRange() {
  const TEditorState& s = FDocument.State();
  Diagram->DrawCurve(s.Profile, s.PrevBreak, s.NextBreak, csErase);
  Diagram->DrawStapels(s.Profile, s.PrevBreak, s.NextBreak, csErase, 0);
}

// Draws the curve, the bars (and the background bars they may have crossed) of the entries from
// PrevBreak to NextBreak, then the axes.
void TDiagramEditor::DrawRange() {
  const TEditorState& s = FDocument.State();
  Diagram->DrawCurve(s.Profile, s.PrevBreak, s.NextBreak, csNormal);
  Diagram->DrawStapels(s.Profile, s.PrevBreak, s.NextBreak, csNormal, 0);
  if (s.ShowBackground) Diagram->DrawStapels(s.BgProfile, s.PrevBreak, s.NextBreak, csBackground, 1);
  Diagram->DrawDiagramAxis();
}

// Deletes breakpoint i and redraws the entries from PrevBreak to NextBreak, which the caller set.
void TDiagramEditor::RemoveBreakpoint(int i) {
  TUndoHistory::TStep step(FDocument.History(), FDocument.State());
  EraseRange();
  FDocument.State().Profile.ClearBreakpoint(i);
  DrawRange();
}

// Takes breakpoint i off the curve and draws the rubber band in its place; no entry is selected
// until the release.
void TDiagramEditor::StartDrag(int i) {
  TEditorState& s = FDocument.State();
  EraseRange();
  if (s.ShowBackground) Diagram->DrawStapels(s.BgProfile, s.PrevBreak, s.NextBreak, csBackground, 1);
  s.DragPoint = s.Profile.GetPoint(i);
  s.Dragging = true;
  s.Profile.ClearBreakpoint(i);
  s.DragMinX = s.Profile.GetPoint(s.PrevBreak).X + 1;
  s.DragMaxX = s.Profile.GetPoint(s.NextBreak).X - 1;
  Diagram->DrawDragCurve(s.DragPoint);
  s.Selected = -1;
}

void TDiagramEditor::DiagramMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
  TEditorState& s = FDocument.State();
  // A second button pressed during a drag would start over with half the state changed.
  if (s.Dragging) return;
  const int i = FindPoint(s.Profile, s.Origin, {x, y});
  if (i <= 0 || i >= s.Profile.LastIndex()) return;
  FDocument.History().Begin(s);  // before the selection moves; a drag's step ends at its release
  s.PrevBreak = s.Profile.PrevBreakpoint(i);
  s.NextBreak = s.Profile.NextBreakpoint(i);
  WithBoxHidden([&] {
    s.Selected = i;
    if (button == Qt::LeftButton && !s.Profile.InDeadband(i))
      StartDrag(i);
    else if (button == Qt::RightButton && s.Profile.IsBreakpoint(i))
      RemoveBreakpoint(i);
    Changed();
  });
  if (!s.Dragging) FDocument.History().End(s);
}

void TDiagramEditor::DiagramMouseMove(Qt::KeyboardModifiers, int x, int y) {
  TEditorState& s = FDocument.State();
  if (!s.Dragging) return;
  const TPoint q = SnapToColumn(s.Profile, s.Origin, {x, y});
  if (q.X > s.DragMaxX || q.X < s.DragMinX) return;
  Diagram->DrawDragCurve(s.DragPoint);
  s.DragPoint = q;
  Diagram->DrawDragCurve(s.DragPoint);
}

void TDiagramEditor::DiagramMouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
  TEditorState& s = FDocument.State();
  if (!s.Dragging) return;
  s.Dragging = false;
  Diagram->DrawDragCurve(s.DragPoint);
  const int j = s.Profile.IndexOfX(s.DragPoint.X);
  s.Profile.SetY(j, static_cast<uint8_t>(s.DragPoint.Y));
  Diagram->DrawCurve(s.Profile, s.PrevBreak, s.NextBreak, csNormal);
  Diagram->DrawStapels(s.Profile, s.PrevBreak, s.NextBreak, csNormal, 0);
  Diagram->DrawDiagramAxis();
  Select(j);  // the box was off during the drag (no entry selected)
  Changed();
  FDocument.History().End(s);
}

// Left and Right move the selection, Up and Down (Page Up and Page Down by ten) step the selected
// entry's Y, both as the panel's controls do, with their refusals; Delete removes a selected
// breakpoint as a right click does.
bool TDiagramEditor::DiagramKeyDown(int key) {
  int move = 0, step = 0;
  switch (key) {
    case Qt::Key_Left: move = -1; break;
    case Qt::Key_Right: move = 1; break;
    case Qt::Key_Up: step = 1; break;
    case Qt::Key_Down: step = -1; break;
    case Qt::Key_PageUp: step = 10; break;
    case Qt::Key_PageDown: step = -10; break;
    case Qt::Key_Delete: break;
    default: return false;
  }
  FCommand([&] {
    TEditorState& s = FDocument.State();
    if (move != 0) {
      if (OnMoveSelection) OnMoveSelection(move);
    } else if (step != 0) {
      if (OnStepY) OnStepY(step);
    } else if (s.Selected > 0 && s.Selected < s.Profile.LastIndex() && s.Profile.IsBreakpoint(s.Selected)) {
      s.PrevBreak = s.Profile.PrevBreakpoint(s.Selected);
      s.NextBreak = s.Profile.NextBreakpoint(s.Selected);
      WithBoxHidden([&] {
        RemoveBreakpoint(s.Selected);
        Changed();
      });
    }
  });
  return true;
}
