// Any bytes as a profile file (.spp): load it, then run every profile operation on whatever was
// loaded, checking the properties the editor relies on. A violated property aborts, which the
// fuzzer reports as a finding together with the input.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

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
    for (int i = b + 1; i < c; ++i)
      FuzzCheck(lo <= p.GetY(i) && p.GetY(i) <= hi, "derived entry outside its segment");
    b = c;
  }
}

void CheckSettings(const TSpeedoDevice& p) {
  int fwd = -1, brk = -1;
  p.GetFrequencies(fwd, brk);
  FuzzCheck(0 <= p.Deadband() && p.Deadband() <= p.MaxDeadband(), "deadband level out of range");
  FuzzCheck(0 <= fwd && fwd <= p.LastFrequencyIndex(), "forward frequency out of range");
  FuzzCheck(0 <= brk && brk <= p.LastFrequencyIndex(), "brake frequency out of range");
  for (int i = 1; i <= p.LastIndex(); ++i)
    FuzzCheck(p.GetPoint(i).X > p.GetPoint(i - 1).X, "stick positions do not increase");
  for (int i = 0; i <= p.LastIndex(); ++i)
    FuzzCheck(p.IndexOfX(p.GetPoint(i).X) == i, "IndexOfX does not find the entry");
}

// Saves over the given file and loads the result into a fresh profile: nothing may change, and
// saving that copy again must give the same bytes.
void CheckRoundTrip(TSpeedoDevice& p, const std::string& file) {
  FuzzCheck(p.SaveToFile(file) == 0, "SaveToFile did not return 0");
  const std::string first = FuzzReadFile(file);
  TSpedV4Device q;
  FuzzCheck(q.LoadFromFile(file) == 0, "a saved profile does not load");
  FuzzCheck(Same(Take(p), Take(q), p.LastIndex()), "save and load changed the profile");
  q.SaveToFile(file);
  FuzzCheck(FuzzReadFile(file) == first, "saving a loaded profile again changed the file");
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

void RunOperations(TSpedV4Device& p, FuzzedDataProvider& in) {
  const int n = p.LastIndex();
  for (int i = 0; i <= n; ++i) {
    const int prev = p.PrevBreakpoint(i), next = p.NextBreakpoint(i);
    FuzzCheck(0 <= prev && prev <= std::max(i - 1, 0), "PrevBreakpoint out of range");
    FuzzCheck(std::min(i + 1, n) <= next && next <= n, "NextBreakpoint out of range");
  }
  for (int i = 0; i <= p.LastFrequencyIndex(); ++i) FuzzCheck(!p.FrequencyName(i).empty(), "empty name");

  // Interpolation moves derived entries only: an entry shown as a breakpoint keeps its output.
  const TSnapshot loaded = Take(p);
  p.Interpolate();
  FuzzCheck(p.IsBreakpoint(0) && p.IsBreakpoint(n), "the ends are not breakpoints");
  for (int i = 1; i < n; ++i)
    if (loaded.Points[i].Breakpoint) FuzzCheck(p.GetY(i) == loaded.Points[i].Y, "Interpolate moved a breakpoint");
  CheckInterpolated(p);

  TSpedV4Device probe;
  probe.Assign(p);
  probe.DetectDeadband();
  FuzzCheck(0 <= probe.Deadband() && probe.Deadband() <= probe.MaxDeadband(), "detected level out of range");

  for (int level = 0; level <= p.MaxDeadband(); ++level) {
    probe.Assign(p);
    probe.SetDeadband(level);
    FuzzCheck(probe.Deadband() == level, "SetDeadband did not take the level");
    CheckInterpolated(probe);
    if (StandardLayout(probe)) {
      for (int i = 0; i <= n; ++i)
        if (probe.InDeadband(i)) FuzzCheck(probe.GetY(i) == 0, "entry in the deadband is not at zero");
      probe.DetectDeadband();
      // Every level pins the entry at stick position 64; neighbours that happen to be zero too
      // may make the detected level higher.
      FuzzCheck(probe.Deadband() >= std::max(level, 1), "detected level below the one set");
    }
  }

  for (double tolerance : {0.0, 0.5, 1.5, 7.25, 300.0}) FitAndCompare(p, tolerance);

  // Edits as the mouse and the fine-adjustment controls make them.
  const int edits = in.ConsumeIntegralInRange(0, 24);
  for (int k = 0; k < edits && in.remaining_bytes() > 0; ++k) {
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
  const int freq = in.ConsumeIntegralInRange(0, p.LastFrequencyIndex());
  p.SetFrequencies(freq, freq);
  p.SetDeadband(in.ConsumeIntegralInRange(0, p.MaxDeadband()));
  CheckSettings(p);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string file = FuzzWorkDir() + "/input.spp";
  FuzzWriteFile(file, data, size);

  TSpedV4Device p;
  p.Clear();
  p.SetY(40, 123);  // differs from the default, so a refused file visibly leaves it alone
  const TSnapshot before = Take(p);
  int result = -1;
  try {
    result = p.LoadFromFile(file);
  } catch (const EFileError& e) {
    FuzzFail(e.what());  // a readable regular file must never be an error
  }
  FuzzCheck(result == 0 || result == 1, "LoadFromFile returned neither 0 nor 1");
  if (result == 1) {
    FuzzCheck(Same(before, Take(p), p.LastIndex()), "a refused file changed the profile");
    return 0;
  }
  CheckSettings(p);
  CheckRoundTrip(p, file);

  FuzzedDataProvider in(data, size);
  RunOperations(p, in);
  CheckRoundTrip(p, file);
  return 0;
}
