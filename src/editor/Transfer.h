#pragma once
// Moving a profile between the editor and the controller over an open serial port. The
// controller keeps the frequency code in register 1 and the Y value of each profile entry in a
// register of its own; X values, breakpoints and the deadband level are not transferred.
//
// Everything here runs on the GUI thread and blocks it: each register command takes about 40 ms
// with an answering controller.

#include <array>
#include <cstdint>
#include <string>

class TComPort;
class TSpedV4Device;

namespace Transfer {

constexpr uint8_t FrequencyRegister = 1;
constexpr uint8_t ProbeRegister = 20;
constexpr uint8_t ProbeValue = 170;
constexpr int CurveEntries = 96;

// The register holding the Y of a profile entry: both halves of the stick travel are stored from
// the centre outwards, entry 31 (just below the centre) in register 32 down to entry 0 in register
// 63, and entry 32 (just above it) in register 64 up to entry 95 in register 127.
int CurveRegister(int entry);

// The entries in the order they are transferred: the forward half from the centre out (32..95),
// then the brake half from the centre out (31..0).
std::array<int, CurveEntries> TransferOrder();

// The frequency index whose controller code is `code`; 0 ("1.0k") for a code that names none.
int FrequencyIndexOfCode(uint8_t code);

// Shows how far a transfer has come.
class TProgressSink {
 public:
  virtual ~TProgressSink() = default;
  virtual void Start(const std::string& caption, const std::string& message, int maximum) = 0;
  virtual void Message(const std::string& message) = 0;
  virtual void Step() = 0;
  virtual void Finish() = 0;
};

// The connection probe: writes 170 into register 20 and reads it back. True when 170 came back.
bool IsConnected(TComPort& port);

// Reads the frequency and the 96 curve registers. When every reply came complete, the profile
// takes the values (each entry a breakpoint with the value read, both frequency indices from the
// code) and the result is true. When a reply came incomplete (the controller stopped answering or
// went away), the reading stops there, the profile is left exactly as it was and the result is
// false: a missing reply must never become a zero in the user's curve.
bool LoadFromDevice(TComPort& port, TSpedV4Device& profile, TProgressSink& progress);

// Writes the frequency code and the 96 curve registers, reading each curve register back. True
// when every write went out and every value read back equal. All 96 registers are always written.
bool SaveToDevice(TComPort& port, const TSpedV4Device& profile, TProgressSink& progress);

}  // namespace Transfer
