#pragma once

#include "SpeedoDevice.h"

// Mapping between profile points (X 0..127 to the right, Y 0..255 upward) and diagram pixels:
// 5 pixels per X unit, 0.8 pixel per Y unit, origin = pixel of X 0, Y 0. Conversions round to
// the nearest integer with halves to even; nothing is clamped.

// num / den rounded to the nearest integer, halves to the even neighbour (den > 0).
int RoundHalfEven(long long num, long long den);

TPoint ToScreen(const TPoint& origin, const TPoint& point);
TPoint FromScreen(const TPoint& origin, const TPoint& pixel);

// Index of the first entry of the profile whose pixel lies less than 3 pixels from the pointer in
// both directions, or -1.
int FindPoint(const TSpeedoDevice& profile, const TPoint& origin, const TPoint& pointer);

// The X value of the entry whose column is nearest to the pointer (ties keep the lower index)
// and the pointer's Y value clamped to 0..255.
TPoint SnapToColumn(const TSpeedoDevice& profile, const TPoint& origin, const TPoint& pointer);
