#include "PortDevice.h"
#include "SystemView.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

TPortHandle::~TPortHandle() {
  if (FFile.Valid()) ::ioctl(FFile.Get(), TIOCNXCL);
}

TPortHandle& TPortHandle::operator=(TPortHandle&& other) noexcept {
  if (this != &other) {
    if (FFile.Valid()) ::ioctl(FFile.Get(), TIOCNXCL);
    FFile = std::move(other.FFile);
  }
  return *this;
}

TPortHandle OpenExclusive(const std::string& path, int& err) {
  err = 0;
  TFileHandle h(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!h.Valid()) {
    err = errno;
    return {};
  }
  if (!::isatty(h.Get())) {
    err = ENOTTY;
    return {};
  }
  if (::flock(h.Get(), LOCK_EX | LOCK_NB) != 0) {
    // "Resource temporarily unavailable" would puzzle a user; the port is simply in use.
    err = (errno == EWOULDBLOCK) ? EBUSY : errno;
    return {};
  }
  // A program that opened the port without taking the lock is kept out by neither: where the
  // system shows it, the port is refused as busy instead of sending frames into a line it reads.
  if (!OtherHolders(PortHolders(path), ::getpid()).empty()) {
    err = EBUSY;
    return {};
  }
  // Refused by some drivers; the advisory lock above is what every opener respects.
  ::ioctl(h.Get(), TIOCEXCL);
  return TPortHandle(std::move(h));
}

std::string OpenErrorText(int err, const std::string& path) {
  std::string text = std::strerror(err);
  if (err == EACCES) {
    std::string owner;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
      if (const struct group* g = ::getgrgid(st.st_gid))
        owner = g->gr_name;
      else
        owner = std::to_string(st.st_gid);
    }
    text += "\rOn Linux the user must be a member of the group that owns the device";
    text += owner.empty() ? std::string(" (dialout on Debian and Ubuntu).") : " (\"" + owner + "\").";
  }
  if (err == EBUSY) {
    const auto holders = OtherHolders(PortHolders(path), ::getpid());
    if (!holders.empty()) text += "\rIt is held open by " + HolderNames(holders) + ".";
  }
  return text;
}

namespace {

// The bits of a terminal's settings that make a raw line of the wanted format.
constexpr tcflag_t FormatBits = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CLOCAL | CREAD;
constexpr tcflag_t RawInputBits = IXON | IXOFF | IXANY | INPCK | ICRNL | INLCR | IGNCR | ISTRIP;
constexpr tcflag_t RawLocalBits = ICANON | ECHO | ISIG | IEXTEN;

std::string FormatName(uint8_t dataBits, TParity parity, TStopBit stopBits) {
  static const char* const parities[] = {"no parity", "odd parity", "even parity", "mark parity", "space parity"};
  return "19200 baud, " + std::to_string(dataBits < 5 || dataBits > 8 ? 8 : dataBits) + " data bits, " +
         parities[parity <= ptSPACE ? parity : ptNONE] + ", " + (stopBits == sbONE ? "1 stop bit" : "2 stop bits");
}

}  // namespace

std::string ApplyLineSettings(int fd, uint8_t dataBits, TParity parity, TStopBit stopBits) {
  termios t{};
  if (::tcgetattr(fd, &t) != 0) return std::string("The port's line settings cannot be read: ") + std::strerror(errno);
  ::cfmakeraw(&t);
  t.c_cflag |= CLOCAL | CREAD;
  t.c_cflag &= ~(CSTOPB | CRTSCTS | HUPCL | PARENB | PARODD | CMSPAR | CSIZE);
  t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
  switch (dataBits) {
    case 5: t.c_cflag |= CS5; break;
    case 6: t.c_cflag |= CS6; break;
    case 7: t.c_cflag |= CS7; break;
    default: t.c_cflag |= CS8; break;
  }
  switch (parity) {
    case ptODD: t.c_cflag |= PARENB | PARODD; break;
    case ptEVEN: t.c_cflag |= PARENB; break;
    case ptMARK: t.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case ptSPACE: t.c_cflag |= PARENB | CMSPAR; break;
    case ptNONE: break;
  }
  // Linux has no 1.5 stop bits; the UART uses 1.5 where two are asked for with 5 data bits.
  if (stopBits != sbONE) t.c_cflag |= CSTOPB;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  ::cfsetispeed(&t, B19200);
  ::cfsetospeed(&t, B19200);
  if (::tcsetattr(fd, TCSANOW, &t) != 0)
    return std::string("The port's line settings cannot be set: ") + std::strerror(errno);
  // tcsetattr succeeds when any one of the changes took.
  termios got{};
  if (::tcgetattr(fd, &got) != 0)
    return std::string("The port's line settings cannot be read: ") + std::strerror(errno);
  if (::cfgetospeed(&got) != B19200 || ::cfgetispeed(&got) != B19200 ||
      (got.c_cflag & FormatBits) != (t.c_cflag & FormatBits) || (got.c_iflag & RawInputBits) != 0 ||
      (got.c_lflag & RawLocalBits) != 0)
    return "The port does not take the line settings " + FormatName(dataBits, parity, stopBits) + ".";
  return {};
}
