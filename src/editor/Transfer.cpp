#include "Transfer.h"

#include "ComPort.h"
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

bool IsConnected(TComPort& port) {
  port.WriteRegister(ProbeRegister, ProbeValue);
  uint8_t value = 0;
  port.ReadRegister(ProbeRegister, value);
  return value == ProbeValue;
}

bool LoadFromDevice(TComPort& port, TSpedV4Device& profile, TProgressSink& progress) {
  const TProgressRun run(progress, "Reading profile");

  uint8_t code = 0;
  port.ReadRegister(FrequencyRegister, code);
  if (!port.LastReplyComplete()) return false;

  const auto order = TransferOrder();
  std::array<uint8_t, CurveEntries> values{};
  for (int n = 0; n < CurveEntries; ++n) {
    uint8_t value = 0;
    port.ReadRegister(static_cast<uint8_t>(CurveRegister(order[n])), value);
    if (!port.LastReplyComplete()) return false;
    values[n] = value;
    progress.Step();
  }

  profile.SetDeadband(0);
  const int index = FrequencyIndexOfCode(code);
  profile.SetFrequencies(index, index);
  for (int n = 0; n < CurveEntries; ++n) profile.SetY(order[n], values[n]);
  return true;
}

bool SaveToDevice(TComPort& port, const TSpedV4Device& profile, TProgressSink& progress) {
  bool result = true;
  const TProgressRun run(progress, "Writing profile");

  int fwd = 0, brk = 0;
  profile.GetFrequencies(fwd, brk);
  port.WriteRegister(FrequencyRegister, static_cast<uint8_t>(TSpedV4Device::V4Frequencies[fwd].Code));

  for (int entry : TransferOrder()) {
    const auto reg = static_cast<uint8_t>(CurveRegister(entry));
    const auto value = static_cast<uint8_t>(profile.GetY(entry));
    if (!port.WriteRegister(reg, value)) {
      result = false;
      progress.Message("Write fail");
    }
    uint8_t readBack = 0;
    port.ReadRegister(reg, readBack);
    if (readBack != value) {
      result = false;
      progress.Message("Readback fail");
    }
    progress.Step();
  }
  return result;
}

}  // namespace Transfer
