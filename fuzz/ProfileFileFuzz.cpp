// Any bytes as the content of a profile file (.spp): load it, then run every profile operation on whatever was
// loaded, checking the properties the editor relies on. A violated property aborts, which the
// fuzzer reports as a finding together with the input.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>

#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzSupport.h"
#include "SpedV4Device.h"

namespace {

struct TSnapshot {
  TCurvePoint Points[TSpeedoDevice::TableSize];
  int Deadband, Fwd, Brk;
};

// Everything a profile holds, read through its public operations (entries 0..LastIndex()).
TSnapshot Take(const TSpeedoDevice& p) {
  TSnapshot s{};
  for (int i = 0; i <= p.LastIndex(); ++i) {
    const TPoint pt = p.GetPoint(i);
    s.Points[i] = TCurvePoint{uint8_t(pt.X), uint8_t(pt.Y), uint8_t(p.IsBreakpoint(i))};
  }
  s.Deadband = p.Deadband();
  p.GetFrequencies(s.Fwd, s.Brk);
  return s;
}

bool Same(const TSnapshot& a, const TSnapshot& b, int last) {
  for (int i = 0; i <= last; ++i)
    if (a.Points[i].X != b.Points[i].X || a.Points[i].Y != b.Points[i].Y ||
        a.Points[i].Breakpoint != b.Points[i].Breakpoint)
      return false;
  return a.Deadband == b.Deadband && a.Fwd == b.Fwd && a.Brk == b.Brk;
}

bool StandardLayout(const TSpeedoDevice& p) {
  for (int i = 0; i <= p.LastIndex(); ++i)
    if (p.GetPoint(i).X != (i < 32 ? 2 * i : i + 32)) return false;
  return true;
}

// Between two neighbouring breakpoints every derived entry lies on the straight line joining
// them, so its output stays within theirs.
void CheckInterpolated(const TSpeedoDevice& p) {
  const int n = p.LastIndex();
  int b = 0;
  while (b < n) {
    const int c = p.NextBreakpoint(b);
    FuzzCheck(c > b && c <= n, "NextBreakpoint does not move forward");
    FuzzCheck(p.PrevBreakpoint(c) == b, "PrevBreakpoint disagrees with NextBreakpoint");
    const int lo = std::min(p.GetY(b), p.GetY(c));
    const int hi = std::max(p.GetY(b), p.GetY(c));
    for (int i = b + 1; i < c; ++i) FuzzCheck(lo <= p.GetY(i) && p.GetY(i) <= hi, "derived entry outside its segment");
    b = c;
  }
}

// The settings in range and the stick positions increasing; IndexOfX finds a few entries that the
// input picks (all of them would cost more than everything else together).
void CheckSettings(const TSpeedoDevice& p, FuzzedDataProvider& in) {
  int fwd = -1, brk = -1;
  p.GetFrequencies(fwd, brk);
  FuzzCheck(0 <= p.Deadband() && p.Deadband() <= p.MaxDeadband(), "deadband level out of range");
  FuzzCheck(0 <= fwd && fwd <= p.LastFrequencyIndex(), "forward frequency out of range");
  FuzzCheck(0 <= brk && brk <= p.LastFrequencyIndex(), "brake frequency out of range");
  for (int i = 1; i <= p.LastIndex(); ++i)
    FuzzCheck(p.GetPoint(i).X > p.GetPoint(i - 1).X, "stick positions do not increase");
  for (int k = 0; k < 3; ++k) {
    const int i = in.ConsumeIntegralInRange(0, p.LastIndex());
    FuzzCheck(p.IndexOfX(p.GetPoint(i).X) == i, "IndexOfX does not find the entry");
  }
}

// Saves over the given file content and loads the result into a fresh profile: nothing may
// change, and saving that copy again must give the same text.
void CheckRoundTrip(const TSpeedoDevice& p, std::string_view file) {
  const std::string first = p.SaveToText(file);
  TSpedV4Device q;
  FuzzCheck(q.LoadFromText(first) == 0, "a saved profile does not load");
  FuzzCheck(Same(Take(p), Take(q), p.LastIndex()), "save and load changed the profile");
  FuzzCheck(q.SaveToText(first) == first, "saving a loaded profile again changed the file");
}

void FitAndCompare(const TSpeedoDevice& p, double tolerance) {
  TSpedV4Device fitted;
  fitted.Assign(p);
  fitted.FitCurve(tolerance);
  FuzzCheck(fitted.Deadband() == 0, "FitCurve kept a deadband level");
  CheckInterpolated(fitted);
  // Every entry ends within the tolerance of its old output, plus the rounding to whole steps.
  for (int i = 0; i <= p.LastIndex(); ++i)
    FuzzCheck(std::abs(fitted.GetY(i) - p.GetY(i)) <= tolerance + 0.5 + 1e-9, "FitCurve strayed too far");
}

// Interpolation moves derived entries only: an entry shown as a breakpoint keeps its output.
void CheckInterpolate(TSpeedoDevice& p) {
  const int n = p.LastIndex();
  const TSnapshot loaded = Take(p);
  p.Interpolate();
  FuzzCheck(p.IsBreakpoint(0) && p.IsBreakpoint(n), "the ends are not breakpoints");
  for (int i = 1; i < n; ++i)
    if (loaded.Points[i].Breakpoint) FuzzCheck(p.GetY(i) == loaded.Points[i].Y, "Interpolate moved a breakpoint");
  CheckInterpolated(p);
}

void CheckDeadband(const TSpeedoDevice& p, int level) {
  TSpedV4Device probe;
  probe.Assign(p);
  probe.DetectDeadband();
  FuzzCheck(0 <= probe.Deadband() && probe.Deadband() <= probe.MaxDeadband(), "detected level out of range");
  probe.Assign(p);
  probe.SetDeadband(level);
  FuzzCheck(probe.Deadband() == level, "SetDeadband did not take the level");
  CheckInterpolated(probe);
  if (StandardLayout(probe)) {
    for (int i = 0; i <= probe.LastIndex(); ++i)
      if (probe.InDeadband(i)) FuzzCheck(probe.GetY(i) == 0, "entry in the deadband is not at zero");
    probe.DetectDeadband();
    // Every level pins the entry at stick position 64; neighbours that happen to be zero too
    // may make the detected level higher.
    FuzzCheck(probe.Deadband() >= std::max(level, 1), "detected level below the one set");
  }
}

void CheckNeighbours(const TSpeedoDevice& p, int i) {
  const int n = p.LastIndex();
  const int prev = p.PrevBreakpoint(i), next = p.NextBreakpoint(i);
  FuzzCheck(0 <= prev && prev <= std::max(i - 1, 0), "PrevBreakpoint out of range");
  FuzzCheck(std::min(i + 1, n) <= next && next <= n, "NextBreakpoint out of range");
}

// Edits as the mouse and the fine-adjustment controls make them.
void Edit(TSpedV4Device& p, FuzzedDataProvider& in) {
  const int n = p.LastIndex();
  const int index = in.ConsumeIntegralInRange(0, n);
  const uint8_t value = in.ConsumeIntegral<uint8_t>();
  if (in.ConsumeBool() && index != 0 && index != n) {
    p.ClearBreakpoint(index);
    FuzzCheck(!p.IsBreakpoint(index), "ClearBreakpoint kept the breakpoint");
  } else {
    p.SetY(index, value);
    FuzzCheck(p.GetY(index) == value && p.IsBreakpoint(index), "SetY did not take the value");
  }
  CheckInterpolated(p);
}

// The loaded profile is interpolated first (as the editor draws it); then the input picks a
// sequence of operations, each followed by the checks of its properties. Running every operation
// on every input would spend most of the time repeating what earlier inputs have covered.
void RunOperations(TSpedV4Device& p, FuzzedDataProvider& in) {
  for (int i = 0; i <= p.LastFrequencyIndex(); ++i) FuzzCheck(!p.FrequencyName(i).empty(), "empty name");
  CheckInterpolate(p);
  constexpr double tolerances[] = {0.0, 0.5, 1.5, 7.25, 300.0};
  const int steps = in.ConsumeIntegralInRange(0, 8);
  for (int k = 0; k < steps && in.remaining_bytes() > 0; ++k) {
    switch (in.ConsumeIntegralInRange(0, 5)) {
      case 0: CheckDeadband(p, in.ConsumeIntegralInRange(0, p.MaxDeadband())); break;
      case 1: FitAndCompare(p, tolerances[in.ConsumeIntegralInRange(0, 4)]); break;
      case 2: CheckNeighbours(p, in.ConsumeIntegralInRange(0, p.LastIndex())); break;
      case 3: CheckInterpolate(p); break;
      default: Edit(p, in); break;
    }
  }
  const int freq = in.ConsumeIntegralInRange(0, p.LastFrequencyIndex());
  p.SetFrequencies(freq, freq);
  p.SetDeadband(in.ConsumeIntegralInRange(0, p.MaxDeadband()));
  CheckSettings(p, in);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The file's content as the profile reads it, in place (so a read past its end is caught); the
  // file system itself is left to the unit tests.
  const std::string_view file(reinterpret_cast<const char*>(data), size);

  // The profile a file is loaded into differs from the default, so that a refused file visibly
  // leaves it alone; it is made once, as each input starts from a copy.
  struct TStart : TSpedV4Device {
    TStart() {
      Clear();
      SetY(40, 123);
    }
  };
  static const TStart start;
  static const TSnapshot before = Take(start);
  TSpedV4Device p;
  p.Assign(start);
  const int result = p.LoadFromText(file);
  FuzzCheck(result == 0 || result == 1, "LoadFromText returned neither 0 nor 1");
  if (result == 1) {
    FuzzCheck(Same(before, Take(p), p.LastIndex()), "a refused file changed the profile");
    return 0;
  }
  FuzzedDataProvider in(data, size);
  CheckSettings(p, in);
  // The table as loaded, before any interpolation, on every fourth input.
  if (in.ConsumeIntegralInRange(0, 3) == 0) CheckRoundTrip(p, file);
  RunOperations(p, in);
  CheckRoundTrip(p, file);
  return 0;
}
