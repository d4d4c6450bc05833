#include "SpedV4Device.h"

#include <algorithm>

// Names shown to the user and the 8-bit codes the controller keeps in its frequency register.
// The codes are not ordered by frequency.
const TFreqData TSpedV4Device::V4Frequencies[FrequencyCount] = {
    {"1.0k", 249}, {"1.5k", 167}, {"2.0k", 125}, {"2.5k", 101}, {"3.0k", 83},  {"3.5k", 71},
    {"4.0k", 248}, {"4.5k", 222}, {"5.0k", 200}, {"6.0k", 166}, {"7.0k", 142}, {"8.0k", 124},
    {"9.0k", 110}, {"10.0k", 98}, {"12.0k", 82}, {"14.0k", 70}, {"16.0k", 62},
};

// Stick positions at the edges of each deadband level. Levels 0 and 1 share their row; level 0
// differs only in that InDeadband reports no entry.
const TDeadbandLevel TSpedV4Device::DeadbandLevels[5] = {
    {64, 64}, {64, 64}, {62, 64}, {62, 65}, {60, 65},
};

namespace {
// A level that came from outside (a file) is never used to index past the table.
const TDeadbandLevel& LevelRow(int level) { return TSpedV4Device::DeadbandLevels[std::clamp(level, 0, 4)]; }
}  // namespace

// The default profile: a V with full output at both ends of the stick travel, falling in straight
// lines to zero at the centre, deadband level 1, frequency "1.0k".
void TSpedV4Device::Clear() {
  const int n = LastIndex();
  for (int i = 0; i <= n; ++i) {
    const int x = i < 32 ? 2 * i : i + 32;
    FPoints[i] = TCurvePoint{static_cast<uint8_t>(x), 0, 0};
  }
  for (int i : {0, 1, n - 2, n}) {
    FPoints[i].Y = 255;
    FPoints[i].Breakpoint = 1;
  }
  SetDeadband(1);
  FFwdFreq = 0;
  FBrkFreq = 0;
}

int TSpedV4Device::LastIndex() const { return 95; }
int TSpedV4Device::MaxDeadband() const { return 4; }

// The new level's edges become breakpoints pinned at zero, the entries strictly between them
// become derived (and so interpolate to zero), and the old level's edges are released.
void TSpedV4Device::SetDeadband(int level) {
  const TDeadbandLevel& oldRow = LevelRow(FDeadband);
  const TDeadbandLevel& newRow = LevelRow(level);
  for (int i = 0; i <= LastIndex(); ++i) {
    TCurvePoint& p = FPoints[i];
    const int x = p.X;
    if (x == oldRow.LowX || x == oldRow.HighX) p.Breakpoint = 0;
    if (x == newRow.LowX || x == newRow.HighX) {
      p.Breakpoint = 1;
      p.Y = 0;
    }
    if (newRow.LowX < x && x < newRow.HighX) p.Breakpoint = 0;
  }
  Interpolate();
  FDeadband = std::clamp(level, 0, MaxDeadband());
}

bool TSpedV4Device::InDeadband(int index) const {
  if (FDeadband <= 0) return false;
  const TDeadbandLevel& row = LevelRow(FDeadband);
  const int x = FPoints[index].X;
  return row.LowX <= x && x <= row.HighX;
}

// The V4 controller has one switching frequency: the brake frequency follows the forward one.
void TSpedV4Device::SetFrequencies(int fwd, int) {
  FFwdFreq = fwd;
  FBrkFreq = fwd;
}

int TSpedV4Device::LastFrequencyIndex() const { return FrequencyCount - 1; }

std::string TSpedV4Device::FrequencyName(int index) const { return V4Frequencies[index].Name; }

int TSpedV4Device::FormatVersion() const { return 4; }
