#pragma once
// The control panel under the toolbar: the fine adjustment of the selected entry (X, Y and the
// scroll bar through the entries), the forward and brake frequencies, the deadband, and the group
// box the port list sits in. UpdateButtonStates brings every control in line with the profile.
// GUI thread only.

#include "CommandRunner.h"

#include <QObject>

#include <functional>

class QAction;
class QComboBox;
class QFrame;
class QGroupBox;
class QLineEdit;
class QScrollBar;
class QSpinBox;
class QWidget;
class TDiagramEditor;
class TProfileDocument;

class TControlPanel : public QObject {
  Q_OBJECT
 public:
  // The panel is placed in `parent` at `top`; `showBackground` is the menu item whose check mark
  // follows the background's display. The controls' handlers run through `command`.
  TControlPanel(QWidget* parent, int top, TProfileDocument& document, TDiagramEditor& editor, QAction* showBackground,
                const TCommandRunner& command);

  // The "Port" group box, for the port list.
  QGroupBox* PortBox() const { return GroupBox5; }
  // The read-only fields, which a key filter may watch.
  QList<QWidget*> Fields() const;

  // Fills both frequency lists with the profile's frequency names, the first selected.
  void LoadFrequencies();
  void UpdateButtonStates();
  // As the scroll bar's arrows and the Y field's arrows do, kept to their ranges.
  void MoveSelection(int delta);
  void StepY(int delta);
  // Selects an entry as the entry scroll bar does; sets the selected entry's Y as the Y field does.
  void SelectEntry(int entry);
  void SetYField(int y);
  // Called after the controls were brought in line with a change of the profiles or the selection.
  std::function<void()> OnChanged;

  void CurrXSBChange();
  void CurrYChange();
  void FwdFreqChange();
  void DBandSBScroll(int position);

 private:
  void CreateFineAdjustment();
  void CreateFrequencies();
  void CreateDeadband();
  void Connect(const TCommandRunner& command);

  TProfileDocument& FDocument;
  TDiagramEditor& FEditor;
  QAction* ShowBackground1;
  QFrame* Panel1;
  QGroupBox* GroupBox1;
  QGroupBox* GroupBox2;
  QGroupBox* GroupBox3;
  QGroupBox* GroupBox5;
  QLineEdit* CurrX;
  QSpinBox* CurrY;
  QScrollBar* CurrXSB;
  QComboBox* FwdFreq;
  QComboBox* BrkFreq;
  QLineEdit* DBand;
  QScrollBar* DBandSB;
};
