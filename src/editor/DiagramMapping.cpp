#include "DiagramMapping.h"

#include <cstdlib>

int RoundHalfEven(long long num, long long den) {
  long long q = num / den;
  long long r = num % den;
  if (r < 0) {  // floor division, so that 0 <= r < den
    r += den;
    --q;
  }
  if (2 * r > den || (2 * r == den && (q & 1) != 0)) ++q;
  return static_cast<int>(q);
}

// Exact rational arithmetic: 0.8 pixel per unit is 4/5, so a row is origin - 4Y/5 and a Y value
// is 5 * (origin - row) / 4. Floating point would turn 7.5 into 7.4999... and round it down.
TPoint ToScreen(const TPoint& origin, const TPoint& point) {
  return {5 * point.X + origin.X, RoundHalfEven(5LL * origin.Y - 4LL * point.Y, 5)};
}

TPoint FromScreen(const TPoint& origin, const TPoint& pixel) {
  return {RoundHalfEven(static_cast<long long>(pixel.X) - origin.X, 5),
          RoundHalfEven(5LL * (static_cast<long long>(origin.Y) - pixel.Y), 4)};
}

int FindPoint(const TSpeedoDevice& profile, const TPoint& origin, const TPoint& pointer) {
  for (int i = 0; i <= profile.LastIndex(); ++i) {
    const TPoint p = ToScreen(origin, profile.GetPoint(i));
    if (std::abs(p.X - pointer.X) < 3 && std::abs(p.Y - pointer.Y) < 3) return i;
  }
  return -1;
}

TPoint SnapToColumn(const TSpeedoDevice& profile, const TPoint& origin, const TPoint& pointer) {
  long long bestDistance = 100000;
  int best = 0;
  for (int i = 0; i <= profile.LastIndex(); ++i) {
    const long long d = std::llabs(static_cast<long long>(ToScreen(origin, profile.GetPoint(i)).X) - pointer.X);
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  int y = FromScreen(origin, pointer).Y;
  if (y > 255) y = 255;
  if (y < 0) y = 0;
  return {profile.GetPoint(best).X, y};
}
