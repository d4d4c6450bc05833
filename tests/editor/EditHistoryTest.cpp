// Undo and redo of every kind of change, through the window's keys and mouse.
#include "MainFormFixture.h"

#include "ShapeDlg.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolButton>

#include <functional>

namespace {

class EditHistoryTest : public MainFormTest {
 protected:
  // Everything that undo restores, byte for byte as the profile operations give it.
  std::string State() const {
    return Form.Document().State().Profile.SaveToText() + Form.Document().State().BgProfile.SaveToText() +
           (Form.Document().State().ShowBackground ? "shown " : "hidden ") +
           std::to_string(Form.Document().State().Selected);
  }
  void Key(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
    QTest::keyClick(target, key, modifiers);
  }
  QTemporaryDir Dir;
};

TEST_F(EditHistoryTest, EveryKindOfChangeIsOneStepThatUndoAndRedoWalk) {
  EXPECT_FALSE(Form.findChild<QAction*>("EditUndo")->isEnabled() || Form.findChild<QAction*>("Undo1")->isEnabled());
  Form.Document().State().Profile.SetY(
      70, static_cast<uint8_t>(Form.Document().State().Profile.GetY(70)));  // a breakpoint on the line
  Form.Document().State().Profile.SetY(50, 10);
  Form.Document().State().BgProfile.SetY(20, 200);
  Form.Editor().View()->RedrawAll();
  const QString other = Dir.filePath(QStringLiteral("other.spp"));
  TSpedV4Device saved;
  saved.Clear();
  saved.SetY(40, 7);
  saved.SaveToFile(other.toStdString());
  saved.SetY(60, 99);

  const std::vector<std::pair<const char*, std::function<void()>>> changes = {
      {"Delete breakpoints", [&] { Form.findChild<QAction*>("FitCurve1")->trigger(); }},
      {"drag",
       [&] {
         Press(Qt::LeftButton, PixelOf(62)), Move({600, 100}), Release(Qt::LeftButton, {600, 100});
       }},
      {"right click", [&] { Click(Qt::RightButton, PixelOf(50)); }},
      {"click", [&] { Click(Qt::LeftButton, PixelOf(16)); }},
      {"fine adjustment",
       [&] {
         Key(Form.findChild<QSpinBox*>("CurrY"), Qt::Key_Up, {}),
             Key(Form.findChild<QSpinBox*>("CurrY"), Qt::Key_Up, {});
       }},
      {"deadband", [&] { Key(Form.findChild<QScrollBar*>("DBandSB"), Qt::Key_Right, {}); }},
      {"frequency", [&] { Key(Form.findChild<QComboBox*>("FwdFreq"), Qt::Key_Down, {}); }},
      {"New", [&] { Key(&Form, Qt::Key_N); }},
      {"Open", [&] { Dialogs.FileAnswers = {other}, Key(&Form, Qt::Key_O); }},
      {"Exchange", [&] { QTest::mouseClick(Form.findChild<QToolButton*>("ToolButton4"), Qt::LeftButton); }},
      {"Paste",
       [&] {
         QGuiApplication::clipboard()->setText(QString::fromStdString(saved.SaveToText())), Key(&Form, Qt::Key_V);
       }},
      {"Shape",
       [&] {
         Dialogs.OnModal = [](QDialog& d) { static_cast<TShapeDlg&>(d).FwdExpo->setValue(60), d.accept(); };
         Form.findChild<QAction*>("Shape1")->trigger();
       }},
  };
  // Undo and redo work wherever the focus is, the read-only fields included.
  QWidget* focus[] = {&Form, Form.findChild<QLineEdit*>("CurrX"), Form.findChild<QSpinBox*>("CurrY"),
                      Form.findChild<QLineEdit*>("DBand"), Form.Editor().View()};
  std::string before;
  int n = 0;
  for (const auto& [name, change] : changes) {
    before = State();
    change();
    const std::string after = State();
    ASSERT_NE(after, before) << name;
    EXPECT_FALSE(Form.findChild<QAction*>("EditRedo")->isEnabled()) << name;
    QWidget* target = focus[n++ % 5];
    Key(target, Qt::Key_Z);
    EXPECT_EQ(State(), before) << name;
    EXPECT_EQ(Form.Editor().View()->Image(), Redrawn()) << name;
    EXPECT_TRUE(Form.findChild<QAction*>("Redo1")->isEnabled()) << name;
    Key(target, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(State(), after) << name;
    Key(target, Qt::Key_Z), Key(target, Qt::Key_Y);
    EXPECT_EQ(State(), after) << name;
  }
  EXPECT_EQ(Form.Document().State().FileName, other);  // undoing the Open left the name alone

  // Changes that change nothing add no step: one undo still goes back over the Shape.
  int line = 1, square = 1;
  while (Form.Document().State().Profile.IsBreakpoint(line)) ++line;
  while (!Form.Document().State().Profile.IsBreakpoint(square)) ++square;
  Click(Qt::RightButton, PixelOf(line));
  Click(Qt::LeftButton, PixelOf(square));
  Form.findChild<QScrollBar*>("CurrXSB")->setValue(0);
  Key(Form.findChild<QSpinBox*>("CurrY"), Qt::Key_Down, {});
  Key(&Form, Qt::Key_Z);
  EXPECT_EQ(State(), before);

  // Refused during a drag.
  Press(Qt::LeftButton, PixelOf(62));
  const std::string dragging = State();
  Key(&Form, Qt::Key_Z);
  EXPECT_EQ(State(), dragging);
  EXPECT_TRUE(Form.Editor().Dragging());
  Release(Qt::LeftButton, PixelOf(62));
}

// The history itself: beyond its capacity the oldest steps go, the newest stay in order.
TEST(UndoHistory, KeepsTheNewestThousandSteps) {
  TEditorState state;
  state.Profile.Clear();
  state.Profile.DetectDeadband();
  TUndoHistory history;
  for (int i = 0; i < 1005; ++i) {
    TUndoHistory::TStep step(history, state);
    state.Profile.SetDeadband(i % 2 ? 1 : 2);
  }
  int undone = 0;
  while (history.Undo(state) && undone < 2000) ++undone;
  EXPECT_EQ(undone, 1000);
  EXPECT_EQ(state.Profile.GetDeadband(), 2);  // the level after the fifth step
}

}  // namespace
