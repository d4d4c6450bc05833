#pragma once

#include "SpeedoDevice.h"

// One row of a frequency table: the name shown to the user and the controller's 8-bit code.
struct TFreqData {
  const char* Name;
  int32_t Code;
};

// Deadband geometry of one level: the closed range of stick positions pinned at zero output.
struct TDeadbandLevel {
  int LowX;
  int HighX;
};

// The profile of the V4 controller: 96 entries (X = 0, 2, ..., 62 and 64..127), deadband
// levels 0..4, one switching frequency out of 17, file version 4.
class TSpedV4Device : public TSpeedoDevice {
 public:
  static constexpr int FrequencyCount = 17;
  static const TFreqData V4Frequencies[FrequencyCount];
  static const TDeadbandLevel DeadbandLevels[5];

  void Clear() override;
  int LastIndex() const override;
  int MaxDeadband() const override;
  void SetDeadband(int level) override;
  bool InDeadband(int index) const override;
  void SetFrequencies(int fwd, int brk) override;
  int LastFrequencyIndex() const override;
  std::string FrequencyName(int index) const override;
  int FormatVersion() const override;
};
