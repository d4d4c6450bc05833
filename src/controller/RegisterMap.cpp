#include "RegisterMap.h"

#include "SpedV4Device.h"

namespace Transfer {

int CurveRegister(int entry) { return entry < 32 ? 32 + (31 - entry) : 64 + (entry - 32); }

std::array<int, CurveEntries> TransferOrder() {
  std::array<int, CurveEntries> order{};
  int n = 0;
  for (int k = 0; k < 64; ++k) order[n++] = 32 + k;
  for (int k = 0; k < 32; ++k) order[n++] = 31 - k;
  return order;
}

int FrequencyIndexOfCode(uint8_t code) {
  int index = 0;
  for (int i = 0; i < TSpedV4Device::FrequencyCount; ++i)
    if (TSpedV4Device::V4Frequencies[i].Code == code) index = i;
  return index;
}

void ProfileToRegisters(const TSpedV4Device& profile, TRegisterFile& regs) {
  int fwd = 0, brk = 0;
  profile.GetFrequencies(fwd, brk);
  regs[FrequencyRegister] = static_cast<uint8_t>(TSpedV4Device::V4Frequencies[fwd].Code);
  for (int entry : TransferOrder()) regs[CurveRegister(entry)] = static_cast<uint8_t>(profile.GetY(entry));
}

void TakeRegisters(const TRegisterFile& regs, TSpedV4Device& profile) {
  profile.SetDeadband(0);
  const int index = FrequencyIndexOfCode(regs[FrequencyRegister]);
  profile.SetFrequencies(index, index);
  for (int entry : TransferOrder()) profile.SetY(entry, regs[CurveRegister(entry)]);
}

void FitAfterRead(TSpedV4Device& profile) {
  profile.FitCurve(1.5);
  profile.DetectDeadband();
}

void RegistersToProfile(const TRegisterFile& regs, TSpedV4Device& profile) {
  TakeRegisters(regs, profile);
  FitAfterRead(profile);
}

}  // namespace Transfer
