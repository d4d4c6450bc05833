#include "DiagramSurface.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace {

constexpr QRgb White = 0xFFFFFF;
constexpr QRgb Pen = 0x123456;

QRgb At(const TDiagramSurface& s, int x, int y) { return s.Image().pixel(x, y) & 0xFFFFFF; }

std::set<std::pair<int, int>> Painted(const TDiagramSurface& s) {
  std::set<std::pair<int, int>> result;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x)
      if (At(s, x, y) != White) result.insert({x, y});
  return result;
}

TEST(DiagramSurface, LinesPaintTheStartButNotTheEndPoint) {
  TDiagramSurface s(20, 20);
  s.SetPenColor(Pen);
  s.MoveTo(2, 3);
  s.LineTo(7, 3);
  EXPECT_EQ(Painted(s), (std::set<std::pair<int, int>>{{2, 3}, {3, 3}, {4, 3}, {5, 3}, {6, 3}}));
  EXPECT_EQ(s.PenPos(), QPoint(7, 3));

  TDiagramSurface up(20, 20);
  up.SetPenColor(Pen);
  up.MoveTo(4, 10);
  up.LineTo(4, 6);  // drawn upward: row 6 stays empty
  EXPECT_EQ(Painted(up), (std::set<std::pair<int, int>>{{4, 10}, {4, 9}, {4, 8}, {4, 7}}));

  TDiagramSurface none(5, 5);
  none.SetPenColor(Pen);
  none.MoveTo(2, 2);
  none.LineTo(2, 2);
  EXPECT_TRUE(Painted(none).empty());
}

TEST(DiagramSurface, DiagonalLinesAreConnectedAndStopBeforeTheEnd) {
  TDiagramSurface s(30, 30);
  s.SetPenColor(Pen);
  s.MoveTo(1, 2);
  s.LineTo(21, 9);
  const auto painted = Painted(s);
  EXPECT_EQ(painted.size(), 20u);  // one pixel per column, the end column excluded
  EXPECT_TRUE(painted.count({1, 2}));
  EXPECT_FALSE(painted.count({21, 9}));
  for (int x = 1; x < 21; ++x) {
    int rows = 0;
    for (int y = 0; y < 30; ++y) rows += painted.count({x, y});
    EXPECT_EQ(rows, 1) << "column " << x;
  }
}

TEST(DiagramSurface, RectangleOutlinesColumnsX1ToX2MinusOne) {
  TDiagramSurface s(20, 20);
  s.SetPenColor(Pen);
  s.MoveTo(0, 0);
  s.Rectangle(3, 4, 7, 9);
  std::set<std::pair<int, int>> expected;
  for (int x = 3; x <= 6; ++x) expected.insert({x, 4}), expected.insert({x, 8});
  for (int y = 4; y <= 8; ++y) expected.insert({3, y}), expected.insert({6, y});
  EXPECT_EQ(Painted(s), expected);
  EXPECT_EQ(s.PenPos(), QPoint(0, 0));
}

TEST(DiagramSurface, XorFiguresDrawnTwiceRestoreEveryPixel) {
  TDiagramSurface s(40, 40);
  s.SetBrush(0xC0C0C0);
  s.FillRect(0, 0, 40, 40);
  s.SetBrushOff();
  s.SetPenColor(0x0000FF);
  s.MoveTo(5, 35);
  s.LineTo(5, 10);
  const QImage before = s.Image();

  s.SetPenMode(pmXor);
  s.SetPenColor(0x3F3FC0);
  for (int pass = 0; pass < 2; ++pass) {
    s.Rectangle(1, 6, 9, 14);
    s.MoveTo(0, 39);
    s.LineTo(20, 20);
    s.LineTo(39, 30);
  }
  EXPECT_EQ(s.Image(), before);
  // Once: each outline pixel is XORed exactly once, so the corners show the XOR colour too.
  s.Rectangle(1, 6, 9, 14);
  EXPECT_EQ(At(s, 1, 6), 0xFFFF00u);  // silver XOR #3F3FC0
  EXPECT_EQ(At(s, 8, 13), 0xFFFF00u);
  EXPECT_EQ(At(s, 5, 13), 0x0000FFu ^ 0x3F3FC0u);
  EXPECT_EQ(At(s, 4, 10), 0xC0C0C0u);  // inside stays
}

TEST(DiagramSurface, BrushFillsOnlyWhileSet) {
  TDiagramSurface s(20, 20);
  s.SetPenColor(Pen);
  s.SetBrush(0x00FF00);
  s.Rectangle(2, 2, 8, 8);
  EXPECT_EQ(At(s, 4, 4), 0x00FF00u);
  EXPECT_EQ(At(s, 2, 2), Pen);
  s.SetBrushOff();
  s.Rectangle(10, 10, 16, 16);
  EXPECT_EQ(At(s, 12, 12), White);
  s.FillRect(0, 0, 20, 20);  // no brush: nothing
  EXPECT_EQ(At(s, 0, 0), White);
}

TEST(DiagramSurface, FiguresAreClippedAtTheImageEdges) {
  TDiagramSurface s(10, 10);
  s.SetPenColor(Pen);
  s.MoveTo(-5, 5);
  s.LineTo(20, 5);
  s.Rectangle(-3, -3, 3, 3);
  EXPECT_EQ(At(s, 0, 5), Pen);
  EXPECT_EQ(At(s, 9, 5), Pen);
  EXPECT_EQ(At(s, 2, 0), Pen);
  EXPECT_EQ(At(s, 1, 1), White);
}

TEST(DiagramSurface, TextIsBlackWithItsTopLeftAtThePointAndHollowWithoutBrush) {
  TDiagramSurface s(60, 30);
  s.SetBrush(0xC0C0C0);
  s.FillRect(0, 0, 60, 30);
  s.SetBrushOff();
  s.TextOut(10, 8, QStringLiteral("100%"));
  int minX = 60, minY = 30, maxY = -1;
  for (const auto& [x, y] : Painted(s))
    if (At(s, x, y) != 0xC0C0C0) {
      EXPECT_EQ(At(s, x, y), 0u);
      minX = std::min(minX, x);
      minY = std::min(minY, y);
      maxY = std::max(maxY, y);
    }
  EXPECT_GE(minX, 10);
  EXPECT_LE(minX, 12);
  EXPECT_GE(minY, 8);
  EXPECT_LE(maxY, 8 + 14);
  EXPECT_EQ(At(s, 10, 8), 0xC0C0C0u);  // no background box behind the glyphs
}

}  // namespace
