// Editing of the foreground profile: mouse on the diagram, fine adjustment, frequencies and
// deadband, and keeping the controls in line with the profile.
#include "Main.h"

#include "DiagramMapping.h"
#include "EntryText.h"
#include "ProfileViews.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QSpinBox>

// Paints the entries from PrevBreak to NextBreak in the erase colour.
void TMainForm::EraseRange() {
  Diagram->DrawCurve(Profile, PrevBreak, NextBreak, csErase);
  Diagram->DrawStapels(Profile, PrevBreak, NextBreak, csErase, 0);
}

// Draws the curve, the bars (and the background bars they may have crossed) of the entries from
// PrevBreak to NextBreak, then the axes.
void TMainForm::DrawRange() {
  Diagram->DrawCurve(Profile, PrevBreak, NextBreak, csNormal);
  Diagram->DrawStapels(Profile, PrevBreak, NextBreak, csNormal, 0);
  if (ShowBackground) Diagram->DrawStapels(BgProfile, PrevBreak, NextBreak, csBackground, 1);
  Diagram->DrawDiagramAxis();
}

// Deletes breakpoint i and redraws the entries from PrevBreak to NextBreak, which the caller set.
void TMainForm::RemoveBreakpoint(int i) {
  TUndoHistory::TStep step(History, *this);
  EraseRange();
  Profile.ClearBreakpoint(i);
  DrawRange();
}

void TMainForm::DiagramMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
  // A second button pressed during a drag would start over with half the state changed.
  if (Dragging) return;
  const int i = FindPoint(Profile, Origin, {x, y});
  if (i <= 0 || i >= Profile.LastIndex()) return;
  History.Begin(*this);  // before the selection moves; a drag's step ends at its release
  PrevBreak = Profile.PrevBreakpoint(i);
  NextBreak = Profile.NextBreakpoint(i);
  Diagram->DrawFineBox();
  Selected = i;

  if (button == Qt::LeftButton && !Profile.InDeadband(i)) {
    EraseRange();
    if (ShowBackground) Diagram->DrawStapels(BgProfile, PrevBreak, NextBreak, csBackground, 1);
    DragPoint = Profile.GetPoint(i);
    Dragging = true;
    Profile.ClearBreakpoint(i);
    DragMinX = Profile.GetPoint(PrevBreak).X + 1;
    DragMaxX = Profile.GetPoint(NextBreak).X - 1;
    Diagram->DrawDragCurve(DragPoint);
    Selected = -1;
  } else if (button == Qt::RightButton && Profile.IsBreakpoint(i)) {
    RemoveBreakpoint(i);
  }
  UpdateButtonStates();
  Diagram->DrawFineBox();
  if (!Dragging) History.End(*this);
}

void TMainForm::DiagramMouseMove(Qt::KeyboardModifiers, int x, int y) {
  if (!Dragging) return;
  const TPoint q = SnapToColumn(Profile, Origin, {x, y});
  if (q.X > DragMaxX || q.X < DragMinX) return;
  Diagram->DrawDragCurve(DragPoint);
  DragPoint = q;
  Diagram->DrawDragCurve(DragPoint);
}

void TMainForm::DiagramMouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
  if (!Dragging) return;
  Dragging = false;
  Diagram->DrawDragCurve(DragPoint);
  const int j = Profile.IndexOfX(DragPoint.X);
  Profile.SetY(j, static_cast<uint8_t>(DragPoint.Y));
  Diagram->DrawCurve(Profile, PrevBreak, NextBreak, csNormal);
  Diagram->DrawStapels(Profile, PrevBreak, NextBreak, csNormal, 0);
  Diagram->DrawDiagramAxis();
  Selected = j;
  Diagram->DrawFineBox();
  UpdateButtonStates();
  History.End(*this);
}

void TMainForm::UpdateButtonStates() {
  ShowBackground1->setChecked(ShowBackground);
  if (Selected >= 0 && Selected <= Profile.LastIndex()) {
    const TPoint p = Profile.GetPoint(Selected);
    CurrX->setText(FineXText(p.X));
    CurrXSB->setValue(Selected);
    CurrY->setValue(p.Y);
  }
  DBandSB->setValue(Profile.GetDeadband());
  DBand->setText(QString::number(Profile.GetDeadband()));
  int forward = 0, brake = 0;
  Profile.GetFrequencies(forward, brake);
  FwdFreq->setCurrentIndex(forward);
  BrkFreq->setCurrentIndex(brake);
  if (Views) Views->Changed();
}

void TMainForm::CurrXSBChange() {
  Diagram->DrawFineBox();
  Selected = CurrXSB->value();
  Diagram->DrawFineBox();
  UpdateButtonStates();
}

void TMainForm::CurrYChange() {
  if (Selected < 0 || Selected > Profile.LastIndex()) return;
  const int y = Profile.GetY(Selected);
  if (Selected == 0 || Selected == Profile.LastIndex() || Profile.InDeadband(Selected)) {
    CurrY->setValue(y);
    return;
  }
  if (CurrY->value() == y) return;
  // Steps on one entry, one after the other, undo together.
  TUndoHistory::TStep step(History, *this, Selected);
  Diagram->DrawFineBox();
  Profile.SetY(Selected, static_cast<uint8_t>(CurrY->value()));
  Diagram->RedrawAll();
  Views->Changed();
}

void TMainForm::FwdFreqChange() {
  TUndoHistory::TStep step(History, *this);
  Profile.SetFrequencies(FwdFreq->currentIndex(), BrkFreq->currentIndex());
  UpdateButtonStates();
}

void TMainForm::DBandSBScroll(int position) {
  TUndoHistory::TStep step(History, *this);
  Profile.SetDeadband(position);
  DBand->setText(QString::number(position));
  Diagram->RedrawAll();
  UpdateButtonStates();
}
