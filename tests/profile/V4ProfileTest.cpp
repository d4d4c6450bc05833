// Deadband levels and frequencies of the V4 profile.
#include <gtest/gtest.h>

#include "SpedV4Device.h"

namespace {

TEST(V4Profile, AfterClear) {
  TSpedV4Device p;
  p.Clear();
  p.DetectDeadband();
  EXPECT_EQ(p.GetDeadband(), 1);
  int f = -1, b = -1;
  p.GetFrequencies(f, b);
  EXPECT_EQ(f, 0);
  EXPECT_EQ(b, 0);
  EXPECT_EQ(p.FrequencyName(0), "1.0k");
}

TEST(V4Profile, DeadbandLevelSequence) {
  TSpedV4Device p;
  p.Clear();
  TSpedV4Device def;
  def.Clear();

  p.SetDeadband(4);
  EXPECT_TRUE(p.IsBreakpoint(30));
  EXPECT_TRUE(p.IsBreakpoint(33));
  EXPECT_FALSE(p.IsBreakpoint(31));
  EXPECT_FALSE(p.IsBreakpoint(32));
  for (int i : {30, 31, 32, 33}) EXPECT_EQ(p.GetY(i), 0) << i;
  EXPECT_EQ(p.GetY(29), 9);
  EXPECT_EQ(p.GetY(34), 4);
  p.DetectDeadband();
  EXPECT_EQ(p.GetDeadband(), 4);

  p.SetDeadband(2);
  EXPECT_FALSE(p.IsBreakpoint(30));
  EXPECT_FALSE(p.IsBreakpoint(33));
  EXPECT_TRUE(p.IsBreakpoint(31));
  EXPECT_TRUE(p.IsBreakpoint(32));
  EXPECT_EQ(p.GetY(30), 8);
  EXPECT_EQ(p.GetY(33), 4);
  p.DetectDeadband();
  EXPECT_EQ(p.GetDeadband(), 2);

  p.SetDeadband(0);
  for (int i = 0; i <= 95; ++i) {
    EXPECT_EQ(p.GetY(i), def.GetY(i)) << i;
    EXPECT_EQ(p.IsBreakpoint(i), def.IsBreakpoint(i)) << i;
    EXPECT_FALSE(p.InDeadband(i)) << i;
  }
  EXPECT_TRUE(p.IsBreakpoint(32));
  p.DetectDeadband();
  EXPECT_EQ(p.GetDeadband(), 1);
}

TEST(V4Profile, InDeadbandFollowsTheLevel) {
  TSpedV4Device p;
  p.Clear();
  p.SetDeadband(3);
  for (int i = 0; i <= 95; ++i) EXPECT_EQ(p.InDeadband(i), i >= 31 && i <= 33) << i;
  p.SetDeadband(1);
  for (int i = 0; i <= 95; ++i) EXPECT_EQ(p.InDeadband(i), i == 32) << i;
}

TEST(V4Profile, UserBreakpointsInsideAndOnTheNewDeadband) {
  TSpedV4Device p;
  p.Clear();
  p.SetY(31, 90);  // strictly inside level 4's range
  p.SetY(30, 80);  // on level 4's low edge
  p.SetDeadband(4);
  EXPECT_FALSE(p.IsBreakpoint(31));
  EXPECT_EQ(p.GetY(31), 0);
  EXPECT_TRUE(p.IsBreakpoint(30));
  EXPECT_EQ(p.GetY(30), 0);
}

TEST(V4Profile, Frequencies) {
  TSpedV4Device p;
  p.Clear();
  p.SetFrequencies(3, 7);
  int f, b;
  p.GetFrequencies(f, b);
  EXPECT_EQ(f, 3);
  EXPECT_EQ(b, 3);
  EXPECT_EQ(p.LastFrequencyIndex(), 16);
  EXPECT_EQ(p.FrequencyName(13), "10.0k");
  EXPECT_EQ(p.FrequencyName(16), "16.0k");
  EXPECT_EQ(TSpedV4Device::V4Frequencies[6].Code, 248);
  // Every code is distinct: the controller's register value must identify one frequency.
  for (int i = 0; i < 17; ++i)
    for (int j = i + 1; j < 17; ++j)
      EXPECT_NE(TSpedV4Device::V4Frequencies[i].Code, TSpedV4Device::V4Frequencies[j].Code);
}

}  // namespace
