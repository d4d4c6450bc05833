#include "HandOver.h"

void THandOverQueue::SetPoster(TGuiPoster post) {
  std::lock_guard lock(FMutex);
  FPoster = std::move(post);
}

void THandOverQueue::Reset() {
  std::lock_guard lock(FMutex);
  FStopRequested = false;
  FThreadEnded = false;
}

void THandOverQueue::Synchronize(std::function<void()> call) {
  auto req = std::make_shared<TRequest>();
  req->Call = std::move(call);
  TGuiPoster post;
  {
    std::lock_guard lock(FMutex);
    FQueue.push_back(req);
    post = FPoster;
  }
  if (post) {
    std::weak_ptr<THandOverQueue> weak = weak_from_this();
    post([weak] {
      if (auto queue = weak.lock()) queue->RunPending();
    });
  }
  std::unique_lock lock(FMutex);
  FChanged.wait(lock,
                [&] { return req->State == TState::hsDone || (FStopRequested && req->State == TState::hsRunning); });
}

void THandOverQueue::ThreadEnded() {
  std::lock_guard lock(FMutex);
  FThreadEnded = true;
  FChanged.notify_all();
}

void THandOverQueue::RunOne(const std::shared_ptr<TRequest>& req, std::unique_lock<std::mutex>& lock) {
  req->State = TState::hsRunning;
  lock.unlock();
  // Marks the call done even when a handler lets an exception escape, so that the event thread
  // is released and the exception reaches the host.
  struct TFinish {
    THandOverQueue& Q;
    const std::shared_ptr<TRequest>& Req;
    std::unique_lock<std::mutex>& Lock;
    ~TFinish() {
      if (--Q.FDepth == 0) Q.FKeepAlive.clear();
      Lock.lock();
      Req->State = TState::hsDone;
      Q.FChanged.notify_all();
    }
  } finish{*this, req, lock};
  ++FDepth;
  req->Call();
}

void THandOverQueue::RunPending() {
  if (FHeld) return;
  std::unique_lock lock(FMutex);
  while (!FQueue.empty()) {
    auto req = FQueue.front();
    FQueue.pop_front();
    RunOne(req, lock);
  }
}

void THandOverQueue::RequestStop() {
  std::lock_guard lock(FMutex);
  FStopRequested = true;
  FChanged.notify_all();
}

void THandOverQueue::WaitForEnd() {
  std::unique_lock lock(FMutex);
  for (;;) {
    if (!FQueue.empty()) {
      auto req = FQueue.front();
      FQueue.pop_front();
      RunOne(req, lock);
      continue;
    }
    if (FThreadEnded) return;
    FChanged.wait(lock);
  }
}

void THandOverQueue::KeepUntilCallsReturn(std::shared_ptr<void> object) {
  if (FDepth > 0) FKeepAlive.push_back(std::move(object));
}
