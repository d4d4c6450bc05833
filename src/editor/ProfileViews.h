#pragma once
// What the main window offers the keyboard and assistive tools beyond its own controls: the
// profile table window, the diagram's description kept current, and a name for every control.
// The editor calls Changed after every change of the profiles or of the selection.

#include "TableWnd.h"

#include <QObject>
#include <QString>

class TDiagramView;

class TProfileViews : public QObject {
  Q_OBJECT
 public:
  // Names the controls of `window` (found by their object names) and puts the diagram into the
  // tab order. `window` owns this object.
  TProfileViews(TEditorLink link, TDiagramView* diagram, QWidget* window);

  void Changed();
  // Shows the table window beside the main window, creating it on first use, and activates it.
  void ShowTable();
  TTableWnd* Table() const { return FTable; }

 private:
  TEditorLink FLink;
  TDiagramView* FDiagram;
  QWidget* FWindow;
  TTableWnd* FTable = nullptr;
  QString FDescription;  // the diagram's description as last announced
};
