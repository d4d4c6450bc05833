#include "RegisterMap.h"

namespace {

constexpr int FrequencyRegister = 1;
constexpr int BrakeBase = 32;    // registers 32..63: entries 31 down to 0
constexpr int ForwardBase = 64;  // registers 64..127: entries 32 up to 95

} // namespace

void ProfileToRegisters(const TSpedV4Device& profile, TRegisterFile& regs) {
  int fwd = 0, brk = 0;
  profile.GetFrequencies(fwd, brk);
  regs[FrequencyRegister] = static_cast<uint8_t>(TSpedV4Device::V4Frequencies[fwd].Code);
  for (int k = 0; k < 64; ++k)
    regs[ForwardBase + k] = static_cast<uint8_t>(profile.GetY(32 + k));
  for (int k = 0; k < 32; ++k)
    regs[BrakeBase + k] = static_cast<uint8_t>(profile.GetY(31 - k));
}

void RegistersToProfile(const TRegisterFile& regs, TSpedV4Device& profile) {
  profile.SetDeadband(0);
  int index = 0;
  for (int i = 0; i < TSpedV4Device::FrequencyCount; ++i)
    if (TSpedV4Device::V4Frequencies[i].Code == regs[FrequencyRegister])
      index = i;
  profile.SetFrequencies(index, index);
  for (int k = 0; k < 64; ++k)
    profile.SetY(32 + k, regs[ForwardBase + k]);
  for (int k = 0; k < 32; ++k)
    profile.SetY(31 - k, regs[BrakeBase + k]);
  profile.FitCurve(1.5);
  profile.DetectDeadband();
}
