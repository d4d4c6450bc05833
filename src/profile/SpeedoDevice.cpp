#include "SpeedoDevice.h"

#include <algorithm>
#include <iterator>

#include "CurveArithmetic.h"

namespace {

// (dy / dx) as the curve defines it. A zero distance cannot occur in a valid table; it yields
// slope 0 instead of an infinity.
double StoredSlope(int dy, int dx) { return dx == 0 ? 0.0 : TCurveMath::Slope(dy, dx); }

}  // namespace

TSpeedoDevice::TSpeedoDevice() = default;
TSpeedoDevice::~TSpeedoDevice() = default;

void TSpeedoDevice::Clear() {
  for (int i = 0; i < TableSize; ++i) FPoints[i] = TCurvePoint{static_cast<uint8_t>(i), 0, 0};
}

int TSpeedoDevice::LastIndex() const { return 1; }
int TSpeedoDevice::MaxDeadband() const { return 0; }
void TSpeedoDevice::SetDeadband(int level) { FDeadband = level; }
int TSpeedoDevice::GetDeadband() const { return FDeadband; }
bool TSpeedoDevice::InDeadband(int) const { return false; }

void TSpeedoDevice::SetFrequencies(int fwd, int brk) {
  FFwdFreq = fwd;
  FBrkFreq = brk;
}

void TSpeedoDevice::GetFrequencies(int& fwd, int& brk) const {
  fwd = FFwdFreq;
  brk = FBrkFreq;
}

int TSpeedoDevice::LastFrequencyIndex() const { return 0; }
std::string TSpeedoDevice::FrequencyName(int) const { return "0"; }
int TSpeedoDevice::FormatVersion() const { return 0; }

void TSpeedoDevice::Assign(const TSpeedoDevice& source) {
  if (&source == this) return;
  std::copy(std::begin(source.FPoints), std::end(source.FPoints), FPoints);
  FDeadband = source.FDeadband;
  FFwdFreq = source.FFwdFreq;
  FBrkFreq = source.FBrkFreq;
}

bool TSpeedoDevice::SameAs(const TSpeedoDevice& other) const {
  for (int i = 0; i < TableSize; ++i) {
    const TCurvePoint& a = FPoints[i];
    const TCurvePoint& b = other.FPoints[i];
    if (a.X != b.X || a.Y != b.Y || a.Breakpoint != b.Breakpoint) return false;
  }
  return FDeadband == other.FDeadband && FFwdFreq == other.FFwdFreq && FBrkFreq == other.FBrkFreq;
}

void TSpeedoDevice::Interpolate() {
  const int n = LastIndex();
  FPoints[0].Breakpoint = 1;
  FPoints[n].Breakpoint = 1;
  int b = 0;
  for (int c = 1; c <= n; ++c) {
    if (FPoints[c].Breakpoint != 1) continue;
    const TCurvePoint& pb = FPoints[b];
    const TCurvePoint& pc = FPoints[c];
    const double slope = StoredSlope(int(pc.Y) - int(pb.Y), int(pc.X) - int(pb.X));
    const double intercept = TCurveMath::Intercept(pb.Y, pb.X, slope);
    for (int i = b + 1; i < c; ++i)
      FPoints[i].Y = static_cast<uint8_t>(RoundToInteger(TCurveMath::Value(FPoints[i].X, slope, intercept)) & 0xFF);
    b = c;
  }
}

TPoint TSpeedoDevice::GetPoint(int index) const { return TPoint{FPoints[index].X, FPoints[index].Y}; }

int TSpeedoDevice::GetY(int index) const { return FPoints[index].Y; }

void TSpeedoDevice::SetY(int index, uint8_t value) {
  FPoints[index].Y = value;
  FPoints[index].Breakpoint = 0;
  SetBreakpoint(index);
}

bool TSpeedoDevice::IsBreakpoint(int index) const { return FPoints[index].Breakpoint != 0; }

void TSpeedoDevice::SetBreakpoint(int index) {
  if (FPoints[index].Breakpoint != 0) return;
  FPoints[index].Breakpoint = 1;
  Interpolate();
}

void TSpeedoDevice::ClearBreakpoint(int index) {
  if (FPoints[index].Breakpoint != 1) return;
  FPoints[index].Breakpoint = 0;
  Interpolate();
}

int TSpeedoDevice::PrevBreakpoint(int index) const {
  for (int i = index - 1; i >= 0; --i)
    if (FPoints[i].Breakpoint == 1) return i;
  return 0;
}

int TSpeedoDevice::NextBreakpoint(int index) const {
  const int n = LastIndex();
  for (int i = index + 1; i <= n; ++i)
    if (FPoints[i].Breakpoint == 1) return i;
  return n;
}

int TSpeedoDevice::IndexOfX(int32_t x) const {
  int found = -1;
  const int n = LastIndex();
  for (int i = 0; i <= n; ++i)
    if (FPoints[i].X == x) found = i;
  return found;
}

// The level follows from which of the entries around the centre (30..33, stick positions 60, 62,
// 64 and 65 in the V4 layout) sit at zero output.
void TSpeedoDevice::DetectDeadband() {
  auto zero = [this](int i) { return FPoints[i].Y == 0; };
  if (zero(30) && zero(31) && zero(32) && zero(33))
    FDeadband = 4;
  else if (zero(31) && zero(32) && zero(33))
    FDeadband = 3;
  else if (zero(31) && zero(32))
    FDeadband = 2;
  else if (zero(32))
    FDeadband = 1;
  else
    FDeadband = 0;
}

// Left-to-right Douglas-Peucker simplification with vertical deviation: a segment is accepted
// when no entry strays more than the tolerance from its line; otherwise the worst entry becomes a
// breakpoint and the left part is examined first.
void TSpeedoDevice::FitCurve(double tolerance) {
  const int n = LastIndex();
  for (int i = 0; i <= n; ++i) FPoints[i].Breakpoint = 0;
  FDeadband = 0;
  FPoints[0].Breakpoint = 1;
  FPoints[n].Breakpoint = 1;

  int b = 0;
  int e = n;
  while (b < n) {
    const TCurvePoint& pb = FPoints[b];
    const double slope = StoredSlope(int(FPoints[e].Y) - int(pb.Y), int(FPoints[e].X) - int(pb.X));
    int worst = b;
    double maxDev = tolerance;
    for (int i = b + 1; i < e; ++i) {
      const double dev = TCurveMath::Deviation(FPoints[i].Y, int(FPoints[i].X) - int(pb.X), slope, pb.Y);
      if (dev > maxDev) {
        maxDev = dev;
        worst = i;
      }
    }
    if (worst == b) {
      b = e;
      e = NextBreakpoint(e);
    } else {
      FPoints[worst].Breakpoint = 1;
      e = worst;
    }
  }
  Interpolate();
}
