#pragma once
// The arithmetic of the curve: every slope, intercept and deviation is formed with a 64-bit
// significand and then stored as a double; values on a line are formed the same way from the
// stored doubles. `Ext` is TExtended, or long double where that is the x87 extended format (the
// tests and the benchmark compare the two).

#include <cmath>
#include <cstdint>
#include <limits>

#include "Extended.h"

inline double ToDouble(const TExtended& v) { return v.ToDouble(); }
inline int64_t RoundToInteger(const TExtended& v) { return v.RoundToInteger(); }

inline double ToDouble(long double v) { return static_cast<double>(v); }
inline int64_t RoundToInteger(long double v) { return std::llrint(v); }
inline long double Abs(long double v) { return std::fabs(v); }

template <class Ext>
struct TCurveArithmetic {
  // dy / dx; dx is never 0.
  static double Slope(int dy, int dx) { return ToDouble(Ext(int64_t(dy)) / Ext(int64_t(dx))); }

  // The line's value at x = 0: yb - xb * slope.
  static double Intercept(int yb, int xb, double slope) {
    return ToDouble(Ext(int64_t(yb)) - Ext(int64_t(xb)) * Ext(slope));
  }

  // The line's value at x, before rounding to an integer.
  static Ext Value(int x, double slope, double intercept) { return Ext(int64_t(x)) * Ext(slope) + Ext(intercept); }

  // How far y lies from the line through (0, yb) with the slope, dx to the right of its start.
  static double Deviation(int y, int dx, double slope, int yb) {
    return ToDouble(Abs(Ext(int64_t(y)) - (Ext(int64_t(dx)) * Ext(slope) + Ext(int64_t(yb)))));
  }
};

// The arithmetic the profile uses: the hardware's where long double is the x87 extended format
// (two to five times faster, and the same bits), the portable one everywhere else.
#if defined(__x86_64__) || defined(__i386__)
static_assert(std::numeric_limits<long double>::digits == 64, "x87 extended long double expected on x86");
using TCurveMath = TCurveArithmetic<long double>;
#else
using TCurveMath = TCurveArithmetic<TExtended>;
#endif
