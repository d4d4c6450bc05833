// Interpolation arithmetic, breakpoint editing and fitting of the breakpoint curve.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "SpedV4Device.h"

namespace {

// A V4 profile whose breakpoints are exactly the given (index, Y) pairs, plus both ends at 0
// unless given.
class CurveFixture : public ::testing::Test {
 protected:
  void SetUp() override { P.Clear(); }
  void OnlyBreakpoints(std::initializer_list<std::pair<int, int>> points) {
    for (int i = 1; i < P.LastIndex(); ++i) P.ClearBreakpoint(i);
    for (auto [i, y] : points) P.SetY(i, static_cast<uint8_t>(y));
  }
  TSpedV4Device P;
};

TEST_F(CurveFixture, ExtendedPrecisionDecidesValuesNextToAHalf) {
  // X 70 is entry 38, X 90 is entry 58; the exact value at X 75 (entry 43) is 241.5, and the
  // stored slope and intercept put it just below the half.
  OnlyBreakpoints({{0, 0}, {38, 255}, {58, 201}, {95, 0}});
  EXPECT_EQ(P.GetPoint(43).X, 75);
  EXPECT_EQ(P.GetY(43), 241);

  // Plain double arithmetic with the same rounding gives the other neighbour.
  const double slope = -54.0 / 20.0;
  const double intercept = 255.0 - 70.0 * slope;
  EXPECT_EQ(std::lrint(75.0 * slope + intercept), 242);
}

TEST_F(CurveFixture, InterpolatedValuesStayWithinHalfOfTheExactLine) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 200; ++round) {
    for (int i = 1; i < P.LastIndex(); ++i) P.ClearBreakpoint(i);
    for (int k = 0; k < 6; ++k) P.SetY(1 + static_cast<int>(rng() % 94), static_cast<uint8_t>(rng() % 256));
    P.SetY(0, static_cast<uint8_t>(rng() % 256));
    for (int i = 1; i <= P.LastIndex(); ++i) {
      if (P.IsBreakpoint(i)) continue;
      const int b = P.PrevBreakpoint(i), c = P.NextBreakpoint(i);
      const auto pb = P.GetPoint(b), pc = P.GetPoint(c), pi = P.GetPoint(i);
      const double exact = pb.Y + double(pc.Y - pb.Y) * (pi.X - pb.X) / (pc.X - pb.X);
      ASSERT_LE(std::fabs(P.GetY(i) - exact), 0.5 + 1e-9) << "entry " << i;
    }
  }
}

TEST_F(CurveFixture, DefaultProfileIsAV) {
  const std::pair<int, int> expected[] = {{0, 255}, {1, 255},  {16, 132}, {31, 8},   {32, 0},
                                          {33, 4},  {62, 125}, {92, 251}, {93, 255}, {95, 255}};
  for (auto [i, y] : expected) EXPECT_EQ(P.GetY(i), y) << "entry " << i;
  for (int i = 0; i <= 95; ++i) {
    const bool bp = i == 0 || i == 1 || i == 32 || i == 93 || i == 95;
    EXPECT_EQ(P.IsBreakpoint(i), bp) << "entry " << i;
    EXPECT_EQ(P.GetPoint(i).X, i < 32 ? 2 * i : i + 32);
  }
  for (int i = 96; i < 256; ++i) EXPECT_EQ(P.GetPoint(i), (TPoint{0, 0}));
}

TEST_F(CurveFixture, BreakpointEditing) {
  // The ends stay breakpoints: clearing them is undone by the interpolation.
  P.ClearBreakpoint(0);
  P.ClearBreakpoint(95);
  EXPECT_TRUE(P.IsBreakpoint(0));
  EXPECT_TRUE(P.IsBreakpoint(95));

  // SetY on an existing breakpoint still re-interpolates its neighbours.
  TSpedV4Device once, twice;
  once.Clear();
  twice.Clear();
  once.SetY(50, 100);
  twice.SetY(50, 200);
  twice.SetY(50, 100);
  for (int i = 0; i <= 95; ++i) EXPECT_EQ(twice.GetY(i), once.GetY(i)) << i;

  // A new breakpoint moves its neighbours; removing it restores them.
  const int before = P.GetY(60);
  P.SetY(61, 20);
  EXPECT_NE(P.GetY(60), before);
  P.ClearBreakpoint(61);
  EXPECT_EQ(P.GetY(60), before);
  EXPECT_FALSE(P.IsBreakpoint(61));
  P.ClearBreakpoint(61);  // a derived entry: nothing happens
  EXPECT_EQ(P.GetY(60), before);

  EXPECT_EQ(P.PrevBreakpoint(0), 0);
  EXPECT_EQ(P.PrevBreakpoint(-5), 0);
  EXPECT_EQ(P.PrevBreakpoint(20), 1);
  EXPECT_EQ(P.NextBreakpoint(20), 32);
  EXPECT_EQ(P.NextBreakpoint(93), 95);
  EXPECT_EQ(P.NextBreakpoint(95), 95);

  EXPECT_EQ(P.IndexOfX(64), 32);
  EXPECT_EQ(P.IndexOfX(62), 31);
  EXPECT_EQ(P.IndexOfX(63), -1);
  EXPECT_EQ(P.IndexOfX(3), -1);
  EXPECT_EQ(P.IndexOfX(256), -1);
  EXPECT_EQ(P.IndexOfX(-1), -1);
}

TEST(Curve, DetectDeadbandFromTheCentreEntries) {
  struct Case {
    int y30, y31, y32, y33, level;
  } cases[] = {{0, 0, 0, 0, 4}, {5, 0, 0, 0, 3}, {0, 0, 0, 7, 2}, {5, 5, 0, 5, 1}, {0, 0, 5, 0, 0}};
  for (const Case& c : cases) {
    TSpedV4Device p;
    p.Clear();
    for (int i = 1; i < 95; ++i) p.ClearBreakpoint(i);
    p.SetY(30, uint8_t(c.y30));
    p.SetY(31, uint8_t(c.y31));
    p.SetY(32, uint8_t(c.y32));
    p.SetY(33, uint8_t(c.y33));
    p.DetectDeadband();
    EXPECT_EQ(p.GetDeadband(), c.level) << c.y30 << "," << c.y31 << "," << c.y32 << "," << c.y33;
  }
}

TEST_F(CurveFixture, FitCurveOnTheDefaultProfile) {
  TSpedV4Device before;
  before.Assign(P);
  P.FitCurve(1.5);
  std::vector<int> breakpoints;
  for (int i = 0; i <= 95; ++i)
    if (P.IsBreakpoint(i)) breakpoints.push_back(i);
  EXPECT_EQ(breakpoints, (std::vector<int>{0, 1, 32, 91, 93, 95}));
  EXPECT_EQ(P.GetDeadband(), 0);
  int raised = 0;
  for (int i = 0; i <= 95; ++i) {
    const int d = P.GetY(i) - before.GetY(i);
    EXPECT_TRUE(d == 0 || (d == 1 && i > 32 && i < 91)) << "entry " << i << " moved by " << d;
    raised += d;
  }
  EXPECT_GT(raised, 0);
}

TEST_F(CurveFixture, FitCurveOnAStraightLineKeepsOnlyTheEnds) {
  OnlyBreakpoints({{0, 10}, {95, 200}});
  for (int i = 1; i < 95; ++i) P.SetY(i, static_cast<uint8_t>(P.GetY(i)));  // every entry a breakpoint
  P.FitCurve(1.5);
  for (int i = 1; i < 95; ++i) EXPECT_FALSE(P.IsBreakpoint(i)) << i;
  EXPECT_EQ(P.GetDeadband(), 0);
}

TEST_F(CurveFixture, FitCurveKeepsEveryEntryWithinTheTolerance) {
  std::mt19937 rng(7);
  for (int i = 0; i <= 95; ++i) P.SetY(i, static_cast<uint8_t>(128 + 100 * std::sin(i / 9.0) + rng() % 5));
  TSpedV4Device before;
  before.Assign(P);
  P.FitCurve(1.5);
  int kept = 0;
  for (int i = 0; i <= 95; ++i) {
    kept += P.IsBreakpoint(i);
    EXPECT_LE(std::abs(P.GetY(i) - before.GetY(i)), 2) << i;  // 1.5 plus the rounding
  }
  EXPECT_LT(kept, 60);
}

TEST(Curve, AssignBetweenBaseAndV4) {
  TSpedV4Device v4;
  v4.Clear();
  v4.SetDeadband(3);
  v4.SetFrequencies(5, 0);
  v4.SetY(70, 33);
  TSpeedoDevice temp;
  temp.Assign(v4);
  TSpedV4Device back;
  back.Assign(temp);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(back.GetPoint(i), v4.GetPoint(i));
    EXPECT_EQ(back.IsBreakpoint(i), v4.IsBreakpoint(i));
  }
  int f, b;
  back.GetFrequencies(f, b);
  EXPECT_EQ(back.GetDeadband(), 3);
  EXPECT_EQ(f, 5);
  EXPECT_EQ(b, 5);
}

TEST(Curve, BaseClassDefaults) {
  TSpeedoDevice p;
  EXPECT_EQ(p.GetPoint(200), (TPoint{0, 0}));
  p.Clear();
  EXPECT_EQ(p.GetPoint(200), (TPoint{200, 0}));
  EXPECT_EQ(p.LastIndex(), 1);
  EXPECT_EQ(p.FrequencyName(7), "0");
  p.SetFrequencies(3, 7);
  int f, b;
  p.GetFrequencies(f, b);
  EXPECT_EQ(f, 3);
  EXPECT_EQ(b, 7);
  EXPECT_FALSE(p.InDeadband(0));
}

}  // namespace
