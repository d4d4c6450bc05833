#pragma once

#include "SpedV4Device.h"

#include <QString>

// The editor's state for the whole run: the two profiles, the selection, the file name and the
// state of a breakpoint drag. The profile document holds it; the diagram reads it to draw; only the
// diagram editor writes the drag's part.
struct TEditorState {
  inline static const QString Untitled = QStringLiteral("noname.spp");  // the name before any Save As

  TSpedV4Device Profile;    // the profile that is edited, saved, loaded and transferred
  TSpedV4Device BgProfile;  // the background profile, shown as bars for comparison
  bool ShowBackground = false;
  int Selected = 0;  // entry in the selection box; -1 for none (also during a drag)
  QString FileName = Untitled;
  TPoint Origin{50, 250};  // diagram pixel of stick position 0 at output 0

  // Breakpoint drag. DragPoint is a profile point (X value, Y value); PrevBreak and NextBreak
  // are entry indices; DragMinX..DragMaxX is the range of X values the drag may reach.
  bool Dragging = false;
  TPoint DragPoint;
  int PrevBreak = 0;
  int NextBreak = 0;
  int DragMinX = 0;
  int DragMaxX = 0;
};
