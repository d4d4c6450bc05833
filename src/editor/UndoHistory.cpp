#include "UndoHistory.h"

TUndoHistory::TSnapshot::TSnapshot(const TEditorState& state)
    : ShowBackground(state.ShowBackground), Selected(state.Selected) {
  Profile.Assign(state.Profile);
  BgProfile.Assign(state.BgProfile);
}

// The selection alone is no change worth a step.
bool TUndoHistory::TSnapshot::SameEdit(const TEditorState& state) const {
  return Profile.SameAs(state.Profile) && BgProfile.SameAs(state.BgProfile) && ShowBackground == state.ShowBackground;
}

void TUndoHistory::TSnapshot::RestoreTo(TEditorState& state) const {
  state.Profile.Assign(Profile);
  state.BgProfile.Assign(BgProfile);
  state.ShowBackground = ShowBackground;
  state.Selected = Selected;
}

void TUndoHistory::Push(TStack& stack, std::unique_ptr<TSnapshot> snapshot) {
  stack.push_back(std::move(snapshot));
  if (stack.size() > Capacity) stack.pop_front();
}

void TUndoHistory::Begin(const TEditorState& state) {
  if (FDepth++ == 0) FBefore = std::make_unique<TSnapshot>(state);
}

void TUndoHistory::End(const TEditorState& state, int mergeKey) {
  if (FDepth == 0 || --FDepth > 0) return;
  std::unique_ptr<TSnapshot> before = std::move(FBefore);
  if (before->SameEdit(state)) return;
  const bool merge = mergeKey >= 0 && mergeKey == FLastMergeKey && CanUndo();
  if (!merge) Push(FUndo, std::move(before));
  FLastMergeKey = mergeKey;
  FRedo.clear();
  Changed();
}

bool TUndoHistory::Step(TStack& from, TStack& to, TEditorState& state) {
  if (from.empty() || FDepth > 0) return false;
  Push(to, std::make_unique<TSnapshot>(state));
  from.back()->RestoreTo(state);
  from.pop_back();
  FLastMergeKey = -1;
  Changed();
  return true;
}

bool TUndoHistory::Undo(TEditorState& state) { return Step(FUndo, FRedo, state); }
bool TUndoHistory::Redo(TEditorState& state) { return Step(FRedo, FUndo, state); }

void TUndoHistory::Changed() {
  if (OnChange) OnChange();
}
