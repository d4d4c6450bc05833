#include "Transfer.h"

#include "RegisterPort.h"
#include "SpedV4Device.h"

namespace Transfer {

namespace {
// The progress window from the start of a transfer to its end, on every path out.
class TProgressRun {
 public:
  TProgressRun(TProgressSink& progress, const char* message) : FProgress(progress) {
    FProgress.Start("Progress", message, CurveEntries);
  }
  ~TProgressRun() { FProgress.Finish(); }
  TProgressRun(const TProgressRun&) = delete;
  TProgressRun& operator=(const TProgressRun&) = delete;

 private:
  TProgressSink& FProgress;
};
}  // namespace

bool IsConnected(TRegisterPort& port) {
  port.WriteRegister(ProbeRegister, ProbeValue);
  uint8_t value = 0;
  port.ReadRegister(ProbeRegister, value);
  return value == ProbeValue;
}

bool ReadRegisters(TRegisterPort& port, TRegisterFile& regs, TProgressSink& progress) {
  const TProgressRun run(progress, "Reading profile");

  if (progress.Cancelled()) return false;
  port.ReadRegister(FrequencyRegister, regs[FrequencyRegister]);
  if (!port.LastReplyComplete()) return false;
  for (int entry : TransferOrder()) {
    const int reg = CurveRegister(entry);
    if (progress.Cancelled()) return false;
    port.ReadRegister(static_cast<uint8_t>(reg), regs[reg]);
    if (!port.LastReplyComplete()) return false;
    progress.Step();
  }
  return true;
}

bool LoadFromDevice(TRegisterPort& port, TSpedV4Device& profile, TProgressSink& progress) {
  TRegisterFile regs{};
  if (!ReadRegisters(port, regs, progress)) return false;
  TakeRegisters(regs, profile);
  return true;
}

bool SaveToDevice(TRegisterPort& port, const TSpedV4Device& profile, TProgressSink& progress) {
  bool result = true;
  const TProgressRun run(progress, "Writing profile");

  int fwd = 0, brk = 0;
  profile.GetFrequencies(fwd, brk);
  if (progress.Cancelled()) return false;
  port.WriteRegister(FrequencyRegister, static_cast<uint8_t>(TSpedV4Device::V4Frequencies[fwd].Code));
  if (!port.LastReplyComplete()) return false;

  for (int entry : TransferOrder()) {
    const auto reg = static_cast<uint8_t>(CurveRegister(entry));
    const auto value = static_cast<uint8_t>(profile.GetY(entry));
    if (progress.Cancelled()) return false;
    if (!port.WriteRegister(reg, value)) {
      result = false;
      progress.Message("Write fail");
    }
    if (!port.LastReplyComplete() || progress.Cancelled()) return false;
    uint8_t readBack = 0;
    port.ReadRegister(reg, readBack);
    if (readBack != value) {
      result = false;
      progress.Message("Readback fail");
    }
    if (!port.LastReplyComplete()) return false;
    progress.Step();
  }
  return result;
}

}  // namespace Transfer
