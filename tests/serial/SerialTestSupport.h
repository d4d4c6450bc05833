#pragma once
// Helpers for the serial tests: a stand-in for the GUI thread's message loop, waits with a
// deadline, and modem lines the test controls.

#include "HandOver.h"
#include "ModemLines.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

using namespace std::chrono_literals;

// The test's own message loop: the poster queues calls; the test thread runs them when it chooses.
class TTestLoop {
 public:
  TGuiPoster Poster() {
    return [this](std::function<void()> f) {
      std::lock_guard lock(FMutex);
      FQueue.push_back(std::move(f));
      ++FPosted;
      FPostedCv.notify_all();
    };
  }
  int Posted() {
    std::lock_guard lock(FMutex);
    return FPosted;
  }
  // Waits until a call is queued; false when none came within `limit`.
  bool WaitForPost(std::chrono::milliseconds limit = 5000ms) {
    std::unique_lock lock(FMutex);
    return FPostedCv.wait_for(lock, limit, [&] { return !FQueue.empty(); });
  }
  // Runs the calls queued so far, on the calling thread.
  void RunAll() {
    std::deque<std::function<void()>> calls;
    {
      std::lock_guard lock(FMutex);
      calls.swap(FQueue);
    }
    for (auto& f : calls) f();
  }
  // Runs queued calls as they come until `done` holds; false when it did not within `limit`.
  bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 5000ms) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left <= 0ms || !WaitForPost(left)) return done();
      RunAll();
    }
    return true;
  }

 private:
  std::mutex FMutex;
  std::condition_variable FPostedCv;
  std::deque<std::function<void()>> FQueue;
  int FPosted = 0;
};

// Waits for a condition that nothing signals (a byte count in the kernel) by checking it again
// and again until `limit`.
inline bool WaitUntil(const std::function<bool()>& cond, std::chrono::milliseconds limit = 5000ms) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!cond()) {
    if (std::chrono::steady_clock::now() >= deadline) return cond();
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

// Modem lines and error counters under the test's control.
struct TFakeLineState {
  std::mutex Mutex;
  uint32_t Status = 0;
  uint32_t Errors = 0;
  int Samples = 0;  // status samples taken so far
  std::vector<std::pair<int, bool>> LinesSet;
  // Run once, on the event thread, inside the next status sample; it may change the state.
  std::function<void(int fd, TFakeLineState& state)> OnNextSample;

  void SetStatus(uint32_t status) {
    std::lock_guard lock(Mutex);
    Status = status;
  }
  void SetOnNextSample(std::function<void(int fd, TFakeLineState& state)> hook) {
    std::lock_guard lock(Mutex);
    OnNextSample = std::move(hook);
  }
  void AddError() {
    std::lock_guard lock(Mutex);
    ++Errors;
  }
  int SampleCount() {
    std::lock_guard lock(Mutex);
    return Samples;
  }
  std::vector<std::pair<int, bool>> Lines() {
    std::lock_guard lock(Mutex);
    return LinesSet;
  }
};

inline TModemLinesFactory FakeLines(TFakeLineState& state) {
  struct TLines : TModemLines {
    TLines(TFakeLineState& s, int fd) : S(s), Fd(fd) {}
    bool GetStatus(uint32_t& status) override {
      std::function<void(int, TFakeLineState&)> hook;
      {
        std::lock_guard lock(S.Mutex);
        status = S.Status;
        ++S.Samples;
        hook.swap(S.OnNextSample);
      }
      if (hook) hook(Fd, S);
      return true;
    }
    bool GetErrorCount(uint32_t& count) override {
      std::lock_guard lock(S.Mutex);
      count = S.Errors;
      return true;
    }
    void SetLine(int line, bool on) override {
      std::lock_guard lock(S.Mutex);
      S.LinesSet.emplace_back(line, on);
    }
    TFakeLineState& S;
    int Fd;
  };
  return [&state](int fd) { return std::make_unique<TLines>(state, fd); };
}
