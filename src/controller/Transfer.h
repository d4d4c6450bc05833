#pragma once
// Moving a profile between the editor and the controller over an open serial port, and the
// connection probe. Where the controller keeps what: RegisterMap.h.
//
// Everything here runs on the thread that hosts the port and blocks it: each register command
// takes about 40 ms with an answering controller, during which the port's wait hook is served.

#include "RegisterMap.h"

#include <string>

class TRegisterPort;
class TSpedV4Device;

namespace Transfer {

// Shows how far a transfer has come.
class TProgressSink {
 public:
  virtual ~TProgressSink() = default;
  virtual void Start(const std::string& caption, const std::string& message, int maximum) = 0;
  virtual void Message(const std::string& message) = 0;
  virtual void Step() = 0;
  virtual void Finish() = 0;
  // Asked before each register command: true stops the transfer there (the command under way has
  // finished; nothing more is sent) and it returns false.
  virtual bool Cancelled() { return false; }
};

// The connection probe: writes 170 into register 20 and reads it back. True when 170 came back.
bool IsConnected(TRegisterPort& port);

// Reads the frequency and the 96 curve registers. When every reply came complete, the profile
// takes the values (each entry a breakpoint with the value read, both frequency indices from the
// code) and the result is true. When a reply came incomplete (the controller stopped answering or
// went away), the reading stops there, the profile is left exactly as it was and the result is
// false: a missing reply must never become a zero in the user's curve.
bool LoadFromDevice(TRegisterPort& port, TSpedV4Device& profile, TProgressSink& progress);

// The register reading of LoadFromDevice, without taking the values into a profile: the frequency
// register and the 96 curve registers go into `regs` as the controller holds them. False when a
// reply came incomplete; `regs` then holds what came before it.
bool ReadRegisters(TRegisterPort& port, TRegisterFile& regs, TProgressSink& progress);

// Writes the frequency code and the 96 curve registers, reading each curve register back. True
// when every write went out and every value read back equal. A controller that answers with a
// wrong value does not stop the Write: all 96 registers are written and read back. A reply that
// does not come complete (the controller fell silent or went away) ends it there with false, since
// every further register would only wait out its time.
bool SaveToDevice(TRegisterPort& port, const TSpedV4Device& profile, TProgressSink& progress);

}  // namespace Transfer
