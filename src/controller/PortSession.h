#pragma once
// The serial port's part of every controller command: opened by name, then DTR and RTS raised.

#include <string>

class TComPort;

namespace Transfer {

// Opens `port` as the device `name` (19200 8N1; the open leaves DTR and RTS low), then raises DTR
// and then RTS, so the controller sees both lines rise only now. Raises EComError when the device
// cannot be opened; nothing stays open then.
void OpenController(TComPort& port, const std::string& name);

}  // namespace Transfer
