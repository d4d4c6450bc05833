#pragma once
// The profile as a table of values: one row per entry, in a window of its own beside the main
// window. Only Y can be typed; the edit goes through the editor as the Y field's does.

#include "EditorState.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QList>

#include <functional>

class QAction;
class QTableView;

// What the table and the diagram's description need from the editor. GUI thread only.
struct TEditorLink {
  // The profiles, ShowBackground and Selected; must outlive the table.
  const TEditorState* State = nullptr;
  // Selects an entry as the entry scroll bar does.
  std::function<void(int entry)> Select;
  // Sets an entry's Y as the Y field does, with the field's refusals, as one undo step.
  std::function<void(int entry, int y)> SetY;
  // Commands of the editor whose shortcuts work in the table window too (Undo, Redo).
  QList<QAction*> Shared;
};

class TProfileTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum TColumn { tcEntry, tcX, tcStick, tcY, tcOutput, tcBreakpoint, tcBackgroundY };

  TProfileTableModel(TEditorLink link, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  // Every cell again; the background column comes and goes with ShowBackground.
  void Refresh();
  // The given rows (all columns), tab-separated, a header row first, each line ended by "\n".
  QString Text(const QList<int>& rows) const;

 private:
  QString Cell(int row, int column) const;
  TEditorLink FLink;
  bool FBackgroundShown = false;
};

// Not modal: the main window stays in use beside it. Escape closes it.
class TTableWnd : public QDialog {
  Q_OBJECT
 public:
  TTableWnd(TEditorLink link, QWidget* parent = nullptr);

  // The editor calls this after every change of the profiles or of the selection.
  void Changed();
  // The selected rows as Text gives them (all rows when none is selected), to the clipboard.
  void CopyRows();

  QTableView* Table;
  TProfileTableModel* Model;

 private:
  void CurrentRowChanged(int row);
  TEditorLink FLink;
  bool FFollowing = false;  // the current row is being set from the editor's selection
};
