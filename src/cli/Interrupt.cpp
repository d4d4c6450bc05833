#include "Interrupt.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <ctime>

namespace Interrupt {

namespace {

std::atomic<bool> FRequested{false};
std::atomic<long long> FWhenNs{0};  // CLOCK_MONOTONIC of the first signal, as steady_clock counts
int FWake[2] = {-1, -1};            // a byte is written into [1] on each signal; WaitFor polls [0]

long long NowNs() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// Async-signal-safe: atomics, clock_gettime and write only.
void OnSignal(int) {
  const int saved = errno;
  if (!FRequested.exchange(true)) FWhenNs = NowNs();
  const char byte = 1;
  if (FWake[1] >= 0) [[maybe_unused]]
    auto n = ::write(FWake[1], &byte, 1);
  errno = saved;
}

}  // namespace

void Install() {
  if (::pipe2(FWake, O_CLOEXEC | O_NONBLOCK) != 0) FWake[0] = FWake[1] = -1;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

bool Requested() { return FRequested; }

std::chrono::steady_clock::duration Since() {
  if (!FRequested) return {};
  return std::chrono::nanoseconds(NowNs() - FWhenNs);
}

bool WaitFor(std::chrono::milliseconds time) {
  const auto end = std::chrono::steady_clock::now() + time;
  while (!FRequested) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
    if (left <= 0) break;
    pollfd p{FWake[0], POLLIN, 0};
    ::poll(&p, FWake[0] >= 0 ? 1 : 0, static_cast<int>(left));
  }
  return FRequested;
}

void Check() {
  if (FRequested) throw TInterrupted{};
}

}  // namespace Interrupt
