// The register-level transfer against a controller in memory: which register holds which entry,
// what a Read makes of the controller's values, what a Write sends, and how both end when the
// controller goes wrong.
#include "MemoryController.h"
#include "SpedV4Device.h"
#include "Transfer.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using TFrame = TMemoryController::TFrame;

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

// The default profile, ready to use.
struct TDefaultProfile : TSpedV4Device {
  TDefaultProfile() { Clear(); }
};

void ExpectSameProfile(const TSpedV4Device& a, const TSpedV4Device& b) {
  for (int entry = 0; entry < 256; ++entry) {
    ASSERT_EQ(a.GetPoint(entry), b.GetPoint(entry)) << entry;
    ASSERT_EQ(a.IsBreakpoint(entry), b.IsBreakpoint(entry)) << entry;
  }
  int fa, ba, fb, bb;
  a.GetFrequencies(fa, ba);
  b.GetFrequencies(fb, bb);
  EXPECT_EQ(fa, fb);
  EXPECT_EQ(ba, bb);
  EXPECT_EQ(a.GetDeadband(), b.GetDeadband());
}

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

TEST(Transfer, ProbeWritesAndReadsRegister20) {
  struct TCase {
    const char* Name;
    long StopAfter;
    int Corrupt;
    bool Connected;
  } cases[] = {{"answering", -1, -1, true},
               {"silent", 0, -1, false},
               {"answers the write only", 1, -1, false},
               {"reads back another value", -1, 20, false}};
  for (const TCase& c : cases) {
    TMemoryController esc;
    esc.StopAfter = c.StopAfter;
    esc.CorruptRegister = c.Corrupt;
    EXPECT_EQ(Transfer::IsConnected(esc), c.Connected) << c.Name;
    ASSERT_EQ(esc.Frames.size(), 2u) << c.Name;
    EXPECT_EQ(esc.Frames[0], (TFrame{'w', 20, 170})) << c.Name;
    EXPECT_EQ(esc.Frames[1].Command, 'r') << c.Name;
    EXPECT_EQ(esc.Frames[1].Reg, 20) << c.Name;
  }
}

TEST(Transfer, WriteSendsEveryEntryInOrderAndReadsItBack) {
  TMemoryController esc;
  TDefaultProfile profile;
  profile.SetY(10, 0x72);
  profile.SetY(70, 0x77);
  profile.SetFrequencies(13, 0);
  TRecordingSink sink;
  EXPECT_TRUE(Transfer::SaveToDevice(esc, profile, sink));
  EXPECT_EQ(sink.Started, std::vector<std::string>{"Progress/Writing profile/96"});
  EXPECT_TRUE(sink.Messages.empty());
  EXPECT_EQ(sink.Steps, 96);
  EXPECT_FALSE(sink.Visible);

  // The frequency, then for each entry in order a write and a read of its register.
  std::vector<TFrame> expected{{'w', 1, 98}};
  for (int entry : Transfer::TransferOrder()) {
    const auto reg = static_cast<uint8_t>(Transfer::CurveRegister(entry));
    const auto y = static_cast<uint8_t>(profile.GetY(entry));
    expected.push_back({'w', reg, y});
    expected.push_back({'r', reg, y});
  }
  EXPECT_EQ(esc.Frames, expected);
}

TEST(Transfer, WriteGoesOnThroughAReadBackFailure) {
  TMemoryController esc;
  esc.CorruptRegister = 70;
  TRecordingSink sink;
  EXPECT_FALSE(Transfer::SaveToDevice(esc, TDefaultProfile(), sink));
  EXPECT_EQ(sink.Messages, std::vector<std::string>{"Readback fail"});
  EXPECT_EQ(sink.Steps, 96);
  EXPECT_EQ(esc.Frames.size(), 1u + 96 * 2);
}

// A controller that stops answering, or a line that refuses the frames (the controller went
// away), ends the Write at the first reply that does not come, instead of every remaining
// register waiting out its time. A refused write is reported as such.
TEST(Transfer, WriteEndsWhenTheControllerFallsSilentOrGoesAway) {
  // Frame 40 is the write of the 20th entry, frame 41 its read-back.
  struct TCase {
    const char* Name;
    long StopAfter, RefuseAfter;
    size_t Frames;
    std::vector<std::string> Messages;
  } cases[] = {{"silent from a write", 39, -1, 40, {}},
               {"silent from a read-back", 40, -1, 41, {"Readback fail"}},
               {"gone before a write", -1, 39, 39, {"Write fail"}}};
  for (const TCase& c : cases) {
    TMemoryController esc;
    esc.StopAfter = c.StopAfter;
    esc.RefuseAfter = c.RefuseAfter;
    TRecordingSink sink;
    EXPECT_FALSE(Transfer::SaveToDevice(esc, TDefaultProfile(), sink)) << c.Name;
    EXPECT_EQ(esc.Frames.size(), c.Frames) << c.Name;
    EXPECT_EQ(sink.Steps, 19) << c.Name;  // the entries before the 20th went whole
    EXPECT_EQ(sink.Messages, c.Messages) << c.Name;
    EXPECT_FALSE(sink.Visible) << c.Name;
  }
}

TEST(Transfer, ReadTakesTheControllersValues) {
  TMemoryController esc;
  TDefaultProfile source;
  source.SetY(20, 200);
  source.SetY(80, 17);
  for (int entry = 0; entry <= 95; ++entry)
    esc.Registers[Transfer::CurveRegister(entry)] = static_cast<uint8_t>(source.GetY(entry));
  esc.Registers[1] = 248;

  TDefaultProfile profile;
  TRecordingSink sink;
  ASSERT_TRUE(Transfer::LoadFromDevice(esc, profile, sink));
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
  std::vector<TFrame> expected{{'r', 1, 248}};
  for (int entry : Transfer::TransferOrder()) {
    const auto reg = static_cast<uint8_t>(Transfer::CurveRegister(entry));
    expected.push_back({'r', reg, esc.Registers[reg]});
  }
  EXPECT_EQ(esc.Frames, expected);
}

// What the editor's Read makes of the values: every entry read, then fitted, then the deadband
// found from the values.
TEST(Transfer, FitAfterReadDropsUnneededBreakpointsAndFindsTheDeadband) {
  TDefaultProfile source;
  source.SetDeadband(3);
  source.SetY(10, 180);
  source.SetY(75, 90);
  Transfer::TRegisterFile regs{};
  Transfer::ProfileToRegisters(source, regs);

  TDefaultProfile read;
  Transfer::TakeRegisters(regs, read);
  Transfer::FitAfterRead(read);

  TDefaultProfile expected;
  expected.SetDeadband(0);
  for (int entry : Transfer::TransferOrder()) expected.SetY(entry, static_cast<uint8_t>(source.GetY(entry)));
  expected.FitCurve(1.5);
  expected.DetectDeadband();
  EXPECT_EQ(read.GetDeadband(), 3);
  ExpectSameProfile(read, expected);
}

TEST(Transfer, ReadThatLosesTheControllerChangesNothing) {
  for (long stop : {0L, 1L, 40L, 96L}) {
    TMemoryController esc;
    esc.StopAfter = stop;
    TDefaultProfile profile;
    profile.SetY(50, 99);
    profile.SetFrequencies(3, 3);
    TSpedV4Device before;
    before.Assign(profile);
    TRecordingSink sink;
    EXPECT_FALSE(Transfer::LoadFromDevice(esc, profile, sink)) << stop;
    EXPECT_FALSE(sink.Visible);
    EXPECT_EQ(esc.Frames.size(), static_cast<size_t>(stop + 1)) << "the reading stops at the first missing reply";
    ExpectSameProfile(profile, before);
  }
}

}  // namespace
