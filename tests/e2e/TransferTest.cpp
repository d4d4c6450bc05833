// The register-level transfer: which register holds which entry, what a Read makes of the
// controller's values, and what a Write sends.
#include "ComPort.h"
#include "EscSimulator.h"
#include "SpedV4Device.h"
#include "Transfer.h"

#include <gtest/gtest.h>

#include <set>

namespace {

struct TRecordingSink : Transfer::TProgressSink {
  void Start(const std::string& caption, const std::string& message, int maximum) override {
    Started.push_back(caption + "/" + message + "/" + std::to_string(maximum));
    Visible = true;
  }
  void Message(const std::string& message) override { Messages.push_back(message); }
  void Step() override { ++Steps; }
  void Finish() override { Visible = false; }
  std::vector<std::string> Started, Messages;
  int Steps = 0;
  bool Visible = false;
};

struct TLink {
  explicit TLink(TEscSimulator::TOptions options = {}) : Sim(std::move(options)) {
    Port.SetPort(Sim.SlavePath());
    Port.Open();
  }
  TEscSimulator Sim;
  TComPort Port;
};

// The default profile, ready to use.
struct TDefaultProfile : TSpedV4Device {
  TDefaultProfile() { Clear(); }
};

TEST(Transfer, RegisterMapCoversEachCurveRegisterOnce) {
  EXPECT_EQ(Transfer::CurveRegister(31), 32);
  EXPECT_EQ(Transfer::CurveRegister(0), 63);
  EXPECT_EQ(Transfer::CurveRegister(32), 64);
  EXPECT_EQ(Transfer::CurveRegister(95), 127);
  std::set<int> registers;
  for (int entry : Transfer::TransferOrder()) registers.insert(Transfer::CurveRegister(entry));
  EXPECT_EQ(registers.size(), 96u);
  EXPECT_EQ(*registers.begin(), 32);
  EXPECT_EQ(*registers.rbegin(), 127);
  const auto order = Transfer::TransferOrder();
  EXPECT_EQ(order.front(), 32);
  EXPECT_EQ(order[63], 95);
  EXPECT_EQ(order[64], 31);
  EXPECT_EQ(order.back(), 0);
}

TEST(Transfer, FrequencyCodes) {
  EXPECT_EQ(Transfer::FrequencyIndexOfCode(249), 0);
  EXPECT_EQ(Transfer::FrequencyIndexOfCode(248), 6);
  EXPECT_EQ(Transfer::FrequencyIndexOfCode(62), 16);
  EXPECT_EQ(Transfer::FrequencyIndexOfCode(0), 0);
  EXPECT_EQ(Transfer::FrequencyIndexOfCode(250), 0);
}

TEST(Transfer, WriteSendsEveryEntryInOrderAndReadsItBack) {
  TLink link;
  TDefaultProfile profile;
  profile.SetY(10, 0x72);  // bytes equal to the command letters go out raw
  profile.SetY(70, 0x77);
  profile.SetFrequencies(13, 0);
  TRecordingSink sink;
  EXPECT_TRUE(Transfer::SaveToDevice(link.Port, profile, sink));
  EXPECT_EQ(sink.Started, std::vector<std::string>{"Progress/Writing profile/96"});
  EXPECT_TRUE(sink.Messages.empty());
  EXPECT_EQ(sink.Steps, 96);
  EXPECT_FALSE(sink.Visible);
  EXPECT_EQ(link.Sim.Register(1), 98);
  for (int entry = 0; entry <= 95; ++entry)
    EXPECT_EQ(link.Sim.Register(static_cast<uint8_t>(Transfer::CurveRegister(entry))), profile.GetY(entry)) << entry;

  // The frames: the frequency, then for each entry in order a write and a read of its register.
  const std::string sent = link.Sim.Received();
  ASSERT_EQ(sent.size(), 3u + 96 * 5);
  EXPECT_EQ(sent.substr(0, 3), std::string("w\x01\x62", 3));
  const auto order = Transfer::TransferOrder();
  for (int n = 0; n < 96; ++n) {
    const auto reg = static_cast<char>(Transfer::CurveRegister(order[n]));
    const std::string frames = sent.substr(3 + 5 * n, 5);
    EXPECT_EQ(frames, (std::string{'w', reg, static_cast<char>(profile.GetY(order[n])), 'r', reg})) << n;
  }
}

TEST(Transfer, WriteGoesOnThroughAReadBackFailure) {
  TEscSimulator::TOptions options;
  options.CorruptRegister = 70;
  TLink link(options);
  TRecordingSink sink;
  EXPECT_FALSE(Transfer::SaveToDevice(link.Port, TDefaultProfile(), sink));
  EXPECT_EQ(sink.Messages, std::vector<std::string>{"Readback fail"});
  EXPECT_EQ(sink.Steps, 96);
  EXPECT_EQ(link.Sim.FrameCount(), 1 + 96 * 2);
}

// A controller that stops answering ends the Write at the first reply that does not come, instead
// of every remaining register waiting out its time.
TEST(Transfer, WriteEndsWhenTheControllerFallsSilent) {
  TEscSimulator::TOptions options;
  options.StopAfter = 40;
  TLink link(options);
  TRecordingSink sink;
  EXPECT_FALSE(Transfer::SaveToDevice(link.Port, TDefaultProfile(), sink));
  EXPECT_EQ(link.Sim.FrameCount(), 41);
  EXPECT_FALSE(sink.Visible);
}

TEST(Transfer, ReadTakesTheControllersValues) {
  TLink link;
  TDefaultProfile source;
  source.SetY(20, 200);
  source.SetY(80, 17);
  for (int entry = 0; entry <= 95; ++entry)
    link.Sim.SetRegister(static_cast<uint8_t>(Transfer::CurveRegister(entry)), static_cast<uint8_t>(source.GetY(entry)));
  link.Sim.SetRegister(1, 248);

  TDefaultProfile profile;
  TRecordingSink sink;
  ASSERT_TRUE(Transfer::LoadFromDevice(link.Port, profile, sink));
  EXPECT_EQ(sink.Started, std::vector<std::string>{"Progress/Reading profile/96"});
  EXPECT_EQ(sink.Steps, 96);
  EXPECT_FALSE(sink.Visible);
  for (int entry = 0; entry <= 95; ++entry) {
    EXPECT_EQ(profile.GetY(entry), source.GetY(entry)) << entry;
    EXPECT_TRUE(profile.IsBreakpoint(entry)) << entry;
    EXPECT_EQ(profile.GetPoint(entry).X, source.GetPoint(entry).X);
  }
  int fwd, brk;
  profile.GetFrequencies(fwd, brk);
  EXPECT_EQ(fwd, 6);
  EXPECT_EQ(brk, 6);
  EXPECT_EQ(link.Sim.FrameCount(), 97);
}

TEST(Transfer, ReadThatLosesTheControllerChangesNothing) {
  TEscSimulator::TOptions options;
  options.StopAfter = 40;
  TLink link(options);
  TDefaultProfile profile;
  profile.SetY(50, 99);
  profile.SetFrequencies(3, 3);
  TSpedV4Device before;
  before.Assign(profile);
  TRecordingSink sink;
  EXPECT_FALSE(Transfer::LoadFromDevice(link.Port, profile, sink));
  EXPECT_FALSE(sink.Visible);
  for (int entry = 0; entry < 256; ++entry) {
    EXPECT_EQ(profile.GetPoint(entry), before.GetPoint(entry)) << entry;
    EXPECT_EQ(profile.IsBreakpoint(entry), before.IsBreakpoint(entry)) << entry;
  }
  int fwd, brk;
  profile.GetFrequencies(fwd, brk);
  EXPECT_EQ(fwd, 3);
  EXPECT_EQ(profile.GetDeadband(), before.GetDeadband());
}

}  // namespace
