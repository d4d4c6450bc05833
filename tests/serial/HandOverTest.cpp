// The hand-over of calls from the event thread while the GUI thread waits for that thread's end.
#include "HandOver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

namespace {

// The port is closed (the GUI thread waits for the event thread's end) just as a line event
// arrives: the waiting GUI thread must run the event's call, or both threads wait for each other
// for ever. Without a poster, as a host without a message loop (the command line) has it.
TEST(HandOver, ACallQueuedWhileTheGuiThreadWaitsForTheEndIsRun) {
  for (int round = 0; round < 20; ++round) {
    auto queue = std::make_shared<THandOverQueue>();
    bool ran = false;
    std::thread event([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(round % 4));  // before or after the wait begins
      queue->Synchronize([&] { ran = true; });
      queue->ThreadEnded();
    });
    queue->RequestStop();
    auto waited = std::async(std::launch::async, [&] { queue->WaitForEnd(); });
    ASSERT_EQ(waited.wait_for(std::chrono::seconds(5)), std::future_status::ready) << "round " << round;
    event.join();
    EXPECT_TRUE(ran);
  }
}

}  // namespace
