#include "MainFormFixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QSpinBox>

namespace {

constexpr QRgb Yellow = 0xFFFF00, Green = 0x008000, Silver = 0xC0C0C0, Purple = 0x800080;

TEST_F(MainFormTest, DragMovesABreakpointAndRedrawsOnlyWhatChanged) {
  ASSERT_TRUE(Form.Document().State().Profile.IsBreakpoint(93));
  Press(Qt::LeftButton, PixelOf(93));  // (675, 46)
  EXPECT_TRUE(Form.Editor().Dragging());
  EXPECT_EQ(Form.Document().State().Selected, -1);
  EXPECT_EQ(Form.Document().State().PrevBreak, 32);
  EXPECT_EQ(Form.Document().State().NextBreak, 95);
  EXPECT_EQ(Count(Yellow), 0);             // no selection box while dragging
  EXPECT_EQ(At(675, 43), Silver ^ Green);  // rubber band square at the start point

  Move({600, 90});   // X 110, Y 200
  Move({601, 300});  // the pointer may leave the diagram: Y 0
  Move({600, 90});
  EXPECT_EQ(Form.Document().State().DragPoint, (TPoint{110, 200}));
  EXPECT_EQ(At(597, 87), Silver ^ Green);
  EXPECT_EQ(At(672, 43), Silver);  // the band left its old place
  Release(Qt::LeftButton, {600, 90});

  EXPECT_FALSE(Form.Editor().Dragging());
  const int j = Form.Document().State().Profile.IndexOfX(110);
  EXPECT_EQ(Form.Document().State().Selected, j);
  EXPECT_TRUE(Form.Document().State().Profile.IsBreakpoint(j));
  EXPECT_EQ(Form.Document().State().Profile.GetY(j), 200);
  EXPECT_FALSE(Form.Document().State().Profile.IsBreakpoint(93));
  EXPECT_EQ(Count(Green), 0);
  EXPECT_EQ(At(597, 87), Purple);
  EXPECT_EQ(At(596, 86), Yellow);
  EXPECT_EQ(Form.findChild<QLineEdit*>("CurrX")->text(), QStringLiteral("47"));
  EXPECT_EQ(Form.findChild<QSpinBox*>("CurrY")->value(), 200);
  EXPECT_EQ(Form.findChild<QScrollBar*>("CurrXSB")->value(), j);
  ExpectRedrawnUpToBarsOverCurve();
}

TEST_F(MainFormTest, DragStopsShortOfTheNeighbouringBreakpoints) {
  // Entry 62 (X 94) lies between breakpoints 32 (X 64) and 93 (X 125).
  Press(Qt::LeftButton, PixelOf(62));
  EXPECT_EQ(Form.Document().State().DragMinX, 65);
  EXPECT_EQ(Form.Document().State().DragMaxX, 124);
  Move({600, 100});  // X 110, Y 187.5 -> 188
  const QImage atAllowed = Form.Editor().View()->Image();
  Move({675, 60});  // column of X 125: the neighbour itself
  Move({720, 20});  // beyond it and outside the drawn range
  Move({372, 20});  // nearest column X 64: the left neighbour
  EXPECT_EQ(Form.Document().State().DragPoint, (TPoint{110, 188}));
  EXPECT_EQ(Form.Editor().View()->Image(), atAllowed);
  Release(Qt::LeftButton, {720, 20});
  EXPECT_EQ(Form.Document().State().Profile.GetY(Form.Document().State().Profile.IndexOfX(110)), 188);
  EXPECT_TRUE(Form.Document().State().Profile.IsBreakpoint(93));
  EXPECT_TRUE(Form.Document().State().Profile.IsBreakpoint(32));
  EXPECT_FALSE(Form.Document().State().Profile.IsBreakpoint(62));
}

TEST_F(MainFormTest, EntryBetweenTwoAdjacentBreakpointsMovesOnlyUpAndDown) {
  Form.Document().State().Profile.SetY(60, 120);
  Form.Document().State().Profile.SetY(62, 125);
  Form.Editor().View()->RedrawAll();
  Press(Qt::LeftButton, PixelOf(61));
  EXPECT_EQ(Form.Document().State().DragMinX, Form.Document().State().DragMaxX);
  Move({PixelOf(62).x(), 100});
  Move({PixelOf(61).x() + 2, 100});
  Release(Qt::LeftButton, {PixelOf(61).x() + 2, 100});
  EXPECT_EQ(Form.Document().State().Profile.GetY(61), 188);
  EXPECT_EQ(Form.Document().State().Profile.GetY(62), 125);
}

TEST_F(MainFormTest, ClickWithoutMovementCreatesOrKeepsABreakpoint) {
  const int y16 = Form.Document().State().Profile.GetY(16);
  Click(Qt::LeftButton, PixelOf(16));
  EXPECT_TRUE(Form.Document().State().Profile.IsBreakpoint(16));
  EXPECT_EQ(Form.Document().State().Profile.GetY(16), y16);
  EXPECT_EQ(Form.Document().State().Selected, 16);
  EXPECT_EQ(Form.Editor().View()->Image(), Redrawn());

  uint8_t before[96];
  for (int i = 0; i < 96; ++i) before[i] = static_cast<uint8_t>(Form.Document().State().Profile.GetY(i));
  Click(Qt::LeftButton, PixelOf(93));
  for (int i = 0; i < 96; ++i) EXPECT_EQ(Form.Document().State().Profile.GetY(i), before[i]) << i;
  EXPECT_TRUE(Form.Document().State().Profile.IsBreakpoint(93));
  EXPECT_EQ(Form.Document().State().Selected, 93);
}

TEST_F(MainFormTest, RightClickDeletesABreakpointAndOnlySelectsOtherEntries) {
  Click(Qt::RightButton, PixelOf(93));
  EXPECT_FALSE(Form.Document().State().Profile.IsBreakpoint(93));
  EXPECT_EQ(Form.Document().State().Profile.GetY(93), 247);  // back on the line from X 64 to X 127
  EXPECT_EQ(Form.Document().State().Selected, 93);
  ExpectRedrawnUpToBarsOverCurve();

  const int y50 = Form.Document().State().Profile.GetY(50);
  Click(Qt::RightButton, PixelOf(50));
  EXPECT_FALSE(Form.Document().State().Profile.IsBreakpoint(50));
  EXPECT_EQ(Form.Document().State().Profile.GetY(50), y50);
  EXPECT_EQ(Form.Document().State().Selected, 50);
  Click(Qt::MiddleButton, PixelOf(20));
  EXPECT_FALSE(Form.Document().State().Profile.IsBreakpoint(20));
  EXPECT_EQ(Form.Document().State().Selected, 20);
  ExpectRedrawnUpToBarsOverCurve();
}

TEST_F(MainFormTest, DeadbandEntriesAreSelectedByALeftPressButDeletedByARightClick) {
  ASSERT_TRUE(Form.Document().State().Profile.InDeadband(32));
  Press(Qt::LeftButton, PixelOf(32));
  EXPECT_FALSE(Form.Editor().Dragging());
  EXPECT_EQ(Form.Document().State().Selected, 32);
  Release(Qt::LeftButton, PixelOf(32));
  EXPECT_TRUE(Form.Document().State().Profile.IsBreakpoint(32));
  Click(Qt::RightButton, PixelOf(32));
  EXPECT_FALSE(Form.Document().State().Profile.IsBreakpoint(32));
}

TEST_F(MainFormTest, PressesOnTheEndEntriesOrBesideTheCurveChangeNothing) {
  Click(Qt::LeftButton, PixelOf(40));
  const QImage before = Form.Editor().View()->Image();
  for (QPoint p : {PixelOf(0), PixelOf(95), QPoint(400, 20)}) {
    Click(Qt::LeftButton, p);
    Click(Qt::RightButton, p);
    EXPECT_EQ(Form.Document().State().Selected, 40);
    EXPECT_EQ(Form.Editor().View()->Image(), before);
  }
  EXPECT_TRUE(Form.Document().State().Profile.IsBreakpoint(0));
  EXPECT_TRUE(Form.Document().State().Profile.IsBreakpoint(95));
}

TEST_F(MainFormTest, PressesAndCommandsDuringADragAreIgnored) {
  Press(Qt::LeftButton, PixelOf(62));
  Move({600, 100});
  Press(Qt::RightButton, PixelOf(93));                     // would delete breakpoint 93 and start over
  QTest::keyClick(&Form, Qt::Key_N, Qt::ControlModifier);  // New
  Form.findChild<QScrollBar*>("CurrXSB")->setValue(5);     // the scroll bar moved by its keys during the drag
  EXPECT_TRUE(Form.Editor().Dragging());
  EXPECT_TRUE(Form.Document().State().Profile.IsBreakpoint(93));
  EXPECT_EQ(Form.Document().State().Selected, -1);
  Release(Qt::LeftButton, {600, 100});
  Release(Qt::RightButton, {600, 100});
  const int j = Form.Document().State().Profile.IndexOfX(110);
  EXPECT_EQ(Form.Document().State().Profile.GetY(j), 188);
  EXPECT_EQ(Form.Document().State().Selected, j);
  EXPECT_EQ(Form.findChild<QScrollBar*>("CurrXSB")->value(), j);  // the controls follow the drag's result again
  ExpectRedrawnUpToBarsOverCurve();
}

TEST_F(MainFormTest, FineAdjustmentRefusesTheEndAndDeadbandEntries) {
  QTest::keyClick(Form.findChild<QSpinBox*>("CurrY"), Qt::Key_Up);  // entry 0 selected at start
  EXPECT_EQ(Form.findChild<QSpinBox*>("CurrY")->value(), 255);
  QTest::keyClick(Form.findChild<QSpinBox*>("CurrY"), Qt::Key_Down);
  EXPECT_EQ(Form.findChild<QSpinBox*>("CurrY")->value(), 255);
  EXPECT_EQ(Form.Document().State().Profile.GetY(0), 255);

  Form.findChild<QScrollBar*>("CurrXSB")->setValue(95);
  QTest::keyClick(Form.findChild<QSpinBox*>("CurrY"), Qt::Key_Down);
  EXPECT_EQ(Form.Document().State().Profile.GetY(95), 255);
  EXPECT_EQ(Form.findChild<QSpinBox*>("CurrY")->value(), 255);

  Form.findChild<QScrollBar*>("CurrXSB")->setValue(32);  // inside the deadband of level 1
  QTest::keyClick(Form.findChild<QSpinBox*>("CurrY"), Qt::Key_Up);
  EXPECT_EQ(Form.findChild<QSpinBox*>("CurrY")->value(), 0);
  EXPECT_EQ(Form.Document().State().Profile.GetY(32), 0);
}

TEST_F(MainFormTest, FineAdjustmentSetsEveryYValueOfAnEditableEntry) {
  Form.findChild<QScrollBar*>("CurrXSB")->setValue(62);
  EXPECT_EQ(Form.findChild<QLineEdit*>("CurrX")->text(), QStringLiteral("31"));
  EXPECT_EQ(Form.findChild<QSpinBox*>("CurrY")->value(), 125);
  QTest::keyClick(Form.findChild<QSpinBox*>("CurrY"), Qt::Key_Up);
  QTest::keyClick(Form.findChild<QSpinBox*>("CurrY"), Qt::Key_Up);
  EXPECT_EQ(Form.Document().State().Profile.GetY(62), 127);  // 127 shares its row with 128: no drag reaches it
  EXPECT_TRUE(Form.Document().State().Profile.IsBreakpoint(62));
  QTest::keyClicks(Form.findChild<QSpinBox*>("CurrY"), QStringLiteral("9"));  // typing does nothing
  EXPECT_EQ(Form.findChild<QSpinBox*>("CurrY")->value(), 127);
  EXPECT_EQ(Form.Document().State().Selected, 62);
  EXPECT_EQ(Form.Editor().View()->Image(), Redrawn());
}

TEST_F(MainFormTest, ScrollBarSelectsEntriesAndMovesTheBox) {
  Form.findChild<QScrollBar*>("CurrXSB")->setValue(31);
  EXPECT_EQ(Form.findChild<QLineEdit*>("CurrX")->text(), QStringLiteral("-1"));
  Form.findChild<QScrollBar*>("CurrXSB")->setValue(32);
  EXPECT_EQ(Form.findChild<QLineEdit*>("CurrX")->text(), QStringLiteral("1"));
  EXPECT_EQ(Form.Document().State().Selected, 32);
  EXPECT_EQ(At(366, 246), Yellow);  // box around (370, 250)
  EXPECT_EQ(At(46, 42), Silver);    // the box at entry 0 is gone
  // No yellow pixel outside the new box.
  for (int y = 0; y < 280; ++y)
    for (int x = 0; x < 741; ++x)
      if (At(x, y) == Yellow) {
        EXPECT_TRUE(x >= 366 && x <= 373 && y >= 246 && y <= 253) << x << "," << y;
      }
}

TEST_F(MainFormTest, BrakeFrequencyFollowsTheForwardChoice) {
  Form.findChild<QComboBox*>("FwdFreq")->setFocus();
  for (int i = 0; i < 3; ++i) QTest::keyClick(Form.findChild<QComboBox*>("FwdFreq"), Qt::Key_Down);
  int fwd = -1, brk = -1;
  Form.Document().State().Profile.GetFrequencies(fwd, brk);
  EXPECT_EQ(fwd, 3);
  EXPECT_EQ(brk, 3);
  EXPECT_EQ(Form.findChild<QComboBox*>("FwdFreq")->currentText(), QStringLiteral("2.5k"));
  EXPECT_EQ(Form.findChild<QComboBox*>("BrkFreq")->currentText(), QStringLiteral("2.5k"));
  QTest::keyClick(Form.findChild<QComboBox*>("BrkFreq"), Qt::Key_Down);
  EXPECT_EQ(Form.findChild<QComboBox*>("BrkFreq")->currentIndex(), 3);
  EXPECT_FALSE(Form.findChild<QComboBox*>("FwdFreq")->isEditable());
  EXPECT_FALSE(Form.findChild<QComboBox*>("BrkFreq")->isEditable());
}

TEST_F(MainFormTest, DeadbandBarLevelAndTextStayEqual) {
  for (int step = 0; step < 5; ++step) {
    QTest::keyClick(Form.findChild<QScrollBar*>("DBandSB"), Qt::Key_Right);
    EXPECT_EQ(Form.Document().State().Profile.GetDeadband(), Form.findChild<QScrollBar*>("DBandSB")->value());
    EXPECT_EQ(Form.findChild<QLineEdit*>("DBand")->text(),
              QString::number(Form.findChild<QScrollBar*>("DBandSB")->value()));
  }
  EXPECT_EQ(Form.Document().State().Profile.GetDeadband(), 4);
  for (int i : {30, 31, 32, 33}) EXPECT_EQ(Form.Document().State().Profile.GetY(i), 0) << i;
  // The arrow button at the left end steps down.
  QTest::mouseClick(Form.findChild<QScrollBar*>("DBandSB"), Qt::LeftButton, {},
                    QPoint(4, Form.findChild<QScrollBar*>("DBandSB")->height() / 2));
  EXPECT_EQ(Form.Document().State().Profile.GetDeadband(), 3);
  EXPECT_EQ(Form.findChild<QLineEdit*>("DBand")->text(), QStringLiteral("3"));
  EXPECT_EQ(Form.Editor().View()->Image(), Redrawn());
}

TEST_F(MainFormTest, UpdateWithoutSelectionLeavesTheFineAdjustmentAlone) {
  Form.findChild<QScrollBar*>("CurrXSB")->setValue(62);
  Form.Document().State().Selected = -1;
  Form.Document().State().Profile.SetFrequencies(5, 5);
  Form.Document().State().Profile.SetDeadband(2);
  Form.Document().State().ShowBackground = true;
  Form.Panel().UpdateButtonStates();
  EXPECT_EQ(Form.findChild<QLineEdit*>("CurrX")->text(), QStringLiteral("31"));
  EXPECT_EQ(Form.findChild<QScrollBar*>("CurrXSB")->value(), 62);
  EXPECT_EQ(Form.findChild<QSpinBox*>("CurrY")->value(), 125);
  EXPECT_EQ(Form.findChild<QLineEdit*>("DBand")->text(), QStringLiteral("2"));
  EXPECT_EQ(Form.findChild<QScrollBar*>("DBandSB")->value(), 2);
  EXPECT_EQ(Form.findChild<QComboBox*>("FwdFreq")->currentIndex(), 5);
  EXPECT_TRUE(Form.findChild<QAction*>("ShowBackground1")->isChecked());
}

}  // namespace
