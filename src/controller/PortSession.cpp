#include "PortSession.h"

#include "ComPort.h"

namespace Transfer {

void OpenController(TComPort& port, const std::string& name) {
  port.SetPort(name);
  port.Open();
  port.SetDTR(true);
  port.SetRTS(true);
}

}  // namespace Transfer
