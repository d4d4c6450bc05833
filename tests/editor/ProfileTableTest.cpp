// The profile table and the diagram for assistive tools, through the main window.
#include "MainFormFixture.h"

#include "EntryText.h"
#include "ProfileViews.h"

#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableView>

namespace {

class ProfileTableTest : public MainFormTest {
 protected:
  TTableWnd& Table() {
    QTest::keyClick(&Form, Qt::Key_T, Qt::ControlModifier);
    TTableWnd* table = Form.Views().Table();
    EXPECT_TRUE(table && table->isVisible());
    return *table;
  }
  QString Cell(int row, int column) { return Table().Model->index(row, column).data().toString(); }
  int FirstInDeadband() const {
    for (int i = 0; i <= Form.Document().State().Profile.LastIndex(); ++i)
      if (Form.Document().State().Profile.InDeadband(i)) return i;
    return -1;
  }
};

TEST(EntryTextTest, FiguresAsTheFineAdjustmentAndTheAxesShowThem) {
  const struct {
    int X, Y;
    const char *FineX, *Stick, *Output;
  } cases[] = {
      {0, 0, "-63", "-100.0", "0.0"},     {62, 1, "-1", "-2.4", "0.4"},    {64, 128, "1", "0.8", "50.2"},
      {127, 255, "64", "100.0", "100.0"}, {95, 127, "32", "49.6", "49.8"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FineXText(c.X), QLatin1String(c.FineX)) << c.X;
    EXPECT_EQ(StickPercentText(c.X), QLatin1String(c.Stick)) << c.X;
    EXPECT_EQ(OutputPercentText(c.Y), QLatin1String(c.Output)) << c.Y;
  }
}

TEST(EntryTextTest, DescriptionNamesTheEntryItsFiguresAndItsKind) {
  TSpedV4Device p;
  p.Clear();
  p.SetY(40, 128);
  int deadband = 0;
  while (!p.InDeadband(deadband)) ++deadband;
  EXPECT_EQ(EntryDescription(p, 40), QStringLiteral("Entry 40: X 9, Y 128, output 50.2 %, breakpoint"));
  EXPECT_EQ(EntryDescription(p, 41).section(QLatin1Char(','), -1), QStringLiteral(" not a breakpoint"));
  EXPECT_TRUE(EntryDescription(p, 0).startsWith(QStringLiteral("Entry 0: X -63, ")));
  EXPECT_TRUE(EntryDescription(p, deadband).endsWith(QStringLiteral(", in the deadband")));
  EXPECT_FALSE(EntryDescription(p, 40).contains(QStringLiteral("deadband")));
  for (int none : {-1, 96}) EXPECT_EQ(EntryDescription(p, none), QStringLiteral("No entry selected"));
}

// Y typed into the table: the Y field's refusals, one undo step per edit, nothing beyond 0..255.
TEST_F(ProfileTableTest, TypedYFollowsTheFieldsRules) {
  TTableWnd& table = Table();
  const int deadband = FirstInDeadband();
  ASSERT_GT(deadband, 0);
  const struct {
    const char* What;
    int Entry, Y;
    bool Taken;
  } cases[] = {
      {"first entry", 0, 90, false},  {"last entry", 95, 90, false}, {"deadband", deadband, 90, false},
      {"forward half", 60, 90, true}, {"brake half", 10, 200, true}, {"floor", 60, 0, true},
      {"ceiling", 60, 255, true},     {"above", 60, 256, false},     {"below", 60, -1, false},
  };
  for (const auto& c : cases) {
    const std::string before = Form.Document().State().Profile.SaveToText();
    const int oldY = Form.Document().State().Profile.GetY(c.Entry);
    const QModelIndex y = table.Model->index(c.Entry, TProfileTableModel::tcY);
    EXPECT_EQ(table.Model->flags(y).testFlag(Qt::ItemIsEditable), YEditable(Form.Document().State().Profile, c.Entry))
        << c.What;
    EXPECT_EQ(table.Model->setData(y, c.Y, Qt::EditRole), c.Taken) << c.What;
    if (!c.Taken) {
      EXPECT_EQ(Form.Document().State().Profile.SaveToText(), before) << c.What;
      EXPECT_EQ(Form.Document().State().Profile.GetY(c.Entry), oldY) << c.What;
      continue;
    }
    EXPECT_EQ(Form.Document().State().Profile.GetY(c.Entry), c.Y) << c.What;
    EXPECT_TRUE(Form.Document().State().Profile.IsBreakpoint(c.Entry)) << c.What;
    EXPECT_EQ(Form.Document().State().Selected, c.Entry) << c.What;
    EXPECT_EQ(Form.findChild<QSpinBox*>("CurrY")->value(), c.Y) << c.What;
    EXPECT_EQ(y.data().toString(), QString::number(c.Y)) << c.What;
    EXPECT_EQ(Form.Editor().View()->Image(), Redrawn()) << c.What;
    QTest::keyClick(&Form, Qt::Key_Z, Qt::ControlModifier);  // each edit is a step of its own
    EXPECT_EQ(Form.Document().State().Profile.SaveToText(), before) << c.What;
    QTest::keyClick(&Form, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Form.Document().State().Profile.GetY(c.Entry), c.Y) << c.What;
  }
  for (int column = 0; column < table.Model->columnCount(); ++column) {
    if (column == TProfileTableModel::tcY) continue;
    EXPECT_FALSE(table.Model->flags(table.Model->index(60, column)).testFlag(Qt::ItemIsEditable)) << column;
  }
}

TEST_F(ProfileTableTest, TypingIntoTheTableIsOneEdit) {
  TTableWnd& table = Table();
  table.Table->setFocus();
  table.Table->setCurrentIndex(table.Model->index(50, TProfileTableModel::tcY));
  EXPECT_EQ(Form.Document().State().Selected, 50);  // the current row selects the entry
  table.Table->edit(table.Table->currentIndex());
  auto* editor = table.Table->findChild<QSpinBox*>();
  ASSERT_NE(editor, nullptr);
  editor->selectAll();
  QTest::keyClicks(editor, QStringLiteral("217"));
  QTest::keyClick(editor, Qt::Key_Return);  // the view takes the value when the editor closes
  EXPECT_TRUE(QTest::qWaitFor([&] { return Form.Document().State().Profile.GetY(50) == 217; }, 2000));
  Form.findChild<QAction*>("EditUndo")->trigger();
  EXPECT_NE(Form.Document().State().Profile.GetY(50), 217);
  EXPECT_FALSE(Form.findChild<QAction*>("EditUndo")->isEnabled());
}

TEST_F(ProfileTableTest, FollowsEveryChangeAndTheSelection) {
  TTableWnd& table = Table();
  EXPECT_EQ(Form.findChild<QAction*>("ShowTable")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_T));
  EXPECT_EQ(Form.findChild<QAction*>("Table1")->statusTip(), QStringLiteral("Show the profile as a table of values"));
  EXPECT_EQ(table.windowTitle(), QStringLiteral("Profile table"));
  EXPECT_EQ(table.Model->rowCount(), 96);
  EXPECT_EQ(table.Model->columnCount(), 6);

  // The Y field, a drag, the deadband, Undo: the row shows each at once.
  Form.findChild<QScrollBar*>("CurrXSB")->setValue(70);
  EXPECT_EQ(table.Table->currentIndex().row(), 70);
  QTest::keyClick(Form.findChild<QSpinBox*>("CurrY"), Qt::Key_Up);
  EXPECT_EQ(Cell(70, TProfileTableModel::tcY), QString::number(Form.Document().State().Profile.GetY(70)));
  EXPECT_EQ(Cell(70, TProfileTableModel::tcBreakpoint), QStringLiteral("yes"));
  Press(Qt::LeftButton, PixelOf(80)), Move({PixelOf(80).x(), 60}), Release(Qt::LeftButton, {PixelOf(80).x(), 60});
  EXPECT_EQ(Cell(80, TProfileTableModel::tcY), QString::number(Form.Document().State().Profile.GetY(80)));
  EXPECT_EQ(table.Table->currentIndex().row(), 80);
  QTest::keyClick(Form.Editor().View(), Qt::Key_Left);
  EXPECT_EQ(table.Table->currentIndex().row(), 79);
  QTest::keyClick(&Form, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Cell(80, TProfileTableModel::tcY), QString::number(Form.Document().State().Profile.GetY(80)));

  // The background column while the background is shown.
  Form.Document().State().BgProfile.SetY(5, 77);
  Form.findChild<QAction*>("ShowBackground1")->trigger();
  ASSERT_EQ(table.Model->columnCount(), 7);
  EXPECT_EQ(Cell(5, TProfileTableModel::tcBackgroundY), QStringLiteral("77"));
  EXPECT_EQ(table.Table->currentIndex().row(), Form.Document().State().Selected);
  Form.findChild<QAction*>("ShowBackground1")->trigger();
  EXPECT_EQ(table.Model->columnCount(), 6);
}

TEST_F(ProfileTableTest, CopyGivesTabSeparatedRowsUnderAHeader) {
  TTableWnd& table = Table();
  Form.Document().State().Profile.SetY(33, 200);
  Form.Panel().UpdateButtonStates();
  table.Table->clearSelection();
  table.Table->selectRow(32);
  table.Table->selectionModel()->select(table.Model->index(33, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
  // The offscreen platform activates no second window, so the key would reach the main window.
  for (QAction* a : table.Table->actions())
    if (a->shortcut() == QKeySequence(QKeySequence::Copy)) a->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
            (QStringLiteral("Entry\tX\tStick %\tY\tOutput %\tBreakpoint\n") +
             QStringLiteral("32\t1\t0.8\t%1\t%2\t%3\n")
                 .arg(Form.Document().State().Profile.GetY(32))
                 .arg(OutputPercentText(Form.Document().State().Profile.GetY(32)))
                 .arg(Form.Document().State().Profile.IsBreakpoint(32) ? "yes" : "no") +
             QStringLiteral("33\t2\t2.4\t200\t78.4\tyes\n"))
                .toStdString());
  table.Table->clearSelection();
  table.CopyRows();
  EXPECT_EQ(QGuiApplication::clipboard()->text().count(QLatin1Char('\n')), 97);
}

// The accessible objects Qt gives to assistive tools. The offscreen platform has no accessibility
// bus, so the events that tell a tool of a change are checked on a real one (scripts/a11y-check).

TEST_F(ProfileTableTest, DiagramIsANamedChartWhoseDescriptionFollowsTheSelection) {
  QAccessibleInterface* diagram = QAccessible::queryAccessibleInterface(Form.Editor().View());
  ASSERT_NE(diagram, nullptr);
  EXPECT_EQ(diagram->role(), QAccessible::Chart);
  EXPECT_EQ(diagram->text(QAccessible::Name), QStringLiteral("Throttle profile"));
  EXPECT_EQ(diagram->text(QAccessible::Description), EntryDescription(Form.Document().State().Profile, 0));

  QTest::keyClick(Form.Editor().View(), Qt::Key_Right);
  EXPECT_EQ(diagram->text(QAccessible::Description), EntryDescription(Form.Document().State().Profile, 1));
  Form.findChild<QScrollBar*>("CurrXSB")->setValue(40);
  QTest::keyClick(Form.Editor().View(), Qt::Key_Up);  // a value change of the same entry
  EXPECT_TRUE(diagram->text(QAccessible::Description)
                  .startsWith(QStringLiteral("Entry 40: X 9, Y %1,").arg(Form.Document().State().Profile.GetY(40))));

  const std::pair<QWidget*, const char*> names[] = {
      {Form.findChild<QLineEdit*>("CurrX"), "X"},
      {Form.findChild<QSpinBox*>("CurrY"), "Y"},
      {Form.findChild<QScrollBar*>("CurrXSB"), "Entry"},
      {Form.findChild<QComboBox*>("FwdFreq"), "Forward frequency"},
      {Form.findChild<QComboBox*>("BrkFreq"), "Brake frequency"},
      {Form.findChild<QLineEdit*>("DBand"), "Deadband"},
      {Form.findChild<QScrollBar*>("DBandSB"), "Deadband"},
      {Form.findChild<QComboBox*>("cbPorts"), "Port"},
  };
  for (const auto& [w, name] : names) {
    EXPECT_EQ(QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name), QLatin1String(name));
    EXPECT_NE(w->focusPolicy() & Qt::TabFocus, 0) << name;
  }
  EXPECT_NE(Form.Editor().View()->focusPolicy() & Qt::TabFocus, 0);
}

}  // namespace
