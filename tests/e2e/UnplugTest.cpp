// The controller unplugged (the line's far end closed) during a Read, during a Write and between
// commands: the window goes on, the user is told, the profile is not spoilt, the port is closed
// afterwards, and the next command reaches the controller once it is back on the same port name.
#include "ComPort.h"
#include "ControlPanel.h"
#include "ControllerCommands.h"
#include "DiagramEditor.h"
#include "EscSimulator.h"
#include "FakeDialogs.h"
#include "Main.h"
#include "ProgressWnd.h"
#include "SimulatorPace.h"
#include "TempDir.h"
#include "Transfer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace {

class Unplug : public ::testing::Test {
 protected:
  // The window lists one port, a link like the ones udev makes for an adapter; plugging a
  // controller in points the link at its pseudo-terminal.
  Unplug() : Link(Dir.File("ttyUSB-esc")) {
    Form = std::make_unique<TMainForm>(Dialogs, [this] { return std::vector<std::string>{Link}; });
    Progress = std::make_unique<TProgressW>(Form.get());
    Form->SetAuxWindows(nullptr, Progress.get(), nullptr);
    AtSimulatorPace(Form->Commands().ComPort1());
    Form->show();
  }
  ~Unplug() override {
    Progress.reset();
    Form.reset();
  }

  void PlugIn(TEscSimulator::TOptions options = {}) {
    Sim = std::make_unique<TEscSimulator>(std::move(options));
    std::filesystem::remove(Link);
    std::filesystem::create_symlink(Sim->SlavePath(), Link);
  }
  void PullOut() {
    Sim.reset();
    std::filesystem::remove(Link);
  }
  static TEscSimulator::TOptions DeadAfter(long frames) {
    TEscSimulator::TOptions o;
    o.UnplugAfter = frames;
    return o;
  }
  bool SameCurve(const TSpeedoDevice& a, const TSpeedoDevice& b) const {
    for (int i = 0; i <= 95; ++i)
      if (a.GetPoint(i) != b.GetPoint(i) || a.IsBreakpoint(i) != b.IsBreakpoint(i)) return false;
    return a.GetDeadband() == b.GetDeadband();
  }
  void ExpectOnlyInformation(const QString& text) {
    EXPECT_EQ(Dialogs.Informations, QStringList{text});
    EXPECT_TRUE(Dialogs.Errors.isEmpty()) << Dialogs.Errors.join(" | ").toStdString();
    Dialogs.Informations.clear();
    EXPECT_FALSE(Form->Commands().ComPort1().IsOpen());
    EXPECT_FALSE(Progress->isVisible());
  }

  TTempDir Dir;
  std::string Link;
  TFakeDialogs Dialogs;
  std::unique_ptr<TEscSimulator> Sim;
  std::unique_ptr<TMainForm> Form;
  std::unique_ptr<TProgressW> Progress;
};

TEST_F(Unplug, DuringARead) {
  PlugIn(DeadAfter(20));  // the probe, the frequency and some of the curve (99 frames in all)
  Form->Document().State().Profile.SetY(40, 123);
  TSpedV4Device before;
  before.Assign(Form->Document().State().Profile);
  Form->findChild<QAction*>("UploadCurve")->trigger();
  ExpectOnlyInformation(QStringLiteral("Upload failed. Please check ESC connections."));
  EXPECT_TRUE(SameCurve(Form->Document().State().Profile, before)) << "a partial profile was taken";

  PlugIn();
  Form->findChild<QAction*>("TestCom")->trigger();
  ExpectOnlyInformation(QStringLiteral("ESC connected"));
}

TEST_F(Unplug, DuringAWrite) {
  PlugIn(DeadAfter(40));  // the probe, the frequency and some of the curve (195 frames in all)
  Form->Document().State().Profile.SetY(80, 200);
  TSpedV4Device before;
  before.Assign(Form->Document().State().Profile);
  Form->findChild<QAction*>("DownloadCurve")->trigger();
  ExpectOnlyInformation(QStringLiteral("Download failed. Please check ESC connections."));
  EXPECT_TRUE(SameCurve(Form->Document().State().Profile, before));

  PlugIn();
  Form->findChild<QAction*>("TestCom")->trigger();
  ExpectOnlyInformation(QStringLiteral("ESC connected"));
}

TEST_F(Unplug, BetweenCommands) {
  PlugIn();
  Form->findChild<QAction*>("TestCom")->trigger();
  ExpectOnlyInformation(QStringLiteral("ESC connected"));

  PullOut();
  Form->findChild<QAction*>("TestCom")->trigger();
  ASSERT_EQ(Dialogs.Errors.size(), 1);
  const QString error = Dialogs.Errors.takeFirst();
  EXPECT_TRUE(error.startsWith(QString::fromStdString("TCOMPORT : cannot open " + Link + "\r"))) << error.toStdString();
  EXPECT_TRUE(error.contains(QStringLiteral("No such file or directory"))) << error.toStdString();
  EXPECT_TRUE(Dialogs.Informations.isEmpty());
  EXPECT_FALSE(Form->Commands().ComPort1().IsOpen());

  PlugIn();
  Form->findChild<QAction*>("TestCom")->trigger();
  ExpectOnlyInformation(QStringLiteral("ESC connected"));
}

}  // namespace
