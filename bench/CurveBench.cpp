// The cost of the portable extended arithmetic against the x87 long double for an interpolation
// of the whole V4 table: the same loop as the profile's Interpolate, once with each arithmetic,
// on the default profile (few segments) and on a table where every other entry is a breakpoint
// (a division per two entries). Also the profile's own Interpolate, which uses the portable one.

#include "BenchTiming.h"
#include "CurveArithmetic.h"
#include "SpedV4Device.h"

#include <cstdio>
#include <limits>
#include <vector>

namespace {

constexpr int Entries = 96;
constexpr int Repeats = 20000;  // interpolations per timed run

struct TTable {
  TCurvePoint Points[Entries];
};

TTable TableOf(const TSpeedoDevice& p) {
  TTable t{};
  for (int i = 0; i < Entries; ++i)
    t.Points[i] = TCurvePoint{uint8_t(p.GetPoint(i).X), uint8_t(p.GetY(i)), uint8_t(p.IsBreakpoint(i))};
  return t;
}

template <class Ext>
void InterpolateWith(TTable& t) {
  using TMath = TCurveArithmetic<Ext>;
  int b = 0;
  for (int c = 1; c < Entries; ++c) {
    if (t.Points[c].Breakpoint != 1) continue;
    const TCurvePoint &pb = t.Points[b], &pc = t.Points[c];
    const double slope = TMath::Slope(int(pc.Y) - int(pb.Y), int(pc.X) - int(pb.X));
    const double intercept = TMath::Intercept(pb.Y, pb.X, slope);
    for (int i = b + 1; i < c; ++i)
      t.Points[i].Y = uint8_t(RoundToInteger(TMath::Value(t.Points[i].X, slope, intercept)) & 0xFF);
    b = c;
  }
}

// Nanoseconds per whole-table interpolation, median of several runs.
template <class Work>
double NsPerInterpolation(Work work) {
  return MedianMs(9,
                  [&] {
                    for (int r = 0; r < Repeats; ++r) work();
                  }) *
         1e6 / Repeats;
}

volatile uint8_t Sink;

void Report(const char* name, const TTable& table, TSpedV4Device& profile) {
  TTable portable = table;
  const double ext = NsPerInterpolation([&] {
    InterpolateWith<TExtended>(portable);
    Sink = portable.Points[40].Y;
  });
  const double device = NsPerInterpolation([&] {
    profile.Interpolate();
    Sink = uint8_t(profile.GetY(40));
  });
  std::printf("%-28s portable %8.0f ns", name, ext);
#if defined(__x86_64__) || defined(__i386__)
  static_assert(std::numeric_limits<long double>::digits == 64);
  TTable x87 = table;
  const double native = NsPerInterpolation([&] {
    InterpolateWith<long double>(x87);
    Sink = x87.Points[40].Y;
  });
  std::printf("   x87 %8.0f ns   ratio %5.2f", native, ext / native);
#endif
  std::printf("   TSpeedoDevice::Interpolate %8.0f ns\n", device);
}

}  // namespace

int main() {
  TSpedV4Device profile;
  profile.Clear();
  Report("default profile", TableOf(profile), profile);
  for (int i = 2; i < Entries - 1; i += 2) profile.SetBreakpoint(i);
  Report("every other a breakpoint", TableOf(profile), profile);
  return 0;
}
