#include "ComPort.h"
#include "EscSimulator.h"
#include "IdlePty.h"
#include "PortDevice.h"
#include "SerialTestSupport.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <cerrno>
#include <filesystem>
#include <optional>

namespace {

// A port on a simulated line. The simulator is silent, so the test alone decides what arrives.
class ComPortTest : public ::testing::Test {
 protected:
  ComPortTest() : sim(Silent()) {
    port.SetPort(sim.SlavePath());
    port.SetGuiPoster(loop.Poster());
    port.ReceiveCallBack = [this](const std::string& data) { received.push_back(data); };
  }
  static TEscSimulator::TOptions Silent() {
    TEscSimulator::TOptions o;
    o.Silent = true;
    return o;
  }
  // Sends `bytes` and waits until all of them wait at the port and a dispatch has been posted.
  void Arrive(const std::string& bytes) {
    const int before = sim.PortInputQueue();
    sim.Send(bytes);
    ASSERT_TRUE(WaitUntil([&] { return sim.PortInputQueue() >= before + static_cast<int>(bytes.size()); }));
    ASSERT_TRUE(loop.WaitForPost());
  }

  TTestLoop loop;
  TEscSimulator sim;
  TFakeLineState lines;
  std::vector<std::string> received;
  TComPort port;
};

TEST_F(ComPortTest, OpenCloseReopenFireEachEventOnce) {
  int opened = 0, closed = 0;
  port.OnPortOpen = [&](TComPort& sender) {
    EXPECT_EQ(&sender, &port);
    ++opened;
  };
  port.OnPortClose = [&](TComPort&) { ++closed; };
  port.Close();
  EXPECT_EQ(closed, 0);
  port.Open();
  port.Open();
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(opened, 1);
  port.Close();
  port.Close();
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(closed, 1);
  port.Open();
  EXPECT_EQ(opened, 2);
  Arrive("x");
  ASSERT_TRUE(loop.PumpUntil([&] { return !received.empty(); }));
  EXPECT_EQ(received.back(), "x");
}

TEST_F(ComPortTest, LineRunsRaw19200WhateverWasSet) {
  port.SetBaud(9600);
  port.Open();
  EXPECT_EQ(port.Baud(), 19200u);
  const termios t = sim.PortSettings();
  EXPECT_EQ(cfgetospeed(&t), B19200);
  EXPECT_EQ(cfgetispeed(&t), B19200);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
}

TEST_F(ComPortTest, PortInUseCannotBeOpenedAgain) {
  port.Open();
  TComPort second;
  second.SetPort(sim.SlavePath());
  int opened = 0;
  second.OnPortOpen = [&](TComPort&) { ++opened; };
  try {
    second.Open();
    FAIL() << "second open succeeded";
  } catch (const EComError& e) {
    EXPECT_EQ(std::string(e.what()), "TCOMPORT : cannot open " + sim.SlavePath() + "\rDevice or resource busy");
  }
  EXPECT_FALSE(second.IsOpen());
  EXPECT_EQ(opened, 0);
  port.Close();
  second.Open();  // free again once the first one let go
  EXPECT_TRUE(second.IsOpen());
}

TEST(ComPortOpen, MissingOrWrongDeviceRaisesWithSystemText) {
  TComPort port;
  int opened = 0;
  port.OnPortOpen = [&](TComPort&) { ++opened; };
  const auto expectError = [&](const std::string& name, const std::string& text) {
    port.SetPort(name);
    try {
      port.Open();
      ADD_FAILURE() << name << " opened";
    } catch (const EComError& e) {
      EXPECT_EQ(std::string(e.what()), "TCOMPORT : cannot open " + name + "\r" + text);
    }
    EXPECT_FALSE(port.IsOpen());
  };
  expectError("/dev/ttyUSB-not-there", "No such file or directory");
  expectError("", "No such file or directory");
  const auto file = std::filesystem::temp_directory_path() / ("not-a-port-" + std::to_string(::getpid()));
  { TFileHandle h(::open(file.c_str(), O_CREAT | O_WRONLY, 0600)); }
  expectError(file.string(), "Inappropriate ioctl for device");
  std::filesystem::remove(file);
  EXPECT_EQ(opened, 0);
}

TEST(ComPortOpen, PermissionDeniedNamesTheDeviceGroup) {
  const auto file = std::filesystem::temp_directory_path() / ("port-group-" + std::to_string(::getpid()));
  { TFileHandle h(::open(file.c_str(), O_CREAT | O_WRONLY, 0600)); }
  const gid_t gid = 20;
  if (::chown(file.c_str(), static_cast<uid_t>(-1), gid) != 0) GTEST_SKIP() << "cannot change the group of a file here";
  const group* g = ::getgrgid(gid);
  const std::string name = g ? g->gr_name : std::to_string(gid);
  EXPECT_EQ(
      OpenErrorText(EACCES, file.string()),
      "Permission denied\rOn Linux the user must be a member of the group that owns the device (\"" + name + "\").");
  std::filesystem::remove(file);
  EXPECT_EQ(OpenErrorText(EACCES, file.string()),
            "Permission denied\rOn Linux the user must be a member of the group that owns the device "
            "(dialout on Debian and Ubuntu).");
  EXPECT_EQ(OpenErrorText(ENOENT, file.string()), "No such file or directory");
}

TEST_F(ComPortTest, RawModeDeliversEachNotification) {
  port.Open();
  Arrive("hello");
  loop.RunAll();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0], "hello");
  Arrive(std::string("\0\r\n", 3));
  loop.RunAll();
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[1], std::string("\0\r\n", 3));
}

TEST_F(ComPortTest, TermModeDeliversOneChunkPerNotification) {
  port.SetReceiveMode(rmTERM);
  port.Open();
  Arrive("AB\r\nCD\r\n");
  loop.RunAll();
  ASSERT_EQ(received, std::vector<std::string>{"AB\r\n"});
  Arrive("E");  // the next notification delivers the chunk that waited
  loop.RunAll();
  ASSERT_EQ(received, (std::vector<std::string>{"AB\r\n", "CD\r\n"}));
}

TEST_F(ComPortTest, TermModeJoinsTerminatorSplitAcrossNotifications) {
  port.SetReceiveMode(rmTERM);
  port.Open();
  Arrive("AB\r");
  loop.RunAll();
  EXPECT_TRUE(received.empty());
  Arrive("\nC");
  loop.RunAll();
  ASSERT_EQ(received, std::vector<std::string>{"AB\r\n"});
  Arrive("D\r\n");
  loop.RunAll();
  ASSERT_EQ(received, (std::vector<std::string>{"AB\r\n", "CD\r\n"}));
}

TEST_F(ComPortTest, EmptyTerminatorHoldsDataUntilAValidOne) {
  port.SetReceiveMode(rmTERM);
  EXPECT_THROW(port.SetTerminator(""), EComError);
  port.Open();
  Arrive("AB;CD");
  loop.RunAll();
  EXPECT_TRUE(received.empty());
  port.SetTerminator("#59");
  Arrive("E");
  loop.RunAll();
  ASSERT_EQ(received, std::vector<std::string>{"AB;"});
}

TEST_F(ComPortTest, BytesTakenByADirectReadGiveAnEmptyNotification) {
  port.Open();
  Arrive("abc");
  uint8_t value = 7;
  ASSERT_TRUE(port.ReadRegister(1, value));  // silent controller: the reply slots take "abc"
  EXPECT_EQ(value, 'c');
  loop.RunAll();
  ASSERT_EQ(received, std::vector<std::string>{""});
}

TEST_F(ComPortTest, TermModeNotificationWithEmptyQueueDeliversWaitingChunk) {
  port.SetReceiveMode(rmTERM);
  port.Open();
  Arrive("A\rB\r");
  port.SetTerminator("#13");
  loop.RunAll();
  ASSERT_EQ(received, std::vector<std::string>{"A\r"});
  Arrive("xyz");
  uint8_t value = 0;
  port.ReadRegister(1, value);  // takes "xyz" off the line
  loop.RunAll();
  ASSERT_EQ(received, (std::vector<std::string>{"A\r", "B\r"}));
}

TEST_F(ComPortTest, ReceivedDataComesBeforeTheLineChangeOfTheSameEvent) {
  port.SetModemLinesFactory(FakeLines(lines));
  std::vector<std::string> order;
  port.ReceiveCallBack = [&](const std::string& data) { order.push_back("rx:" + data); };
  port.OnCTSChanged = [&](bool on) { order.push_back(on ? "cts:on" : "cts:off"); };
  port.Open();
  // At the next sample the data is put on the line and CTS rises: the thread finds both at once.
  lines.SetOnNextSample([this](int fd, TFakeLineState& state) {
    sim.Send("Z");
    EXPECT_TRUE(WaitUntil([fd] {
      int n = 0;
      return ::ioctl(fd, TIOCINQ, &n) == 0 && n > 0;
    })) << "the data never reached the port";
    state.SetStatus(MS_CTS_ON);
  });
  ASSERT_TRUE(loop.PumpUntil([&] { return order.size() >= 2; }));
  EXPECT_EQ(order, (std::vector<std::string>{"rx:Z", "cts:on"}));
}

TEST_F(ComPortTest, LineChangesAndErrorsFireTheirEvents) {
  port.SetModemLinesFactory(FakeLines(lines));
  std::vector<std::string> seen;
  port.OnCTSChanged = [&](bool s) { seen.push_back(std::string("cts:") + (s ? "1" : "0")); };
  port.OnDSRChanged = [&](bool s) { seen.push_back(std::string("dsr:") + (s ? "1" : "0")); };
  port.OnRLSDChanged = [&](bool s) { seen.push_back(std::string("rlsd:") + (s ? "1" : "0")); };
  port.OnRingChanged = [&](bool s) { seen.push_back(std::string("ring:") + (s ? "1" : "0")); };
  port.OnError = [&](TComPort& sender) {
    EXPECT_EQ(&sender, &port);
    seen.push_back("error");
  };
  port.Open();
  // The lines as they were at the start count as no change.
  ASSERT_TRUE(WaitUntil([&] { return lines.SampleCount() >= 2; }));
  lines.SetStatus(MS_DSR_ON | MS_RLSD_ON | MS_RING_ON);
  ASSERT_TRUE(loop.PumpUntil([&] { return seen.size() >= 3; }));
  EXPECT_EQ(seen, (std::vector<std::string>{"dsr:1", "rlsd:1", "ring:1"}));
  seen.clear();
  lines.SetStatus(MS_RLSD_ON);
  ASSERT_TRUE(loop.PumpUntil([&] { return seen.size() >= 2; }));
  EXPECT_EQ(seen, (std::vector<std::string>{"dsr:0", "ring:0"}));
  seen.clear();
  lines.AddError();
  ASSERT_TRUE(loop.PumpUntil([&] { return !seen.empty(); }));
  EXPECT_EQ(seen, std::vector<std::string>{"error"});
}

TEST_F(ComPortTest, OpenLowersDtrAndRtsWhichFollowTheirSetters) {
  port.SetModemLinesFactory(FakeLines(lines));
  port.SetDTR(true);  // closed: nothing happens
  EXPECT_TRUE(lines.Lines().empty());
  port.Open();
  port.SetDTR(true);
  port.SetRTS(true);
  port.SetRTS(false);
  port.Close();
  // Closing lowers both, so the device on the line sees the port let go.
  const std::vector<std::pair<int, bool>> expected{{TIOCM_DTR, false}, {TIOCM_RTS, false}, {TIOCM_DTR, true},
                                                   {TIOCM_RTS, true},  {TIOCM_RTS, false}, {TIOCM_DTR, false},
                                                   {TIOCM_RTS, false}};
  EXPECT_EQ(lines.Lines(), expected);
}

// The adapter goes away between the device's open and its line settings: Open raises with the
// reason and leaves nothing open, rather than a port that talks at an unknown speed.
TEST(ComPortOpen, LineThatCannotBeSetLeavesNothingOpen) {
  const auto openFds = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator{});
  };
  const auto before = openFds();
  {  // the port and the pseudo-terminal end here
    TIdlePty pty;
    ASSERT_FALSE(pty.SlavePath.empty());
    TComPort port;
    port.SetPort(pty.SlavePath);
    port.SetModemLinesFactory([&](int fd) {
      pty.CloseMaster();
      return MakeTtyModemLines(fd);
    });
    try {
      port.Open();
      ADD_FAILURE() << "Open succeeded on a line that cannot be set";
    } catch (const EComError& e) {
      EXPECT_EQ(std::string(e.what()), "TCOMPORT : cannot open " + pty.SlavePath +
                                           "\rThe port's line settings cannot be read: Input/output error");
    }
    EXPECT_FALSE(port.IsOpen());
  }
  EXPECT_EQ(openFds(), before);
}

TEST(ComPortHandOver, CloseRunsThePendingHandOverWithoutEvents) {
  std::vector<std::function<void()>> neverRun;
  std::mutex m;
  std::condition_variable cv;
  TEscSimulator::TOptions silent;
  silent.Silent = true;
  TEscSimulator sim(silent);
  {
    TComPort port;
    port.SetPort(sim.SlavePath());
    // A host whose loop never runs again.
    port.SetGuiPoster([&](std::function<void()> f) {
      std::lock_guard lock(m);
      neverRun.push_back(std::move(f));
      cv.notify_all();
    });
    int receives = 0, closes = 0;
    port.ReceiveCallBack = [&](const std::string&) { ++receives; };
    port.OnPortClose = [&](TComPort&) { ++closes; };
    port.Open();
    sim.Send("pending");
    {
      std::unique_lock lock(m);
      ASSERT_TRUE(cv.wait_for(lock, 5s, [&] { return !neverRun.empty(); }));
    }
    port.Close();
    EXPECT_EQ(receives, 0);
    EXPECT_EQ(closes, 1);
  }
  // The host's loop wakes up after the component is gone: the late call must do nothing.
  for (auto& f : neverRun) f();
}

TEST_F(ComPortTest, HandlerMayCloseThePort) {
  int closes = 0;
  port.OnPortClose = [&](TComPort&) { ++closes; };
  port.ReceiveCallBack = [&](const std::string& data) {
    received.push_back(data);
    port.Close();
  };
  port.Open();
  Arrive("bye");
  loop.RunAll();
  EXPECT_EQ(received, std::vector<std::string>{"bye"});
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(closes, 1);
  port.Open();  // and it can be opened again
  EXPECT_TRUE(port.IsOpen());
}

TEST_F(ComPortTest, UnpluggedDeviceLeavesTheComponentUsable) {
  std::optional<TEscSimulator> gone(std::in_place, Silent());
  port.SetPort(gone->SlavePath());
  port.Open();
  gone.reset();  // the other end closes
  ASSERT_TRUE(loop.PumpUntil([&] { return !received.empty(); }));
  uint8_t value = 9;
  EXPECT_TRUE(port.ReadRegister(3, value));
  EXPECT_EQ(value, 0);
  EXPECT_FALSE(port.LastReplyComplete());
  port.Close();
  EXPECT_FALSE(port.IsOpen());
}

}  // namespace
