#pragma once
// One profile entry in words and figures, as the fine adjustment, the profile table and the
// diagram's description for assistive tools show it. Pure functions: no window is needed.

#include "SpeedoDevice.h"

#include <QString>

// The stick position as the X field shows it: X - 63, signed (-63..64 in the V4 layout; never 0).
QString FineXText(int x);
// The stick position as the diagram's lower axis marks it: 0 % at neutral (X = 63.5), -100 % at
// X = 0 (the brake end), 100 % at X = 127; one decimal.
QString StickPercentText(int x);
// The output as the diagram's upright axis marks it: Y 0..255 as 0 % to 100 %; one decimal.
QString OutputPercentText(int y);
// Whether the Y field edits entry i: not the first, not the last, not inside the deadband.
bool YEditable(const TSpeedoDevice& profile, int i);
// The selected entry in one sentence: its index, X, Y, output in percent and whether it is a
// breakpoint (and lies in the deadband). `selected` < 0 or beyond LastIndex: no entry selected.
QString EntryDescription(const TSpeedoDevice& profile, int selected);
