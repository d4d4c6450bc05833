#pragma once
// Synchronous hand-over of calls from the event thread to the GUI thread, without tying the serial
// library to a GUI toolkit.
//
// The host gives a poster: post(f) must run f later on the GUI thread (a queued call in the GUI
// toolkit's message loop). The event thread puts its call into this queue, posts a wake-up that
// runs the queue, and blocks until the GUI thread has run the call. While the GUI thread waits for
// the event thread's end it runs queued calls itself, so the wait never depends on the host's loop.
// A wake-up that runs after the queue is gone does nothing.

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

using TGuiPoster = std::function<void(std::function<void()>)>;

class THandOverQueue : public std::enable_shared_from_this<THandOverQueue> {
 public:
  // GUI thread. Without a poster, queued calls run only in RunPending and WaitForEnd.
  void SetPoster(TGuiPoster post);

  // GUI thread, before an event thread starts: forget the previous thread's stop and end.
  void Reset();

  // Event thread: queues `call`, wakes the GUI thread and blocks until the call has run. Returns
  // early only when a stop was requested while the call is running further up the GUI thread's
  // stack (a handler closed the port), since that call cannot finish before the thread ends.
  void Synchronize(std::function<void()> call);

  // Event thread: marks the thread as ended; wakes a GUI thread waiting in WaitForEnd.
  void ThreadEnded();

  // GUI thread: runs every call queued so far, unless the calls are held.
  void RunPending();

  // GUI thread: while held, the wake-ups posted to the GUI thread run nothing and the event thread
  // stays blocked in its hand-over; WaitForEnd still runs the calls. Released, the queued calls
  // run at the next RunPending.
  void SetHeld(bool held) { FHeld = held; }

  // GUI thread: notes that the thread has been told to stop.
  void RequestStop();

  // GUI thread: waits until ThreadEnded, running queued calls meanwhile.
  void WaitForEnd();

  // GUI thread: true while a queued call runs (possibly nested).
  bool InsideCall() const { return FDepth > 0; }

  // GUI thread: keeps `object` alive until the outermost running call has returned.
  void KeepUntilCallsReturn(std::shared_ptr<void> object);

 private:
  enum class TState { hsQueued, hsRunning, hsDone };
  struct TRequest {
    std::function<void()> Call;
    TState State = TState::hsQueued;
  };

  void RunOne(const std::shared_ptr<TRequest>& req, std::unique_lock<std::mutex>& lock);

  std::mutex FMutex;
  std::condition_variable FChanged;
  std::deque<std::shared_ptr<TRequest>> FQueue;
  TGuiPoster FPoster;
  bool FStopRequested = false;
  bool FThreadEnded = false;
  bool FHeld = false;                             // GUI thread only
  int FDepth = 0;                                 // GUI thread only
  std::vector<std::shared_ptr<void>> FKeepAlive;  // GUI thread only
};
