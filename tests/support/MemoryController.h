#pragma once
// A controller in memory behind the register-port interface: the transfer's rules without the
// serial line's 40 ms per command. It answers as the simulated controller does, with the same
// ways of going wrong.

#include "RegisterPort.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class TMemoryController : public TRegisterPort {
 public:
  struct TFrame {
    char Command;  // 'w' or 'r'
    uint8_t Reg;
    uint8_t Value;  // written, or read back
    friend bool operator==(const TFrame&, const TFrame&) = default;
  };

  long StopAfter = -1;       // frames answered before the controller falls silent; -1 = all
  long RefuseAfter = -1;     // frames taken before the line refuses every further one; -1 = none
  int CorruptRegister = -1;  // this register reads back one more than was stored

  std::array<uint8_t, 256> Registers{};
  std::vector<TFrame> Frames;

  bool WriteRegister(uint8_t reg, uint8_t value) override {
    if (!Take('w', reg, value)) return false;
    if (FComplete) Registers[reg] = value;
    return true;
  }
  bool ReadRegister(uint8_t reg, uint8_t& value) override {
    const uint8_t stored = reg == CorruptRegister ? static_cast<uint8_t>(Registers[reg] + 1) : Registers[reg];
    // As on the serial port, a value that does not come (also for a refused frame) reads as 0.
    value = Take('r', reg, stored) && FComplete ? stored : 0;
    return true;
  }
  bool LastReplyComplete() const override { return FComplete; }

 private:
  // Counts the frame; false when the line refused it.
  bool Take(char command, uint8_t reg, uint8_t value) {
    FComplete = false;
    if (RefuseAfter >= 0 && static_cast<long>(Frames.size()) >= RefuseAfter) return false;
    Frames.push_back({command, reg, value});
    FComplete = StopAfter < 0 || static_cast<long>(Frames.size()) <= StopAfter;
    return true;
  }
  bool FComplete = false;
};
