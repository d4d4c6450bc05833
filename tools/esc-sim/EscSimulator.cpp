#include "EscSimulator.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <system_error>

namespace {

constexpr uint8_t WriteCommand = 0x77;  // "w"
constexpr uint8_t ReadCommand = 0x72;   // "r"
constexpr uint8_t ExtraReplyByte = 0x5A;
// One character at 19200 baud with a start bit, 8 data bits and a stop bit.
constexpr auto CharTime = std::chrono::microseconds(521);

[[noreturn]] void Fail(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

}  // namespace

TEscSimulator::TEscSimulator() : TEscSimulator(TOptions{}) {}

TEscSimulator::TEscSimulator(TOptions options) : FOptions(std::move(options)) {
  FMaster.Reset(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!FMaster.Valid()) Fail("posix_openpt");
  if (::grantpt(FMaster.Get()) != 0 || ::unlockpt(FMaster.Get()) != 0) Fail("unlockpt");
  char name[128];
  if (::ptsname_r(FMaster.Get(), name, sizeof name) != 0) Fail("ptsname_r");
  FSlavePath = name;
  FSlave.Reset(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!FSlave.Valid()) Fail(name);
  // A new pseudo-terminal is cooked: it would echo the frames and turn CR into LF.
  termios t{};
  if (::tcgetattr(FSlave.Get(), &t) == 0) {
    ::cfmakeraw(&t);
    ::tcsetattr(FSlave.Get(), TCSANOW, &t);
  }
  Start();
}

TEscSimulator::TEscSimulator(TFileHandle line, TOptions options)
    : FOptions(std::move(options)), FMaster(std::move(line)) {
  if (!FMaster.Valid()) throw std::system_error(EBADF, std::generic_category(), "line");
  Start();
}

void TEscSimulator::Start() {
  FRegisters = FOptions.Registers;
  FStop.Reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (!FStop.Valid()) Fail("eventfd");
  FThread = std::thread([this] { Run(); });
}

TEscSimulator::~TEscSimulator() {
  const uint64_t one = 1;
  [[maybe_unused]] auto n = ::write(FStop.Get(), &one, sizeof one);
  FThread.join();
}

uint8_t TEscSimulator::Register(uint8_t reg) const {
  std::lock_guard lock(FMutex);
  return FRegisters[reg];
}

void TEscSimulator::SetRegister(uint8_t reg, uint8_t value) {
  std::lock_guard lock(FMutex);
  FRegisters[reg] = value;
}

std::array<uint8_t, 256> TEscSimulator::Registers() const {
  std::lock_guard lock(FMutex);
  return FRegisters;
}

long TEscSimulator::FrameCount() const {
  std::lock_guard lock(FMutex);
  return FFrames;
}

std::string TEscSimulator::Received() const {
  std::lock_guard lock(FMutex);
  return FReceived;
}

void TEscSimulator::Send(const std::string& bytes) {
  WriteAll(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

int TEscSimulator::PortInputQueue() const {
  int n = 0;
  if (!FSlave.Valid() || ::ioctl(FSlave.Get(), TIOCINQ, &n) != 0) return -1;
  return n;
}

termios TEscSimulator::PortSettings() const {
  termios t{};
  ::tcgetattr(FSlave.Get(), &t);
  return t;
}

void TEscSimulator::Run() {
  uint8_t buf[256];
  for (;;) {
    pollfd fds[2] = {{FStop.Get(), POLLIN, 0}, {FMaster.Get(), POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[0].revents) return;
    const ssize_t n = ::read(FMaster.Get(), buf, sizeof buf);
    if (n <= 0) {
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      return;  // the other end closed the line (never while the own slave end is held open)
    }
    {
      std::lock_guard lock(FMutex);
      FReceived.append(reinterpret_cast<const char*>(buf), static_cast<size_t>(n));
    }
    if (FOptions.Echo) {
      WriteAll(buf, static_cast<size_t>(n));
      continue;
    }
    for (ssize_t i = 0; i < n && !FUnplug; ++i) HandleByte(buf[i]);
    if (FUnplug) {
      std::lock_guard lock(FMutex);  // WriteAll uses the master end under this lock
      FMaster.Reset();
      return;
    }
  }
}

void TEscSimulator::HandleByte(uint8_t byte) {
  if (FFrameLength == 0 && byte != WriteCommand && byte != ReadCommand) return;  // noise between frames
  FFrame[FFrameLength++] = byte;
  const size_t need = FFrame[0] == WriteCommand ? 3 : 2;
  if (FFrameLength < need) return;
  FFrameLength = 0;
  const uint8_t reg = FFrame[1];
  bool answered = false;
  uint8_t value = 0;
  {
    std::lock_guard lock(FMutex);
    ++FFrames;
    answered = !FOptions.Silent && (FOptions.StopAfter < 0 || FFrames <= FOptions.StopAfter);
    if (need == 3) {
      value = FFrame[2];
      if (answered) FRegisters[reg] = value;
    } else {
      value = FRegisters[reg];
      if (reg == FOptions.CorruptRegister) value = static_cast<uint8_t>(value + 1);
    }
  }
  FUnplug = FOptions.UnplugAfter >= 0 && FFrames >= FOptions.UnplugAfter;
  if (FOptions.OnFrame) FOptions.OnFrame(static_cast<char>(FFrame[0]), reg, value, answered);
  if (!answered) return;
  const uint8_t reply[4] = {FFrame[0], reg, value, ExtraReplyByte};
  Reply(reply, FOptions.ExtraByte ? 4 : 3, need);
}

void TEscSimulator::Reply(const uint8_t* bytes, size_t count, size_t frameLength) {
  if (FOptions.LinePacing) {
    // The frame's last byte arrives after its own transmission time, and the reply's last byte
    // after the reply's. The wait ends early if the simulator is being stopped.
    const auto delay =
        std::chrono::duration_cast<std::chrono::nanoseconds>(CharTime * static_cast<int>(frameLength + count));
    const timespec ts{0, static_cast<long>(delay.count())};
    pollfd fd{FStop.Get(), POLLIN, 0};
    ::ppoll(&fd, 1, &ts, nullptr);
  }
  WriteAll(bytes, count);
}

void TEscSimulator::WriteAll(const uint8_t* bytes, size_t count) {
  std::lock_guard lock(FMutex);  // Send and the simulator's thread must not interleave
  while (count > 0) {
    const ssize_t n = ::write(FMaster.Get(), bytes, count);
    if (n < 0) {
      if (errno == EINTR) continue;
      return;
    }
    bytes += n;
    count -= static_cast<size_t>(n);
  }
}
