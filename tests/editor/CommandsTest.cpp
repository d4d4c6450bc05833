#include "MainFormFixture.h"

#include "About.h"
#include "ComPort.h"
#include "InfoWnd.h"
#include "ProgressWnd.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolButton>

namespace {

constexpr QRgb Yellow = 0xFFFF00, Silver = 0xC0C0C0, Black = 0x000000, Blue = 0x0000FF;

class CommandsTest : public MainFormTest {
 protected:
  QString Path(const QString& name) const { return Dir.filePath(name); }
  QByteArray Read(const QString& path) const {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  QTemporaryDir Dir;
};

TEST_F(CommandsTest, StartsWithTheDefaultProfileAndEntryZeroSelected) {
  EXPECT_EQ(Form.windowTitle(), QStringLiteral("TORVANIC"));
  EXPECT_EQ(Form.Document().State().FileName, QStringLiteral("noname.spp"));
  EXPECT_EQ(Form.centralWidget()->width(), 748);
  EXPECT_EQ(Form.centralWidget()->height() + Form.statusBar()->height(), 418);
  EXPECT_EQ(Form.height(), Form.menuBar()->height() + 418);
  EXPECT_EQ(Form.minimumSize(), Form.maximumSize());
  EXPECT_EQ(Form.Editor().View()->size(), QSize(741, 280));
  EXPECT_EQ(Form.Document().State().Selected, 0);
  EXPECT_EQ(Form.findChild<QLineEdit*>("CurrX")->text(), QStringLiteral("-63"));
  EXPECT_EQ(Form.findChild<QSpinBox*>("CurrY")->value(), 255);
  EXPECT_EQ(Form.findChild<QScrollBar*>("CurrXSB")->maximum(), 95);
  EXPECT_EQ(Form.findChild<QScrollBar*>("DBandSB")->maximum(), 4);
  EXPECT_EQ(Form.findChild<QLineEdit*>("DBand")->text(), QStringLiteral("1"));
  EXPECT_EQ(Form.findChild<QComboBox*>("FwdFreq")->count(), 17);
  EXPECT_EQ(Form.findChild<QComboBox*>("BrkFreq")->itemText(16), QStringLiteral("16.0k"));
  EXPECT_EQ(Form.findChild<QComboBox*>("FwdFreq")->currentIndex(), 0);
  EXPECT_TRUE(Form.findChild<QComboBox*>("cbPorts")->isEnabled());
  EXPECT_FALSE(Form.findChild<QComboBox*>("cbPorts")->isEditable());
  // The selection box surrounds the first point, (50, 46).
  EXPECT_EQ(At(46, 42), Yellow);
  EXPECT_EQ(At(53, 49), Yellow);
  for (int y = 0; y < 280; ++y)
    for (int x = 0; x < 741; ++x)
      if (At(x, y) == Yellow) {
        EXPECT_TRUE(x >= 46 && x <= 53 && y >= 42 && y <= 49) << x << "," << y;
      }
  EXPECT_FALSE(Form.findChild<QAction*>("ShowBackground1")->isChecked());
}

TEST_F(CommandsTest, WithoutSerialPortsThePortListIsEmptyButEnabled) {
  EXPECT_EQ(Form.findChild<QComboBox*>("cbPorts")->count(), 0);
  EXPECT_EQ(Form.findChild<QComboBox*>("cbPorts")->currentIndex(), -1);
  EXPECT_TRUE(Form.findChild<QComboBox*>("cbPorts")->isEnabled());
  EXPECT_FALSE(Form.Commands().ComPort1().IsOpen());
}

TEST(MainFormPorts, ListsAdaptersBeforeBuiltInPortsAndSelectsTheFirst) {
  TFakeDialogs dialogs;
  TMainForm form(dialogs, [] { return std::vector<std::string>{"/dev/ttyS0", "/dev/rfcomm0", "/dev/ttyUSB1"}; });
  const auto* cbPorts = form.findChild<QComboBox*>("cbPorts");
  ASSERT_EQ(cbPorts->count(), 3);
  EXPECT_EQ(cbPorts->itemText(0), QStringLiteral("/dev/ttyUSB1"));
  EXPECT_EQ(cbPorts->itemText(1), QStringLiteral("/dev/rfcomm0"));
  EXPECT_EQ(cbPorts->itemText(2), QStringLiteral("/dev/ttyS0"));
  EXPECT_EQ(cbPorts->currentText(), QStringLiteral("/dev/ttyUSB1"));
  EXPECT_EQ(cbPorts->itemData(2, Qt::ToolTipRole).toString(), QStringLiteral("built-in serial port"));
  EXPECT_EQ(cbPorts->size(), QSize(99, 21));  // the closed box keeps its place and size
}

TEST_F(CommandsTest, SaveWithoutNameAsksAndCancellingWritesNothing) {
  Form.findChild<QAction*>("FileSave")->trigger();
  EXPECT_EQ(Dialogs.SaveDialogs, 1);
  EXPECT_EQ(Dialogs.LastSave.Filter, QStringLiteral("Speedo (*.spp)"));
  EXPECT_EQ(Dialogs.LastSave.DefaultSuffix, QStringLiteral("spp"));
  EXPECT_EQ(Form.windowTitle(), QStringLiteral("TORVANIC"));
  EXPECT_TRUE(QDir(Dir.path()).isEmpty());
  EXPECT_FALSE(QFile::exists(QStringLiteral("noname.spp")));
}

TEST_F(CommandsTest, SaveAsNamesTheFileAndNewKeepsTheName) {
  const QString file = Path(QStringLiteral("curve.spp"));
  Form.Document().State().Profile.SetY(50, 10);
  Dialogs.FileAnswers = {file};
  QTest::keyClick(&Form, Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(Form.windowTitle(), QStringLiteral("TORVANIC [") + file + QStringLiteral("]"));
  const QByteArray edited = Read(file);
  ASSERT_FALSE(edited.isEmpty());

  QTest::keyClick(&Form, Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(Form.Document().State().FileName, file);
  EXPECT_EQ(Form.windowTitle(), QStringLiteral("TORVANIC [") + file + QStringLiteral("]"));
  Form.findChild<QAction*>("FileSave")->trigger();  // straight to the named file, no dialog
  EXPECT_EQ(Dialogs.SaveDialogs, 1);
  EXPECT_NE(Read(file), edited);

  Form.Document().State().Profile.SetY(40, 77);
  Dialogs.FileAnswers = {file};
  Form.findChild<QAction*>("FileOpen1")->trigger();  // the default profile comes back
  EXPECT_EQ(Dialogs.LastOpen.Filter, QStringLiteral("Speed (*.spp)"));
  EXPECT_TRUE(Dialogs.LastOpen.MustExist);
  EXPECT_FALSE(Form.Document().State().Profile.IsBreakpoint(40));
  EXPECT_TRUE(Dialogs.Errors.isEmpty());
}

TEST_F(CommandsTest, OpenShowsTheLoadedProfileAndNamesTheWindow) {
  const QString file = Path(QStringLiteral("noname.spp"));
  Form.Document().State().Profile.SetY(70, 30);
  Form.Document().State().Profile.SaveToFile(file.toStdString());
  Form.findChild<QAction*>("FileNew")->trigger();
  Dialogs.FileAnswers = {file};
  Form.findChild<QAction*>("FileOpen1")->trigger();
  EXPECT_EQ(Form.Document().State().Profile.GetY(70), 30);
  EXPECT_EQ(Form.Document().State().FileName, file);
  EXPECT_EQ(Form.Editor().View()->Image(), Redrawn());
  // The full path is not "noname.spp": Save writes without asking.
  Form.findChild<QAction*>("FileSave")->trigger();
  EXPECT_EQ(Dialogs.SaveDialogs, 0);
}

TEST_F(CommandsTest, RefusedFileLeavesNameCaptionAndDiagramAlone) {
  const QString good = Path(QStringLiteral("good.spp"));
  Dialogs.FileAnswers = {good};
  Form.findChild<QAction*>("FileSaveAs1")->trigger();
  QByteArray text = Read(good);
  ASSERT_TRUE(text.contains("Version=4"));
  text.replace("Version=4", "Version=3");
  const QString refused = Path(QStringLiteral("old.spp"));
  QFile out(refused);
  ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  out.write(text);
  out.close();

  Form.Document().State().Profile.SetY(50, 5);
  Form.Editor().View()->RedrawAll();
  const QImage before = Form.Editor().View()->Image();
  Dialogs.FileAnswers = {refused};
  Form.findChild<QAction*>("FileOpen1")->trigger();
  EXPECT_EQ(Dialogs.Informations, QStringList{QStringLiteral("Failed to load profile from file ") + refused});
  EXPECT_EQ(Form.Document().State().FileName, good);
  EXPECT_EQ(Form.windowTitle(), QStringLiteral("TORVANIC [") + good + QStringLiteral("]"));
  EXPECT_EQ(Form.Editor().View()->Image(), before);
  EXPECT_EQ(Form.Document().State().Profile.GetY(50), 5);
}

TEST_F(CommandsTest, FileErrorsReachTheGeneralHandlerAndTheProgramGoesOn) {
  // A missing file reads as an empty profile file, which is refused like a wrong version.
  const QString missing = Path(QStringLiteral("missing.spp"));
  Dialogs.FileAnswers = {missing};
  Form.findChild<QAction*>("FileOpen1")->trigger();
  EXPECT_EQ(Dialogs.Informations, QStringList{QStringLiteral("Failed to load profile from file ") + missing});
  EXPECT_TRUE(Dialogs.Errors.isEmpty());

  // A folder cannot be read at all: an error with the file's name and the reason.
  Dialogs.FileAnswers = {Dir.path()};
  Form.findChild<QAction*>("FileOpen1")->trigger();
  ASSERT_EQ(Dialogs.Errors.size(), 1);
  EXPECT_TRUE(Dialogs.Errors[0].contains(Dir.path())) << Dialogs.Errors[0].toStdString();
  EXPECT_EQ(Form.windowTitle(), QStringLiteral("TORVANIC"));

  const QString unwritable = Path(QStringLiteral("no/such/folder/x.spp"));
  Dialogs.FileAnswers = {unwritable};
  Form.findChild<QAction*>("FileSaveAs1")->trigger();
  ASSERT_EQ(Dialogs.Errors.size(), 2);
  EXPECT_TRUE(Dialogs.Errors[1].contains(unwritable)) << Dialogs.Errors[1].toStdString();
  EXPECT_EQ(Form.Document().State().FileName, unwritable);  // named before the write was tried

  Click(Qt::LeftButton, PixelOf(16));  // still editing
  EXPECT_TRUE(Form.Document().State().Profile.IsBreakpoint(16));
}

TEST_F(CommandsTest, ExchangeTwiceRestoresBothProfilesAndKeepsTheBackgroundShown) {
  Form.Document().State().Profile.SetY(50, 11);
  Form.Document().State().Profile.SetDeadband(3);
  Form.Document().State().Profile.SetFrequencies(7, 7);
  TSpedV4Device edited;
  edited.Assign(Form.Document().State().Profile);

  Form.findChild<QAction*>("ExchangeCurves")->trigger();
  EXPECT_TRUE(Form.Document().State().ShowBackground);
  EXPECT_TRUE(Form.findChild<QAction*>("ShowBackground1")->isChecked());
  EXPECT_EQ(Form.Document().State().Profile.GetDeadband(), 1);
  EXPECT_EQ(Form.Document().State().BgProfile.GetDeadband(), 3);
  EXPECT_EQ(Form.findChild<QComboBox*>("FwdFreq")->currentIndex(), 0);
  EXPECT_EQ(At(301, 240), Black);  // background bar of entry 25 beside its foreground bar
  EXPECT_EQ(At(300, 240), Blue);

  Form.findChild<QAction*>("ExchangeCurves")->trigger();
  EXPECT_TRUE(Form.Document().State().ShowBackground);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(Form.Document().State().Profile.GetPoint(i), edited.GetPoint(i)) << i;
    EXPECT_EQ(Form.Document().State().Profile.IsBreakpoint(i), edited.IsBreakpoint(i)) << i;
  }
  int fwd = 0, brk = 0;
  Form.Document().State().Profile.GetFrequencies(fwd, brk);
  EXPECT_EQ(fwd, 7);
  EXPECT_EQ(brk, 7);
  EXPECT_EQ(Form.Document().State().Profile.GetDeadband(), 3);
  EXPECT_EQ(Form.findChild<QLineEdit*>("DBand")->text(), QStringLiteral("3"));
  EXPECT_EQ(Form.findChild<QComboBox*>("FwdFreq")->currentIndex(), 7);
}

TEST_F(CommandsTest, ShowBackgroundTwiceHidesTheBarsAgain) {
  Form.Document().State().BgProfile.SetY(20, 200);
  Form.findChild<QScrollBar*>("CurrXSB")->setValue(40);
  const QImage hidden = Form.Editor().View()->Image();
  Form.findChild<QAction*>("ShowBackground1")->trigger();
  EXPECT_TRUE(Form.Document().State().ShowBackground);
  EXPECT_TRUE(Form.findChild<QAction*>("ShowBackground1")->isChecked());
  EXPECT_EQ(At(251, 100), Black);  // entry 20 of the background, one column right of 250
  EXPECT_EQ(At(250, 200), Blue);
  EXPECT_EQ(Form.Editor().View()->Image(), Redrawn());
  Form.findChild<QAction*>("ShowBGCurve")->trigger();
  EXPECT_FALSE(Form.Document().State().ShowBackground);
  EXPECT_FALSE(Form.findChild<QAction*>("ShowBackground1")->isChecked());
  EXPECT_EQ(At(251, 100), Silver);
  EXPECT_EQ(Form.Editor().View()->Image(), hidden);
}

TEST_F(CommandsTest, FitCurveRemovesBreakpointsThatLieOnTheLines) {
  Form.Document().State().Profile.SetY(50, static_cast<uint8_t>(Form.Document().State().Profile.GetY(50)));
  Form.Document().State().Profile.SetY(70, static_cast<uint8_t>(Form.Document().State().Profile.GetY(70)));
  Form.findChild<QAction*>("FitCurve1")->trigger();
  EXPECT_FALSE(Form.Document().State().Profile.IsBreakpoint(50));
  EXPECT_FALSE(Form.Document().State().Profile.IsBreakpoint(70));
  EXPECT_EQ(Form.findChild<QLineEdit*>("DBand")->text(), QStringLiteral("0"));
  EXPECT_EQ(Form.Editor().View()->Image(), Redrawn());
}

TEST_F(CommandsTest, HelpAndAboutOpenTheirDialogsModally) {
  TAboutBox about(&Form);
  TProgressW progress(&Form);
  TInfoDlg info(&Form);
  Form.SetAuxWindows(&about, &progress, &info);
  Form.findChild<QAction*>("Help2")->trigger();
  Form.findChild<QAction*>("About1")->trigger();
  EXPECT_EQ(Dialogs.Shown, (QStringList{QStringLiteral("InfoDlg"), QStringLiteral("AboutBox")}));
  EXPECT_FALSE(progress.isVisible());
}

// A hint's short part is the tool tip, its long part reaches the status bar when the pointer rests
// on the button.
TEST_F(CommandsTest, AButtonsLongHintReachesTheStatusBar) {
  EXPECT_EQ(Form.findChild<QToolButton*>("ToolButton9")->toolTip(), QStringLiteral("Read"));
  QStatusTipEvent tip(Form.findChild<QToolButton*>("ToolButton9")->statusTip());
  QCoreApplication::sendEvent(Form.findChild<QToolButton*>("ToolButton9"), &tip);
  EXPECT_EQ(Form.statusBar()->currentMessage(), QStringLiteral("Read profile from ESC"));
}

TEST_F(CommandsTest, ToolbarButtonsRunTheirActions) {
  Form.Document().State().Profile.SetY(50, 3);
  QTest::mouseClick(Form.findChild<QToolButton*>("ToolButton1"), Qt::LeftButton);  // New
  EXPECT_FALSE(Form.Document().State().Profile.IsBreakpoint(50));
  QTest::mouseClick(Form.findChild<QToolButton*>("ToolButton7"), Qt::LeftButton);  // Show background
  EXPECT_TRUE(Form.Document().State().ShowBackground);
  EXPECT_LT(Form.findChild<QToolButton*>("ToolButton1")->x(), Form.findChild<QToolButton*>("ToolButton7")->x());
  EXPECT_EQ(Form.findChild<QToolButton*>("ToolButton1")->x(), 13);
}

}  // namespace
