#include "ComPort.h"
#include "EscSimulator.h"
#include "SerialTestSupport.h"
#include "SimulatorPace.h"

#include <gtest/gtest.h>

namespace {

// A port with the simulated controller behind it. The controller's own timing (the 40 ms pause,
// the half second for each reply byte) only where a test says so: what the other tests check does
// not depend on it, and a silent controller would make each of them wait seconds.
struct TLink {
  TLink() : TLink(TEscSimulator::TOptions{}) {}
  explicit TLink(TEscSimulator::TOptions options, bool realTime = false) : sim(std::move(options)) {
    if (!realTime) AtSimulatorPace(port);
    port.SetPort(sim.SlavePath());
    port.Open();
  }
  // The connection probe: 170 written into register 20 must read back.
  bool Probe() {
    port.WriteRegister(20, 170);
    uint8_t value = 0;
    port.ReadRegister(20, value);
    return value == 170;
  }
  TEscSimulator sim;
  TComPort port;
};

TEST(RegisterCommands, FramesAreSentRawByteForByte) {
  TLink link({}, true);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(link.port.WriteRegister(0, 0));
  EXPECT_TRUE(link.port.LastReplyComplete());
  EXPECT_TRUE(link.port.WriteRegister(0x72, 0x77));
  EXPECT_TRUE(link.port.WriteRegister(0x77, 0x72));
  uint8_t a = 1, b = 1, c = 1;
  EXPECT_TRUE(link.port.ReadRegister(0, a));
  EXPECT_TRUE(link.port.ReadRegister(0x77, b));
  EXPECT_TRUE(link.port.ReadRegister(0x72, c));
  EXPECT_TRUE(link.port.LastReplyComplete());
  const std::string expected(
      "w\0\0"
      "wrw"
      "wwr"
      "r\0"
      "rw"
      "rr",
      15);
  EXPECT_EQ(link.sim.Received(), expected);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 0x72);
  EXPECT_EQ(c, 0x77);
  EXPECT_EQ(link.sim.FrameCount(), 6);
  // Each command paused the controller's 40 ms before its reply was read.
  EXPECT_GE(std::chrono::steady_clock::now() - start, 6 * TComPort::ControllerPause);
}

TEST(RegisterCommands, EveryValueReadsBack) {
  TLink link;
  for (int v = 0; v < 256; v += 17) {
    const auto reg = static_cast<uint8_t>(255 - v);
    ASSERT_TRUE(link.port.WriteRegister(reg, static_cast<uint8_t>(v)));
    uint8_t got = 0;
    ASSERT_TRUE(link.port.ReadRegister(reg, got));
    EXPECT_EQ(got, v);
    EXPECT_EQ(link.sim.Register(reg), v);
  }
  EXPECT_TRUE(link.Probe());
}

TEST(RegisterCommands, ClosedPortSendsNothingAndLeavesValue) {
  TLink link;
  link.port.Close();
  uint8_t value = 42;
  EXPECT_FALSE(link.port.WriteRegister(1, 2));
  EXPECT_FALSE(link.port.ReadRegister(1, value));
  EXPECT_EQ(value, 42);
  link.port.Open();  // a frame sent now must be the first the controller sees
  link.port.WriteRegister(9, 9);
  EXPECT_EQ(link.sim.Received(), "w\x09\x09");
}

TEST(RegisterCommands, LoopBackPlugReadsZero) {
  TEscSimulator::TOptions echo;
  echo.Echo = true;
  TLink link(echo);
  EXPECT_TRUE(link.port.WriteRegister(20, 170));
  EXPECT_TRUE(link.port.LastReplyComplete());  // the echo of its three bytes
  uint8_t value = 99;
  EXPECT_TRUE(link.port.ReadRegister(20, value));
  EXPECT_EQ(value, 0);  // the echo has two bytes; the third slot stays 0
  EXPECT_FALSE(link.port.LastReplyComplete());
  EXPECT_FALSE(link.Probe());
}

TEST(RegisterCommands, SilentControllerReadsZero) {
  TEscSimulator::TOptions silent;
  silent.Silent = true;
  TLink link(silent);
  link.sim.SetRegister(5, 77);
  uint8_t value = 99;
  EXPECT_TRUE(link.port.ReadRegister(5, value));
  EXPECT_EQ(value, 0);
  EXPECT_FALSE(link.port.LastReplyComplete());
}

TEST(RegisterCommands, CorruptingControllerFailsOnlyItsRegister) {
  TEscSimulator::TOptions corrupt;
  corrupt.CorruptRegister = 20;
  TLink link(corrupt);
  EXPECT_FALSE(link.Probe());
  link.port.WriteRegister(21, 170);
  uint8_t value = 0;
  link.port.ReadRegister(21, value);
  EXPECT_EQ(value, 170);
}

TEST(RegisterCommands, ControllerFallingSilentAfterTwoFrames) {
  TEscSimulator::TOptions stop;
  stop.StopAfter = 2;
  TLink link(stop);
  EXPECT_TRUE(link.Probe());
  link.port.WriteRegister(20, 1);
  EXPECT_FALSE(link.port.LastReplyComplete());
  EXPECT_EQ(link.sim.Register(20), 170);  // the unanswered write was not stored
}

TEST(RegisterCommands, ExtraReplyByteShiftsTheNextReply) {
  TEscSimulator::TOptions extra;
  extra.ExtraByte = true;
  TLink link(extra);
  link.port.WriteRegister(7, 200);
  EXPECT_TRUE(link.port.LastReplyComplete());
  uint8_t value = 0;
  link.port.ReadRegister(7, value);
  // The left-over byte is taken as the first reply byte, so the register number lands in the
  // value's slot.
  EXPECT_EQ(value, 7);
}

TEST(CommThread, ReadOfNothingLeavesTheQueueAlone) {
  TEscSimulator::TOptions silent;
  silent.Silent = true;
  TEscSimulator sim(silent);
  TCommThread thread(sim.SlavePath());
  ASSERT_TRUE(thread.IsOpen());
  sim.Send("ab");
  ASSERT_TRUE(WaitUntil([&] { return sim.PortInputQueue() == 2; }));
  char buf[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(thread.ReadBytes(buf, 0), 0);
  EXPECT_EQ(sim.PortInputQueue(), 2);
  EXPECT_EQ(thread.ReadBytes(buf, 4), 2);  // all there is, after the time limit
  EXPECT_EQ(std::string(buf, 2), "ab");
  EXPECT_EQ(buf[2], 'x');
}

TEST(CommThread, ReadWaitsTheWholeTimeLimit) {
  TEscSimulator::TOptions silent;
  silent.Silent = true;
  TEscSimulator sim(silent);
  TCommThread thread(sim.SlavePath());
  char c = 0;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(thread.ReadBytes(&c, 1), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 500ms);
}

}  // namespace

// A receive handler assigned while a controller command runs, with the GUI thread serving its
// other events from the wait hook, must not get the reply bytes of the register commands.
TEST(RegisterCommands, HeldHandOversLeaveTheReplyToTheCommand) {
  for (const bool held : {true, false}) {
    TTestLoop loop;
    TLink link;
    link.port.SetCommandPause(TComPort::ControllerPause);  // the hand-over comes during the pause
    link.sim.SetRegister(9, 123);
    link.port.SetGuiPoster(loop.Poster());
    std::string taken;
    link.port.HoldHandOvers(held);
    link.port.SetWaitHook([&] {
      link.port.ReceiveCallBack = [&](const std::string& data) { taken += data; };
      loop.RunAll();
    });
    uint8_t value = 0;
    link.port.ReadRegister(9, value);
    link.port.SetWaitHook({});
    link.port.HoldHandOvers(false);
    loop.RunAll();
    if (held) {
      EXPECT_EQ(value, 123);
      EXPECT_TRUE(link.port.LastReplyComplete());
      EXPECT_EQ(taken, "");
    } else {  // what the hold prevents: the handler took the reply
      EXPECT_NE(taken, "");
      EXPECT_FALSE(link.port.LastReplyComplete());
    }
  }
}

// An adapter pulled out: the frame cannot be sent, which WriteRegister reports, and no reply is
// waited for.
TEST(RegisterCommands, FrameThatCannotBeSentFailsTheWrite) {
  TEscSimulator::TOptions unplug;
  unplug.UnplugAfter = 1;
  TLink link(unplug);
  EXPECT_TRUE(link.port.WriteRegister(20, 170));
  ASSERT_TRUE(WaitUntil([&] { return !link.port.WriteRegister(20, 1); }));
  EXPECT_FALSE(link.port.LastReplyComplete());
  EXPECT_EQ(link.port.LastReplyCount(), 0);
}
