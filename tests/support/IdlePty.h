#pragma once
// A pseudo-terminal with nothing behind it, standing in for a serial port. Closing the master end
// (CloseMaster) is what an unplugged adapter looks like to the port.

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>
#include <string>

struct TIdlePty {
  TIdlePty() : Master(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    char name[128] = {};
    if (Master >= 0 && ::grantpt(Master) == 0 && ::unlockpt(Master) == 0 && ::ptsname_r(Master, name, sizeof name) == 0)
      SlavePath = name;
  }
  ~TIdlePty() { CloseMaster(); }
  TIdlePty(const TIdlePty&) = delete;
  TIdlePty& operator=(const TIdlePty&) = delete;
  void CloseMaster() {
    if (Master >= 0) ::close(Master);
    Master = -1;
  }
  int Master;
  std::string SlavePath;
};
