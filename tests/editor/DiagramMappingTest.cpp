#include "DiagramMapping.h"
#include "SpedV4Device.h"

#include <gtest/gtest.h>

namespace {

const TPoint Origin{50, 250};

struct V4Profile {
  V4Profile() { Profile.Clear(); }
  TSpedV4Device Profile;
};

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbourOnBothSidesOfZero) {
  EXPECT_EQ(RoundHalfEven(5, 2), 2);       // 2.5
  EXPECT_EQ(RoundHalfEven(15, 2), 8);      // 7.5
  EXPECT_EQ(RoundHalfEven(727, 2), 364);   // 363.5
  EXPECT_EQ(RoundHalfEven(-5, 2), -2);     // -2.5
  EXPECT_EQ(RoundHalfEven(-7, 2), -4);     // -3.5
  EXPECT_EQ(RoundHalfEven(-5, 4), -1);     // -1.25
  EXPECT_EQ(RoundHalfEven(7, 4), 2);       // 1.75
  EXPECT_EQ(RoundHalfEven(1025, 4), 256);  // 256.25
}

TEST(ToScreen, MapsStickAndOutputToColumnsAndRows) {
  EXPECT_EQ(ToScreen(Origin, {0, 0}), (TPoint{50, 250}));
  EXPECT_EQ(ToScreen(Origin, {0, 1}), (TPoint{50, 249}));
  EXPECT_EQ(ToScreen(Origin, {127, 255}), (TPoint{685, 46}));
  // Distinct Y values can share one row.
  EXPECT_EQ(ToScreen(Origin, {1, 2}).Y, 248);
  EXPECT_EQ(ToScreen(Origin, {1, 3}).Y, 248);
  EXPECT_EQ(ToScreen(Origin, {1, 127}).Y, 148);
  EXPECT_EQ(ToScreen(Origin, {1, 128}).Y, 148);
  EXPECT_EQ(ToScreen({10, 20}, {3, 5}), (TPoint{25, 16}));
}

TEST(FromScreen, RoundsHalvesToEvenAndDoesNotClamp) {
  EXPECT_EQ(FromScreen(Origin, {60, 248}), (TPoint{2, 2}));  // 2.5 -> 2
  EXPECT_EQ(FromScreen(Origin, {55, 244}).Y, 8);             // 7.5 -> 8
  EXPECT_EQ(FromScreen(Origin, {57, 247}), (TPoint{1, 4}));  // 1.4 -> 1, 3.75 -> 4
  EXPECT_EQ(FromScreen(Origin, {58, 247}).X, 2);             // 1.6 -> 2
  EXPECT_EQ(FromScreen(Origin, {47, 247}).X, -1);            // -0.6 -> -1
  EXPECT_EQ(FromScreen(Origin, {0, 251}), (TPoint{-10, -1}));
  EXPECT_EQ(FromScreen(Origin, {0, 46}).Y, 255);
  EXPECT_EQ(FromScreen(Origin, {0, 45}).Y, 256);
}

TEST(FromScreen, EveryRowOfTheDiagramMapsBackToItself) {
  for (int row = 46; row <= 250; ++row) {
    const int y = FromScreen(Origin, {50, row}).Y;
    EXPECT_EQ(ToScreen(Origin, {0, y}).Y, row) << "row " << row;
  }
}

class FindPointTest : public ::testing::Test, public V4Profile {};

TEST_F(FindPointTest, HitsWithinTwoPixelsInBothDirections) {
  const TPoint p = ToScreen(Origin, Profile.GetPoint(62));  // X 94, Y 125
  for (int dx = -2; dx <= 2; ++dx)
    for (int dy = -2; dy <= 2; ++dy) EXPECT_EQ(FindPoint(Profile, Origin, {p.X + dx, p.Y + dy}), 62);
  EXPECT_EQ(FindPoint(Profile, Origin, {p.X, p.Y + 3}), -1);
  EXPECT_EQ(FindPoint(Profile, Origin, {p.X, p.Y - 3}), -1);
  EXPECT_EQ(FindPoint(Profile, Origin, {p.X + 3, p.Y}), -1);
  EXPECT_EQ(FindPoint(Profile, Origin, {p.X - 3, p.Y}), -1);
  EXPECT_EQ(FindPoint(Profile, Origin, {400, 60}), -1);
}

TEST_F(FindPointTest, PicksTheNearerOfNeighboursAndDerivedEntriesCount) {
  // Entries 0 and 1 stand at (50, 46) and (60, 46); between them, entry 0 is nearer.
  EXPECT_EQ(FindPoint(Profile, Origin, {52, 46}), 0);
  EXPECT_EQ(FindPoint(Profile, Origin, {58, 46}), 1);
  EXPECT_EQ(FindPoint(Profile, Origin, {372, 249}), 32);  // entry 32 at (370, 250)
  EXPECT_EQ(FindPoint(Profile, Origin, {373, 248}), 33);  // entry 33 at (375, 247)
  EXPECT_FALSE(Profile.IsBreakpoint(16));
  EXPECT_EQ(FindPoint(Profile, Origin, ToScreen(Origin, Profile.GetPoint(16))), 16);
}

class SnapToColumnTest : public ::testing::Test, public V4Profile {};

TEST_F(SnapToColumnTest, TiesKeepTheLowerEntryAndTheResultIsAnXValue) {
  EXPECT_EQ(SnapToColumn(Profile, Origin, {55, 100}).X, 0);
  EXPECT_EQ(SnapToColumn(Profile, Origin, {56, 100}).X, 2);
  EXPECT_EQ(SnapToColumn(Profile, Origin, {365, 100}).X, 62);
  EXPECT_EQ(SnapToColumn(Profile, Origin, {366, 100}).X, 64);
  EXPECT_EQ(SnapToColumn(Profile, Origin, {-200, 100}).X, 0);
  EXPECT_EQ(SnapToColumn(Profile, Origin, {2000, 100}).X, 127);
  EXPECT_EQ(SnapToColumn(Profile, Origin, {500, 100}).X, 90);
}

TEST_F(SnapToColumnTest, ClampsTheOutputToItsRange) {
  EXPECT_EQ(SnapToColumn(Profile, Origin, {500, 45}).Y, 255);
  EXPECT_EQ(SnapToColumn(Profile, Origin, {500, -300}).Y, 255);
  EXPECT_EQ(SnapToColumn(Profile, Origin, {500, 251}).Y, 0);
  EXPECT_EQ(SnapToColumn(Profile, Origin, {500, 600}).Y, 0);
  EXPECT_EQ(SnapToColumn(Profile, Origin, {500, 244}).Y, 8);
}

}  // namespace
