#include "CommThread.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <termios.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

// How often modem lines and error counters are sampled, where the device has them.
constexpr int LineSampleMs = 25;
// Longest stretch between two calls of a wait hook.
constexpr int WaitSliceMs = 10;

// The event thread watches at a raised priority and winds down at the lowest one. Raising needs
// a privilege most users lack; the thread then keeps the normal priority.
void SetThreadNice(int nice) { ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), nice); }

// Milliseconds left until `deadline`, rounded up so that a wait never ends before it.
int MsLeft(std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Event bits for the lines that differ between two modem status samples.
uint32_t ChangedLines(uint32_t before, uint32_t now) {
  const uint32_t diff = before ^ now;
  uint32_t events = 0;
  if (diff & MS_CTS_ON) events |= EV_CTS;
  if (diff & MS_DSR_ON) events |= EV_DSR;
  if (diff & MS_RLSD_ON) events |= EV_RLSD;
  if (diff & MS_RING_ON) events |= EV_RING;
  return events;
}

// Waits until `fd` shows one of `events` or `deadline` passes; with a wait hook, in short slices
// that call the hook in between. Returns poll's result (0 when the time is up) and its revents.
int PollUntil(int fd, short events, std::chrono::steady_clock::time_point deadline, const TWaitHook& wait,
              short& revents) {
  for (;;) {
    const int left = MsLeft(deadline);
    pollfd p{fd, events, 0};
    const int r = ::poll(&p, 1, wait ? std::min(left, WaitSliceMs) : left);
    if (r < 0 && errno == EINTR) continue;
    if (r != 0 || MsLeft(deadline) == 0) {
      revents = p.revents;
      return r;
    }
    wait();
  }
}

}  // namespace

TCommThread::TCommThread(const std::string& portName, const TModemLinesFactory& lines) {
  int err = 0;
  TPortHandle port = OpenExclusive(portName, err);
  if (!port.Valid()) {
    FOpenFailure = OpenErrorText(err, portName);
    return;
  }
  TFileHandle stop(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (!stop.Valid()) {
    FOpenFailure = std::string("The port's stop signal cannot be created: ") + std::strerror(errno);
    return;
  }
  FLines = lines ? lines(port.Get()) : MakeTtyModemLines(port.Get());
  FPort = std::move(port);
  FOpenFailure = SetParams(19200, 8, ptNONE, sbONE);
  if (!FOpenFailure.empty()) {
    FLines.reset();
    FPort = TPortHandle();
    return;
  }
  FStopEvent = std::move(stop);
  ResetLines();
}

TCommThread::~TCommThread() {
  if (FThread.joinable()) {
    StopThread();
    WaitFor();
  }
}

std::string TCommThread::SetParams(uint32_t /*baud*/, uint8_t dataBits, TParity parity, TStopBit stopBits) {
  // The controller talks at 19200 baud only; ApplyLineSettings always sets that speed.
  return ApplyLineSettings(FPort.Get(), dataBits, parity, stopBits);
}

void TCommThread::ResetLines() {
  ::tcflush(FPort.Get(), TCIOFLUSH);
  SetLine(TIOCM_DTR, false);
  SetLine(TIOCM_RTS, false);
}

void TCommThread::SetLine(int line, bool on) {
  if (FLines) FLines->SetLine(line, on);
}

void TCommThread::Start(std::shared_ptr<THandOverQueue> handOver) {
  FHandOver = std::move(handOver);
  FThread = std::thread([this] { Execute(); });
}

void TCommThread::StopThread() {
  FReceiveHook = nullptr;
  if (FHandOver) FHandOver->RequestStop();
  const uint64_t one = 1;
  // The counter stays non-zero, so the thread sees the stop however often it polls.
  [[maybe_unused]] auto n = ::write(FStopEvent.Get(), &one, sizeof one);
}

void TCommThread::WaitFor() {
  if (!FThread.joinable()) return;
  FHandOver->WaitForEnd();
  FThread.join();
}

void TCommThread::Execute() {
  SetThreadNice(-1);
  uint32_t status = 0;
  uint32_t errorCount = 0;
  const bool haveStatus = FLines->GetStatus(status);
  const bool haveErrors = FLines->GetErrorCount(errorCount);
  bool deviceGone = false;
  for (;;) {
    pollfd fds[2] = {{FStopEvent.Get(), POLLIN, 0}, {deviceGone ? -1 : FPort.Get(), POLLIN, 0}};
    const bool sample = (haveStatus || haveErrors) && !deviceGone;
    const int r = ::poll(fds, 2, sample ? LineSampleMs : -1);
    if (r < 0) {
      if (errno != EINTR) deviceGone = true;  // nothing left to watch but the stop signal
      continue;
    }
    if (fds[0].revents) {
      SetThreadNice(19);
      break;
    }
    uint32_t events = 0;
    if (fds[1].revents & POLLIN) events |= EV_RXCHAR;
    // A device that went away (an adapter unplugged, the other end of a pseudo-terminal closed)
    // stays readable for ever; after handing on what it still held it is no longer watched.
    if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
      deviceGone = true;
      events |= EV_RXCHAR;
    }
    const uint32_t before = status;
    if (haveStatus && FLines->GetStatus(status)) events |= ChangedLines(before, status);
    uint32_t count = errorCount;
    if (haveErrors && FLines->GetErrorCount(count) && count != errorCount) {
      events |= EV_ERR;
      errorCount = count;
    }
    if (events == 0) continue;
    FEventMask = events;
    FModemStatus = before;
    FHandOver->Synchronize([this] { DispatchEvents(); });
  }
  FHandOver->ThreadEnded();
}

void TCommThread::DispatchEvents() {
  int waiting = 0;
  if (::ioctl(FPort.Get(), TIOCINQ, &waiting) != 0 || waiting < 0) waiting = 0;
  if (FEventMask & EV_RXCHAR) {
    if (auto hook = FReceiveHook) hook(static_cast<uint32_t>(waiting));
    FEventMask &= ~EV_RXCHAR;
  }
  if (FEventMask != 0) {
    if (auto hook = FStatusHook) hook(FEventMask, FModemStatus);
  }
}

int TCommThread::ReadBytes(void* buffer, int count, const TWaitHook& wait, std::chrono::milliseconds limit) {
  if (count <= 0) return 0;
  auto* out = static_cast<unsigned char*>(buffer);
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int got = 0;
  while (got < count) {
    short revents = 0;
    if (PollUntil(FPort.Get(), POLLIN, deadline, wait, revents) <= 0) break;  // time is up
    // In raw mode a read of an empty queue returns 0 rather than failing with EAGAIN.
    const ssize_t n = ::read(FPort.Get(), out + got, static_cast<size_t>(count - got));
    if (n > 0) {
      got += static_cast<int>(n);
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n < 0 || (revents & (POLLHUP | POLLERR | POLLNVAL)) || MsLeft(deadline) == 0)
      break;  // the device went away, or time is up
  }
  return got;
}

int TCommThread::WriteBytes(const void* buffer, int count, const TWaitHook& wait) {
  const auto* in = static_cast<const unsigned char*>(buffer);
  const auto deadline = std::chrono::steady_clock::now() + TransferLimit;
  int put = 0;
  while (put < count) {
    const ssize_t n = ::write(FPort.Get(), in + put, static_cast<size_t>(count - put));
    if (n > 0) {
      put += static_cast<int>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) break;
    // Only when the driver's buffer is full: wait for room, within the write's time limit.
    short revents = 0;
    if (MsLeft(deadline) == 0 || PollUntil(FPort.Get(), POLLOUT, deadline, wait, revents) < 0) break;
  }
  return put;
}
