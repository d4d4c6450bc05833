#pragma once

#include "EditorState.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>

// The steps that Undo and Redo walk: each step keeps the editor state from before a change (both
// profiles whole, ShowBackground and Selected). The file name is not part of it. GUI thread only.
class TUndoHistory {
 public:
  static constexpr size_t Capacity = 1000;  // the oldest step is dropped beyond this

  // Runs after every change of what can be undone or redone (to enable or disable the commands).
  std::function<void()> OnChange;

  // A change from Begin to End is one step, recorded only when it changed the profiles or
  // ShowBackground. Calls nest: only the outermost pair records, so a command that runs others
  // still makes one step. Consecutive steps with the same merge key (>= 0) make one step.
  void Begin(const TEditorState& state);
  void End(const TEditorState& state, int mergeKey = -1);

  bool CanUndo() const { return !FUndo.empty(); }
  bool CanRedo() const { return !FRedo.empty(); }
  // Put the state of the step back into `state` and keep the present one for the way back.
  // False, changing nothing, when there is no such step.
  bool Undo(TEditorState& state);
  bool Redo(TEditorState& state);

  // One step as a scope: Begin on construction, End on destruction.
  class TStep {
   public:
    TStep(TUndoHistory& history, const TEditorState& state, int mergeKey = -1)
        : FHistory(history), FState(state), FMergeKey(mergeKey) {
      FHistory.Begin(FState);
    }
    ~TStep() { FHistory.End(FState, FMergeKey); }
    TStep(const TStep&) = delete;
    TStep& operator=(const TStep&) = delete;

   private:
    TUndoHistory& FHistory;
    const TEditorState& FState;
    int FMergeKey;
  };

 private:
  struct TSnapshot {
    explicit TSnapshot(const TEditorState& state);
    bool SameEdit(const TEditorState& state) const;
    void RestoreTo(TEditorState& state) const;
    TSpeedoDevice Profile, BgProfile;
    bool ShowBackground;
    int Selected;
  };
  using TStack = std::deque<std::unique_ptr<TSnapshot>>;
  static void Push(TStack& stack, std::unique_ptr<TSnapshot> snapshot);
  bool Step(TStack& from, TStack& to, TEditorState& state);
  void Changed();

  TStack FUndo, FRedo;
  std::unique_ptr<TSnapshot> FBefore;  // the state at the outermost Begin
  int FDepth = 0;
  int FLastMergeKey = -1;  // merge key of the step on top of FUndo, while nothing came after it
};
