#pragma once

#include "ComPort.h"

#include <chrono>

// The simulated controller answers a register command at once, where a real one needs the 40 ms
// pause: tests of what the window makes of the answers run the port at the simulator's pace. A
// reply that does not come is still waited for, long enough for a loaded machine.
inline void AtSimulatorPace(TComPort& port) {
  port.SetCommandPause(std::chrono::milliseconds(0));
  port.SetReplyWait(std::chrono::milliseconds(150));
}
