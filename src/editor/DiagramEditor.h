#pragma once
// The diagram editor: the diagram view, the breakpoint drag, the mouse and the keys on the diagram,
// and the XOR drawing of the selection box. The box is on the image exactly while no change is
// under way: every change of the selection or of the drawn profile goes through WithBoxHidden (or
// Select), which takes the box off where the state puts it and draws it again from the new state.
// GUI thread only.

#include "CommandRunner.h"
#include "DiagramView.h"

#include <QObject>

#include <functional>
#include <utility>

class QWidget;
class TProfileDocument;

class TDiagramEditor : public QObject {
  Q_OBJECT
 public:
  // `guarded` runs the mouse handlers (a drag's release must always arrive), `command` the keys.
  TDiagramEditor(TProfileDocument& document, TCommandRunner guarded, TCommandRunner command, QObject* parent);

  // The view, to be placed by the window; the window's scroll box takes it over.
  TDiagramView* View() const { return Diagram; }
  bool Dragging() const;

  // After a change of the controls' values or of the state: the window brings the panel in line.
  std::function<void()> OnChange;
  // Left and Right move the selection as the scroll bar does; Up and Down (Page Up and Page Down by
  // ten) step the selected entry's Y as the Y field does.
  std::function<void(int delta)> OnMoveSelection;
  std::function<void(int delta)> OnStepY;

  void RedrawAll() { Diagram->RedrawAll(); }
  // Moves the selection box to entry `index` (-1: none).
  void Select(int index);
  template <typename F>
  void WithBoxHidden(F&& change) {
    Diagram->DrawFineBox();
    std::forward<F>(change)();
    Diagram->DrawFineBox();
  }
  // Shows or hides the background profile's bars, drawn over the present image.
  void ToggleBackground();
  // The diagram without the selection box.
  QImage ImageWithoutBox();

  void DiagramMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
  void DiagramMouseMove(Qt::KeyboardModifiers shift, int x, int y);
  void DiagramMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
  // A key pressed on the diagram; false for keys it leaves to others.
  bool DiagramKeyDown(int key);

 private:
  void EraseRange();
  void DrawRange();
  void RemoveBreakpoint(int i);
  void StartDrag(int i);
  void Changed();

  TProfileDocument& FDocument;
  TCommandRunner FCommand;
  TDiagramView* Diagram;
};
