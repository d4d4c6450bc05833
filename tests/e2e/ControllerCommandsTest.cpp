// The window's controller commands (Test, Read, Write) against the simulated controller, with the
// message boxes answered by the test.
#include "ComPort.h"
#include "ControlPanel.h"
#include "ControllerCommands.h"
#include "DiagramEditor.h"
#include "EscSimulator.h"
#include "FakeDialogs.h"
#include "Main.h"
#include "ProgressWnd.h"
#include "SimulatorPace.h"
#include "Transfer.h"
#include "UnservedGap.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace {

class ControllerCommands : public ::testing::Test {
 protected:
  // A window whose port list holds the simulator's port (or nothing).
  void Start(TEscSimulator::TOptions options = {}, bool listPort = true) {
    Progress.reset();  // a child of the window
    Form.reset();
    Sim = std::make_unique<TEscSimulator>(std::move(options));
    const std::string path = Sim->SlavePath();
    Form = std::make_unique<TMainForm>(
        Dialogs, [path, listPort] { return listPort ? std::vector<std::string>{path} : std::vector<std::string>{}; });
    Progress = std::make_unique<TProgressW>(Form.get());
    Form->SetAuxWindows(nullptr, Progress.get(), nullptr);
    // The simulator answers at once; the controller's own timing only where a test says so.
    AtSimulatorPace(Form->Commands().ComPort1());
    Form->show();
  }
  void LoadRegistersFrom(const TSpedV4Device& source, uint8_t code) {
    for (int entry = 0; entry <= 95; ++entry)
      Sim->SetRegister(static_cast<uint8_t>(Transfer::CurveRegister(entry)), static_cast<uint8_t>(source.GetY(entry)));
    Sim->SetRegister(1, code);
  }
  void ExpectProfile(const TSpeedoDevice& expected) {
    for (int i = 0; i < 256; ++i) {
      ASSERT_EQ(Form->Document().State().Profile.GetPoint(i), expected.GetPoint(i)) << i;
      ASSERT_EQ(Form->Document().State().Profile.IsBreakpoint(i), expected.IsBreakpoint(i)) << i;
    }
    EXPECT_EQ(Form->Document().State().Profile.GetDeadband(), expected.GetDeadband());
  }

  TFakeDialogs Dialogs;
  std::unique_ptr<TEscSimulator> Sim;
  std::unique_ptr<TMainForm> Form;
  std::unique_ptr<TProgressW> Progress;
};

TEST_F(ControllerCommands, TestReportsAnAnsweringController) {
  Start();
  Form->findChild<QAction*>("TestCom")->trigger();
  EXPECT_EQ(Dialogs.Informations, QStringList{"ESC connected"});
  EXPECT_FALSE(Form->Commands().ComPort1().IsOpen());
  EXPECT_EQ(Sim->FrameCount(), 2);
  EXPECT_EQ(Sim->Register(20), 170);
  // The next command opens the port again.
  Form->findChild<QAction*>("TestCom")->trigger();
  EXPECT_EQ(Dialogs.Informations.size(), 2);
  EXPECT_EQ(Dialogs.Informations.last(), "ESC connected");
}

// A loop-back plug answers every command with the command itself; a silent line: see
// ReadWithoutAControllerLeavesTheProfile.
TEST_F(ControllerCommands, TestWithoutAController) {
  TEscSimulator::TOptions options;
  options.Echo = true;
  Start(options);
  Form->findChild<QAction*>("TestCom")->trigger();
  EXPECT_EQ(Dialogs.Informations, QStringList{"ESC not connected"});
  EXPECT_FALSE(Form->Commands().ComPort1().IsOpen());
}

TEST_F(ControllerCommands, EmptyPortListGivesTheOpenError) {
  Start({}, false);
  for (QAction* command : {Form->findChild<QAction*>("TestCom"), Form->findChild<QAction*>("UploadCurve"),
                           Form->findChild<QAction*>("DownloadCurve")}) {
    Dialogs.Errors.clear();
    command->trigger();
    ASSERT_EQ(Dialogs.Errors.size(), 1) << command->objectName().toStdString();
    EXPECT_TRUE(Dialogs.Errors[0].startsWith("TCOMPORT : cannot open \r")) << Dialogs.Errors[0].toStdString();
    EXPECT_FALSE(Form->Commands().ComPort1().IsOpen());
  }
  EXPECT_TRUE(Dialogs.Informations.isEmpty());
  EXPECT_EQ(Sim->FrameCount(), 0);
}

// A controller falling silent during a Write: the Write ends at the first reply that does not come
// and says so. Which register commands a Write sends and how it reads back: Transfer's tests.
TEST_F(ControllerCommands, WriteThatLosesTheControllerSaysSo) {
  TEscSimulator::TOptions options;
  options.StopAfter = 44;  // the probe, the frequency and 20 entries, then the write of the 21st
  Start(options);
  Form->findChild<QAction*>("DownloadCurve")->trigger();
  EXPECT_EQ(Dialogs.Confirmations,
            QStringList{"Write profile: This will overwrite the current profile in the ESC. Continue?"});
  EXPECT_EQ(Dialogs.Informations, QStringList{"Download failed. Please check ESC connections."});
  EXPECT_EQ(Sim->FrameCount(), 45);
  EXPECT_EQ(Progress->What->text(), "Readback fail");  // its read-back did not come
  EXPECT_FALSE(Progress->isVisible());
  EXPECT_FALSE(Form->Commands().ComPort1().IsOpen());
}

TEST_F(ControllerCommands, CancelledCommandsTouchNothing) {
  Start();
  Dialogs.ConfirmAnswer = false;
  TSpedV4Device before;
  before.Assign(Form->Document().State().Profile);
  Form->findChild<QAction*>("DownloadCurve")->trigger();
  Form->findChild<QAction*>("UploadCurve")->trigger();
  EXPECT_EQ(Dialogs.Confirmations.size(), 2);
  EXPECT_EQ(Sim->FrameCount(), 0);
  EXPECT_FALSE(Form->Commands().ComPort1().IsOpen());
  ExpectProfile(before);
}

TEST_F(ControllerCommands, ReadTakesTheControllersProfile) {
  Start();
  TSpedV4Device source;
  source.Clear();
  source.SetDeadband(3);
  source.SetY(10, 180);
  source.SetY(75, 90);
  LoadRegistersFrom(source, 248);

  // What the editor makes of the values: every entry read, then fitted, then the deadband found.
  TSpedV4Device expected;
  expected.Clear();
  expected.SetDeadband(0);
  for (int entry : Transfer::TransferOrder()) expected.SetY(entry, static_cast<uint8_t>(source.GetY(entry)));
  expected.FitCurve(1.5);
  expected.DetectDeadband();

  Form->findChild<QAction*>("UploadCurve")->trigger();
  EXPECT_EQ(Dialogs.Confirmations,
            QStringList{"Read profile: This will overwrite the current forground profile. Continue?"});
  EXPECT_TRUE(Dialogs.Informations.isEmpty());
  ExpectProfile(expected);
  EXPECT_EQ(Form->Document().State().Profile.GetDeadband(), 3);
  int fwd, brk;
  Form->Document().State().Profile.GetFrequencies(fwd, brk);
  EXPECT_EQ(fwd, 6);
  EXPECT_EQ(brk, 6);
  EXPECT_EQ(Form->findChild<QComboBox*>("FwdFreq")->currentText(), "4.0k");
  EXPECT_EQ(Form->findChild<QLineEdit*>("DBand")->text(), "3");
  EXPECT_EQ(Sim->FrameCount(), 99);
  EXPECT_FALSE(Progress->isVisible());
  EXPECT_FALSE(Form->Commands().ComPort1().IsOpen());
  // The Read is one step: undo gives the profile from before it back, redo the one read.
  Form->findChild<QAction*>("EditUndo")->trigger();
  TSpedV4Device start;
  start.Clear();
  start.DetectDeadband();
  ExpectProfile(start);
  Form->findChild<QAction*>("EditRedo")->trigger();
  ExpectProfile(expected);
}

TEST_F(ControllerCommands, ReadThatLosesTheControllerLeavesTheProfile) {
  TEscSimulator::TOptions options;
  options.StopAfter = 8;  // the probe, the frequency and the first entries
  Start(options);
  Form->Document().State().Profile.SetY(40, 123);
  TSpedV4Device before;
  before.Assign(Form->Document().State().Profile);
  Form->findChild<QAction*>("UploadCurve")->trigger();
  EXPECT_EQ(Dialogs.Informations, QStringList{"Upload failed. Please check ESC connections."});
  ExpectProfile(before);
  EXPECT_FALSE(Form->findChild<QAction*>("EditUndo")->isEnabled());  // nothing changed, nothing to undo
  EXPECT_FALSE(Progress->isVisible());
  EXPECT_FALSE(Form->Commands().ComPort1().IsOpen());
}

TEST_F(ControllerCommands, ReadWithoutAControllerLeavesTheProfile) {
  TEscSimulator::TOptions options;
  options.Silent = true;
  Start(options);
  TSpedV4Device before;
  before.Assign(Form->Document().State().Profile);
  Form->findChild<QAction*>("UploadCurve")->trigger();
  EXPECT_EQ(Dialogs.Informations, QStringList{"ESC not connected"});
  ExpectProfile(before);
  EXPECT_FALSE(Form->Commands().ComPort1().IsOpen());
}

// A click on the Test button, made on the GUI thread and handed to it by any thread.
struct TPostedClick {
  explicit TPostedClick(QWidget* target)
      : Target(target),
        Press(new QMouseEvent(QEvent::MouseButtonPress, QPointF(5, 5), target->mapToGlobal(QPointF(5, 5)),
                              Qt::LeftButton, Qt::LeftButton, Qt::NoModifier)),
        Release(new QMouseEvent(QEvent::MouseButtonRelease, QPointF(5, 5), target->mapToGlobal(QPointF(5, 5)),
                                Qt::LeftButton, Qt::NoButton, Qt::NoModifier)) {}
  ~TPostedClick() {
    delete Press.load();
    delete Release.load();
  }
  void Post() {
    if (QMouseEvent* e = Press.exchange(nullptr)) QCoreApplication::postEvent(Target, e);
    if (QMouseEvent* e = Release.exchange(nullptr)) QCoreApplication::postEvent(Target, e);
  }
  QWidget* Target;
  std::atomic<QMouseEvent*> Press, Release;
};

TEST_F(ControllerCommands, WriteFillsTheControllersRegisters) {
  Start();
  Form->Document().State().Profile.SetY(60, 3);
  Form->Document().State().Profile.SetFrequencies(13, 0);
  Form->findChild<QAction*>("DownloadCurve")->trigger();
  EXPECT_EQ(Dialogs.Confirmations,
            QStringList{"Write profile: This will overwrite the current profile in the ESC. Continue?"});
  EXPECT_TRUE(Dialogs.Informations.isEmpty()) << Dialogs.Informations.join(",").toStdString();
  EXPECT_EQ(Sim->Register(1), 98);
  for (int entry = 0; entry <= 95; ++entry)
    EXPECT_EQ(Sim->Register(static_cast<uint8_t>(Transfer::CurveRegister(entry))),
              Form->Document().State().Profile.GetY(entry))
        << entry;
  EXPECT_EQ(Sim->FrameCount(), 195);
  EXPECT_FALSE(Progress->isVisible());
  EXPECT_EQ(Progress->Progress->value(), 96);
  EXPECT_FALSE(Form->Commands().ComPort1().IsOpen());
}

// A whole Read through the window with a pause before each reply: the window is served through
// each of its 99 pauses, and a click that arrives meanwhile is dropped. The pauses are shorter than
// the controller's 40 ms, to keep the test short; a window left unserved through them all would
// still miss more than a second.
TEST_F(ControllerCommands, ClicksDuringATransferAreDropped) {
  TEscSimulator::TOptions options;
  std::atomic<TPostedClick*> click = nullptr;
  options.OnFrame = [&click](char command, uint8_t reg, uint8_t, bool) {
    if (command == 'r' && reg == 64)
      if (TPostedClick* c = click.load()) c->Post();
  };
  Start(options);
  Form->Commands().ComPort1().SetCommandPause(std::chrono::milliseconds(12));
  TPostedClick during(Form->findChild<QToolButton*>("ToolButton11"));
  click = &during;
  // Meanwhile the window keeps being served: a timer of the GUI thread goes on firing.
  TUnservedGap gap;
  Form->findChild<QAction*>("UploadCurve")->trigger();
  const qint64 longest = gap.Longest();
  click = nullptr;
  EXPECT_LT(longest, 500) << "the window went unserved for " << longest << " ms";
  QCoreApplication::processEvents();
  EXPECT_EQ(during.Press.load(), nullptr) << "the click was never made";
  EXPECT_TRUE(Dialogs.Informations.isEmpty()) << Dialogs.Informations.join(",").toStdString();
  EXPECT_EQ(Sim->FrameCount(), 99);
  EXPECT_FALSE(Progress->isVisible());
  EXPECT_FALSE(Form->Commands().ComPort1().IsOpen());

  // The same click outside a transfer does run the Test command.
  TPostedClick after(Form->findChild<QToolButton*>("ToolButton11"));
  after.Post();
  QCoreApplication::processEvents();
  EXPECT_EQ(Dialogs.Informations, QStringList{"ESC connected"});
}

}  // namespace
