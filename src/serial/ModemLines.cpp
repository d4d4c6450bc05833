#include "ModemLines.h"

#include "ComTypes.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

namespace {

class TTtyModemLines : public TModemLines {
 public:
  explicit TTtyModemLines(int fd) : FFd(fd) {}

  bool GetStatus(uint32_t& status) override {
    int bits = 0;
    if (::ioctl(FFd, TIOCMGET, &bits) != 0) return false;
    status = 0;
    if (bits & TIOCM_CTS) status |= MS_CTS_ON;
    if (bits & TIOCM_DSR) status |= MS_DSR_ON;
    if (bits & TIOCM_RNG) status |= MS_RING_ON;
    if (bits & TIOCM_CAR) status |= MS_RLSD_ON;
    return true;
  }

  bool GetErrorCount(uint32_t& count) override {
    serial_icounter_struct c{};
    if (::ioctl(FFd, TIOCGICOUNT, &c) != 0) return false;
    count = static_cast<uint32_t>(c.frame) + static_cast<uint32_t>(c.overrun) + static_cast<uint32_t>(c.parity) +
            static_cast<uint32_t>(c.buf_overrun);
    return true;
  }

  void SetLine(int line, bool on) override {
    int bit = line;
    ::ioctl(FFd, on ? TIOCMBIS : TIOCMBIC, &bit);
  }

 private:
  int FFd;
};

}  // namespace

std::unique_ptr<TModemLines> MakeTtyModemLines(int fd) { return std::make_unique<TTtyModemLines>(fd); }
