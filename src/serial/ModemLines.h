#pragma once
// Modem lines and line-error counters of a serial device, behind a small interface: pseudo-terminals
// and some adapters have neither, and tests replace the device's lines with their own.

#include <cstdint>
#include <functional>
#include <memory>

class TModemLines {
 public:
  virtual ~TModemLines() = default;
  // The current CTS, DSR, ring and carrier states as MS_* bits; false when the device has no
  // modem lines. Called on the event thread.
  virtual bool GetStatus(uint32_t& status) = 0;
  // Framing, overrun and parity errors counted since the device was opened; false when the
  // device keeps no count. Called on the event thread.
  virtual bool GetErrorCount(uint32_t& count) = 0;
  // Raises (on) or lowers one output line, TIOCM_DTR or TIOCM_RTS. Called on the GUI thread; a
  // device without modem lines ignores it.
  virtual void SetLine(int line, bool on) = 0;
};

// Makes the line access for an open device descriptor; the descriptor outlives the object.
using TModemLinesFactory = std::function<std::unique_ptr<TModemLines>(int fd)>;

// The real lines of a terminal device (TIOCMGET, TIOCGICOUNT, TIOCMBIS/TIOCMBIC).
std::unique_ptr<TModemLines> MakeTtyModemLines(int fd);
