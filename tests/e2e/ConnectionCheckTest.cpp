// The port list following ports that come and go after start-up, and the connection check's window
// against the simulator's loop-back and silent modes, with the search of the other ports.
#include "ComPort.h"
#include "ConnectionCheckWnd.h"
#include "ControlPanel.h"
#include "ControllerCommands.h"
#include "DiagramEditor.h"
#include "EscSimulator.h"
#include "FakeDialogs.h"
#include "Main.h"
#include "SimulatorPace.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace {

// Simulated controllers reached as ttyUSBn in a folder standing in for /dev, and a window listing
// that folder as it lists /dev.
class PortFollowing : public ::testing::Test {
 protected:
  PortFollowing() : Dev(fs::temp_directory_path() / ("follow-" + std::to_string(::getpid()))) {
    fs::remove_all(Dev);
    fs::create_directories(Dev);
  }
  ~PortFollowing() override {
    Form.reset();
    fs::remove_all(Dev);
  }
  std::string Plug(int n, TEscSimulator::TOptions options = {}) { return Plug("ttyUSB" + std::to_string(n), options); }
  std::string Plug(const std::string& name, TEscSimulator::TOptions options = {}) {
    Sims.push_back(std::make_unique<TEscSimulator>(std::move(options)));
    const fs::path link = Dev / name;
    fs::create_symlink(Sims.back()->SlavePath(), link);
    return link.string();
  }
  // The window lists the folder as it lists /dev, and watches it.
  void Start() {
    const std::string dev = Dev.string();
    auto list = [dev] { return ListSerialPortPaths({dev, "/sys", "/proc"}); };
    Form = std::make_unique<TMainForm>(Dialogs, list, nullptr, dev);
    AtSimulatorPace(Form->Commands().ComPort1());
    Form->show();
  }
  QComboBox* Ports() const { return Form->findChild<QComboBox*>("cbPorts"); }
  QStringList Listed() const {
    QStringList items;
    for (int i = 0; i < Ports()->count(); ++i) items << Ports()->itemText(i);
    return items;
  }
  QString Selected() const { return Ports()->currentIndex() >= 0 ? Ports()->currentText() : QString(); }
  // Runs the check on the selected port; what its window shows, after `inWindow` acted in it.
  QString Check(std::function<void(TConnectionCheckW&)> inWindow = {}) {
    QString shown;
    Dialogs.OnModal = [&](QDialog& dialog) {
      auto& window = dynamic_cast<TConnectionCheckW&>(dialog);
      EXPECT_EQ(window.windowTitle(), "Connection check");
      if (inWindow) inWindow(window);
      shown = window.Findings->toPlainText();
    };
    Form->findChild<QAction*>("CheckConnection")->trigger();
    return shown;
  }

  fs::path Dev;
  std::vector<std::unique_ptr<TEscSimulator>> Sims;
  TFakeDialogs Dialogs;
  std::unique_ptr<TMainForm> Form;
};

TEST_F(PortFollowing, ListFollowsPortsThatComeAndGo) {
  const QString first = QString::fromStdString(Plug(3));
  Start();
  EXPECT_EQ(Listed(), QStringList{first});
  EXPECT_EQ(Selected(), first);
  const QString second = QString::fromStdString(Plug(1));
  QTRY_COMPARE_WITH_TIMEOUT(Listed(), (QStringList{second, first}), 1000);
  EXPECT_EQ(Selected(), second);  // just plugged in, and the user has chosen no port
  fs::remove(first.toStdString());
  QTRY_COMPARE_WITH_TIMEOUT(Listed(), QStringList{second}, 2500);
  EXPECT_EQ(Selected(), second);
  fs::remove(second.toStdString());
  QTRY_VERIFY_WITH_TIMEOUT(Listed().isEmpty(), 2500);
  EXPECT_EQ(Ports()->currentIndex(), -1);
  EXPECT_TRUE(Ports()->isEnabled());
}

TEST_F(PortFollowing, TheChosenPortComesBackSelected) {
  const QString builtIn = QString::fromStdString(Plug("ttyS0"));
  const QString other = QString::fromStdString(Plug(0));
  const QString chosen = QString::fromStdString(Plug(1));
  Start();
  ASSERT_EQ(Listed(), (QStringList{other, chosen, builtIn}));
  ASSERT_EQ(Selected(), other);
  Ports()->setFocus();
  QTest::keyClick(Ports(), Qt::Key_Down);  // the user picks the second adapter
  ASSERT_EQ(Selected(), chosen);
  for (int replug = 0; replug < 2; ++replug) {
    fs::remove(chosen.toStdString());
    QTRY_COMPARE_WITH_TIMEOUT(Listed(), (QStringList{other, builtIn}), 1000);
    EXPECT_EQ(Selected(), other);
    fs::create_symlink(Sims[2]->SlavePath(), chosen.toStdString());
    QTRY_COMPARE_WITH_TIMEOUT(Listed(), (QStringList{other, chosen, builtIn}), 1000);
    EXPECT_EQ(Selected(), chosen) << "re-plug " << replug;
  }
  // Another adapter plugged in while the chosen one is there does not take the selection.
  const QString third = QString::fromStdString(Plug(2));
  QTRY_COMPARE_WITH_TIMEOUT(Listed(), (QStringList{other, chosen, third, builtIn}), 1000);
  EXPECT_EQ(Selected(), chosen);
}

TEST_F(PortFollowing, CheckFindsLoopBackAndSilenceAndTheControllerElsewhere) {
  TEscSimulator::TOptions echo, silent;
  echo.Echo = true;
  silent.Silent = true;
  const QString loop = QString::fromStdString(Plug(0, echo));
  const QString quiet = QString::fromStdString(Plug(1, silent));
  const QString good = QString::fromStdString(Plug(2));
  Start();
  ASSERT_EQ(Listed(), (QStringList{loop, quiet, good}));
  EXPECT_EQ(Form->findChild<QAction*>("CheckConnection")->shortcut(), QKeySequence(Qt::Key_F5));

  const QString looped = Check([](TConnectionCheckW& w) { EXPECT_TRUE(w.SearchBtn->isHidden()); });
  EXPECT_TRUE(looped.startsWith("What is sent on " + loop + " comes straight back")) << looped.toStdString();

  Ports()->setCurrentIndex(1);
  const QString searched = Check([](TConnectionCheckW& w) {
    EXPECT_FALSE(w.SearchBtn->isHidden());
    QTest::mouseClick(w.SearchBtn, Qt::LeftButton);
  });
  EXPECT_TRUE(searched.startsWith("Nothing comes back on " + quiet)) << searched.toStdString();
  EXPECT_TRUE(searched.endsWith("The controller answers on " + good + ".")) << searched.toStdString();
  EXPECT_EQ(Dialogs.Confirmations,
            QStringList{"Connection check: The controller answers on " + good + ". Select this port?"});
  EXPECT_EQ(Selected(), good);
  EXPECT_FALSE(Form->Commands().ComPort1().IsOpen());
  EXPECT_EQ(Sims[2]->FrameCount(), 2);  // only the probe reached the controller
}

}  // namespace
