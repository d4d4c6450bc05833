#pragma once

#include "EditorState.h"
#include "UndoHistory.h"

#include <QString>

struct TShape;

// The profile being edited, without any widget: the editor's state, its undo history and the file
// name, and the whole-profile operations of the commands. Each operation that changes the profiles
// is one undo step. The window redraws and brings the controls in line after an operation.
class TProfileDocument {
 public:
  TEditorState& State() { return FState; }
  const TEditorState& State() const { return FState; }
  TUndoHistory& History() { return FHistory; }

  // Both profiles back to the defaults, no background shown, entry 0 selected (not an undo step:
  // New makes it one).
  void Clear();
  void New();
  // Loads the profile from `name`; false, leaving the profile as it was, when it cannot be read.
  // The file name is the window's to set, with its caption.
  bool Open(const QString& name);
  void Save();
  bool IsUntitled() const { return FState.FileName == TEditorState::Untitled; }
  void Exchange();
  void Fit();
  // The whole table from the shape, then the breakpoints it does not need are dropped; the deadband
  // keeps its level and so its entries stay pinned at zero.
  void Shape(const TShape& shape);
  // Loads the profile from the text Save writes; false, leaving the profile as it was, for a text
  // that holds none.
  bool Paste(const QString& text);
  // Undo and Redo put a step back; false, changing nothing, when there is none. The file name stays:
  // it names the file that Save writes, not the state.
  bool Undo() { return FHistory.Undo(FState); }
  bool Redo() { return FHistory.Redo(FState); }

 private:
  TEditorState FState;
  TUndoHistory FHistory;
};
