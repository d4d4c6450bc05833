// The port list following ports that come and go after start-up, and the connection check's window
// against the simulator's loop-back and silent modes, with the search of the other ports.
#include "ComPort.h"
#include "ConnectionCheckWnd.h"
#include "EscSimulator.h"
#include "FakeDialogs.h"
#include "ControlPanel.h"
#include "ControllerCommands.h"
#include "DiagramEditor.h"
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
  std::string Plug(int n, TEscSimulator::TOptions options = {}) {
    Sims.push_back(std::make_unique<TEscSimulator>(std::move(options)));
    const fs::path link = Dev / ("ttyUSB" + std::to_string(n));
    fs::create_symlink(Sims.back()->SlavePath(), link);
    return link.string();
  }
  void Start() {
    const std::string dev = Dev.string();
    Form = std::make_unique<TMainForm>(Dialogs, [dev] {
      std::vector<std::string> ports;
      EnumComPorts(&ports, dev);
      return ports;
    });
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
  QTRY_COMPARE_WITH_TIMEOUT(Listed(), (QStringList{second, first}), 2500);
  EXPECT_EQ(Selected(), first);  // the selected port stays selected
  fs::remove(first.toStdString());
  QTRY_COMPARE_WITH_TIMEOUT(Listed(), QStringList{second}, 2500);
  EXPECT_EQ(Selected(), second);
  fs::remove(second.toStdString());
  QTRY_VERIFY_WITH_TIMEOUT(Listed().isEmpty(), 2500);
  EXPECT_EQ(Ports()->currentIndex(), -1);
  EXPECT_TRUE(Ports()->isEnabled());
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
