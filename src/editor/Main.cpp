#include "Main.h"

#include "About.h"
#include "ComPort.h"
#include "WindowLook.h"
#include "InfoWnd.h"
#include "ProfileViews.h"
#include "ProgressWnd.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolButton>

namespace {

constexpr int ClientWidth = 748;
constexpr int ToolBarHeight = 29;
constexpr int PanelHeight = 80;
constexpr int ScrollBoxHeight = 287;
constexpr int StatusBarHeight = 22;

const QString Untitled = QStringLiteral("noname.spp");

// A hint is "short|long": the short part is the tooltip, the long part the status-bar text. A hint
// without a bar serves as both.
void ApplyHint(QAction* action, const QString& hint) {
  const qsizetype bar = hint.indexOf(QLatin1Char('|'));
  action->setToolTip(bar < 0 ? hint : hint.left(bar));
  action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QLabel* PlaceLabel(QWidget* parent, const QString& text, int x, int y) {
  auto* label = new QLabel(text, parent);
  label->move(x, y);
  label->adjustSize();
  return label;
}

}  // namespace

TMainForm::TMainForm(TDialogs& dialogs, TPortLister ports, QWidget* parent)
    : QMainWindow(parent), FDialogs(dialogs) {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(AppTitle);
  // The window's font: a small sans face, as the tight control layout expects.
  QFont font = this->font();
  font.setPixelSize(11);
  setFont(font);

  auto* client = new QWidget(this);
  client->setFixedSize(ClientWidth, ToolBarHeight + PanelHeight + ScrollBoxHeight);
  setCentralWidget(client);
  CreateActions();
  CreateMenus();
  CreateToolBar(client);
  CreatePanel(client);

  ScrollBox1 = Named(new QScrollArea(client), "ScrollBox1");
  ScrollBox1->setGeometry(0, ToolBarHeight + PanelHeight, ClientWidth, ScrollBoxHeight);
  ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Diagram = new TDiagramView(*this);
  ScrollBox1->setWidget(Diagram);
  Diagram->OnMouseDown = [this](Qt::MouseButton b, Qt::KeyboardModifiers s, int x, int y) {
    Guarded([&] { DiagramMouseDown(b, s, x, y); });
  };
  Diagram->OnMouseMove = [this](Qt::KeyboardModifiers s, int x, int y) {
    Guarded([&] { DiagramMouseMove(s, x, y); });
  };
  Diagram->OnMouseUp = [this](Qt::MouseButton b, Qt::KeyboardModifiers s, int x, int y) {
    Guarded([&] { DiagramMouseUp(b, s, x, y); });
  };
  ConnectEditKeys();
  Views = new TProfileViews({this, [this](int entry) { Command([&] { CurrXSB->setValue(entry); }); },
                             [this](int entry, int y) {
                               Command([&] {
                                 CurrXSB->setValue(entry);
                                 TUndoHistory::TStep step(History, *this);  // one step, merged with none
                                 CurrY->setValue(y);
                               });
                             },
                             {EditUndo, EditRedo}},
                            Diagram, this);

  StatusBar = Named(new QStatusBar(this), "StatusBar");
  StatusBar->setFixedHeight(StatusBarHeight);
  StatusBar->setSizeGripEnabled(false);
  setStatusBar(StatusBar);

  // Fixed border: the client area below the menu bar is 748 x 418.
  setFixedSize(ClientWidth, menuBar()->sizeHint().height() + ToolBarHeight + PanelHeight +
                                ScrollBoxHeight + StatusBarHeight);
  move(237, 222);
  FormCreate(ports);
}

TMainForm::~TMainForm() { FormDestroy(); }

void TMainForm::SetAuxWindows(TAboutBox* aboutBox, TProgressW* progressW, TInfoDlg* infoDlg) {
  AboutBox = aboutBox;
  ProgressW = progressW;
  InfoDlg = infoDlg;
}

QAction* TMainForm::MakeAction(const char* name, const QString& caption, const QKeySequence& shortcut,
                               void (TMainForm::*handler)()) {
  auto* action = Named(new QAction(caption, this), name);
  action->setShortcut(shortcut);
  action->setShortcutContext(Qt::WindowShortcut);
  addAction(action);
  connect(action, &QAction::triggered, this, [this, handler] { Command([&] { (this->*handler)(); }); });
  return action;
}

void TMainForm::CreateActions() {
  FileNew = MakeAction("FileNew", QStringLiteral("New"), QKeySequence(Qt::CTRL | Qt::Key_N), &TMainForm::FileNewExecute);
  FileOpen1 = MakeAction("FileOpen1", QStringLiteral("&Open..."), QKeySequence(Qt::CTRL | Qt::Key_O),
                         &TMainForm::FileOpen1Execute);
  FileSave = MakeAction("FileSave", QStringLiteral("Save"), QKeySequence(Qt::CTRL | Qt::Key_S), &TMainForm::FileSaveExecute);
  FileSaveAs1 = MakeAction("FileSaveAs1", QStringLiteral("Save &As..."), {}, &TMainForm::FileSaveAs1Execute);
  FileExit1 = MakeAction("FileExit1", QStringLiteral("E&xit"), {}, &TMainForm::FileExit1Execute);
  ShowBGCurve = MakeAction("ShowBGCurve", QStringLiteral("Show background"), {}, &TMainForm::ShowBGCurveExecute);
  ExchangeCurves = MakeAction("ExchangeCurves", QStringLiteral("Exchange Curves"), {}, &TMainForm::ExchangeCurvesExecute);
  FitCurve = MakeAction("FitCurve", QStringLiteral("Fit Curve"), {}, &TMainForm::FitCurveExecute);
  UploadCurve = MakeAction("UploadCurve", QStringLiteral("Read"), QKeySequence(Qt::Key_F2), &TMainForm::UploadCurveExecute);
  DownloadCurve = MakeAction("DownloadCurve", QStringLiteral("Write"), QKeySequence(Qt::Key_F3),
                             &TMainForm::DownloadCurveExecute);
  TestCom = MakeAction("TestCom", QStringLiteral("Test"), QKeySequence(Qt::Key_F4), &TMainForm::TestComExecute);
  CheckConnection = MakeAction("CheckConnection", QStringLiteral("Check connection..."), QKeySequence(Qt::Key_F5),
                               &TMainForm::CheckConnectionExecute);
  ShowTable = MakeAction("ShowTable", QStringLiteral("Table..."), QKeySequence(Qt::CTRL | Qt::Key_T),
                         &TMainForm::ShowTableExecute);
  HelpAbout = MakeAction("HelpAbout", QStringLiteral("About.."), {}, &TMainForm::HelpAboutExecute);

  FileNew->setIcon(ActionIcon(QStringLiteral("document-new"), QStringLiteral("new")));
  FileOpen1->setIcon(ActionIcon(QStringLiteral("document-open"), QStringLiteral("open")));
  FileSave->setIcon(ActionIcon(QStringLiteral("document-save"), QStringLiteral("save")));
  FileSaveAs1->setIcon(ActionIcon(QStringLiteral("document-save-as"), QStringLiteral("saveas")));
  FileExit1->setIcon(ActionIcon(QStringLiteral("application-exit"), QStringLiteral("exit")));
  ShowBGCurve->setIcon(OwnIcon(QStringLiteral("background")));
  ExchangeCurves->setIcon(OwnIcon(QStringLiteral("exchange")));
  FitCurve->setIcon(OwnIcon(QStringLiteral("fitcurve")));
  UploadCurve->setIcon(OwnIcon(QStringLiteral("read")));
  DownloadCurve->setIcon(OwnIcon(QStringLiteral("write")));
  TestCom->setIcon(OwnIcon(QStringLiteral("test")));
  HelpAbout->setIcon(ActionIcon(QStringLiteral("help-about"), QStringLiteral("about")));
  CreateEditActions();
}

QAction* TMainForm::MakeMenuItem(const char* name, QAction* action, const QString& caption, const QString& hint) {
  // The menu shows the action's shortcut in its own column (the text after the tab); the shortcut
  // itself belongs to the action alone, so it is not registered twice.
  QString text = caption;
  if (action && !action->shortcut().isEmpty())
    text += QLatin1Char('\t') + action->shortcut().toString(QKeySequence::NativeText);
  auto* item = Named(new QAction(text, this), name);
  if (action) {
    item->setIcon(action->icon());
    connect(item, &QAction::triggered, action, &QAction::trigger);
  }
  if (!hint.isEmpty()) ApplyHint(item, hint);
  return item;
}

void TMainForm::CreateMenus() {
  New1 = MakeMenuItem("New1", FileNew, QStringLiteral("New"), QStringLiteral("New|Create new profile"));
  Open1 = MakeMenuItem("Open1", FileOpen1, QStringLiteral("&Open..."), QStringLiteral("Open|Opens an existing file"));
  Save1 = MakeMenuItem("Save1", FileSave, QStringLiteral("Save"), QStringLiteral("Save|Save to file"));
  SaveAs1 = MakeMenuItem("SaveAs1", FileSaveAs1, QStringLiteral("Save &As..."),
                         QStringLiteral("Save As|Saves the active file with a new name"));
  Exit1 = MakeMenuItem("Exit1", FileExit1, QStringLiteral("E&xit"), QStringLiteral("Exit|Quits the application"));
  ShowBackground1 = MakeMenuItem("ShowBackground1", ShowBGCurve, QStringLiteral("Show background"),
                                 QStringLiteral("Show background profile"));
  ShowBackground1->setCheckable(true);
  Exchange1 = MakeMenuItem("Exchange1", ExchangeCurves, QStringLiteral("Exchange Profiles"),
                           QStringLiteral("Exchange forground and background profiles"));
  FitCurve1 = MakeMenuItem("FitCurve1", FitCurve, QStringLiteral("Delete breakpoints"),
                           QStringLiteral("Remove breakpoints not needed"));
  Read1 = MakeMenuItem("Read1", UploadCurve, QStringLiteral("Read"), QStringLiteral("Read|Read profile from ESC"));
  Write1 = MakeMenuItem("Write1", DownloadCurve, QStringLiteral("Write"), QStringLiteral("Write|Write profile to ESC"));
  est1 = MakeMenuItem("est1", TestCom, QStringLiteral("Test"), QStringLiteral("Test|Test if ESC is connected"));
  CheckConnection1 = MakeMenuItem("CheckConnection1", CheckConnection, QStringLiteral("Check connection..."),
                                  QStringLiteral("Check connection|Find out why the ESC does not answer"));
  Table1 = MakeMenuItem("Table1", ShowTable, QStringLiteral("Table..."),
                        QStringLiteral("Table|Show the profile as a table of values"));
  Help2 = MakeMenuItem("Help2", nullptr, QStringLiteral("Help"), {});
  Help2->setIcon(ActionIcon(QStringLiteral("help-contents"), QStringLiteral("help")));
  connect(Help2, &QAction::triggered, this, [this] { Command([this] { Help2Click(); }); });
  About1 = MakeMenuItem("About1", HelpAbout, QStringLiteral("About.."), {});

  QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
  file->addActions({New1, Open1, Save1, SaveAs1});
  file->addSeparator()->setObjectName(QStringLiteral("FileNew1"));
  file->addAction(Exit1);
  menuBar()->addMenu(CreateEditMenu());
  menuBar()->addMenu(QStringLiteral("Profiles"))->addActions({ShowBackground1, Exchange1, FitCurve1, Shape1, Table1});
  menuBar()->addMenu(QStringLiteral("ESC"))->addActions({Read1, Write1, est1, CheckConnection1});
  menuBar()->addMenu(QStringLiteral("Help"))->addActions({Help2, About1});
}

QToolButton* TMainForm::MakeToolButton(const char* name, QAction* action, const QString& hint) {
  auto* client = new QAction(action->icon(), action->text(), this);
  ApplyHint(client, hint);
  connect(client, &QAction::triggered, action, &QAction::trigger);
  auto* button = Named(new QToolButton(ToolBar1), name);
  button->setDefaultAction(client);
  button->setAutoRaise(true);
  button->setIconSize(QSize(16, 16));
  button->setFixedSize(23, 23);
  return button;
}

void TMainForm::CreateToolBar(QWidget* parent) {
  ToolBar1 = Named(new QWidget(parent), "ToolBar1");
  ToolBar1->setGeometry(0, 0, ClientWidth, ToolBarHeight);
  ToolButton1 = MakeToolButton("ToolButton1", FileNew, QStringLiteral("New|Create new curve"));
  ToolButton2 = MakeToolButton("ToolButton2", FileOpen1, QStringLiteral("Open|Opens an existing file"));
  ToolButton3 = MakeToolButton("ToolButton3", FileSave, QStringLiteral("Save|Save to file"));
  ToolButton7 = MakeToolButton("ToolButton7", ShowBGCurve, QStringLiteral("Show background curve"));
  ToolButton4 = MakeToolButton("ToolButton4", ExchangeCurves, QStringLiteral("Exchange forground and background curves"));
  ToolButton9 = MakeToolButton("ToolButton9", UploadCurve, QStringLiteral("Read|Read profile from ESC"));
  ToolButton10 = MakeToolButton("ToolButton10", DownloadCurve, QStringLiteral("Write|Write profile to ESC"));
  ToolButton11 = MakeToolButton("ToolButton11", TestCom, QStringLiteral("Test|Test if ESC is connected"));

  // Left to right: a gap of 13 pixels, three buttons, a 23-pixel separator, two buttons, a
  // 22-pixel separator, three buttons.
  int x = 13;
  const int top = (ToolBarHeight - 23) / 2;
  auto place = [&](QToolButton* b) {
    b->move(x, top);
    x += b->width();
  };
  auto separator = [&](int width) {
    auto* line = new QFrame(ToolBar1);
    line->setFrameStyle(QFrame::VLine | QFrame::Sunken);
    line->setGeometry(x + width / 2 - 1, top + 2, 2, 19);
    x += width;
  };
  place(ToolButton1);
  place(ToolButton2);
  place(ToolButton3);
  separator(23);
  place(ToolButton7);
  place(ToolButton4);
  separator(22);
  place(ToolButton9);
  place(ToolButton10);
  place(ToolButton11);
}

void TMainForm::CreatePanel(QWidget* parent) {
  Panel1 = Named(new QFrame(parent), "Panel1");
  Panel1->setGeometry(0, ToolBarHeight, ClientWidth, PanelHeight);
  Panel1->setFrameStyle(QFrame::NoFrame);

  GroupBox1 = Named(new QGroupBox(QStringLiteral("Fine Adjustment"), Panel1), "GroupBox1");
  GroupBox1->setGeometry(8, 4, 153, 69);
  PlaceLabel(GroupBox1, QStringLiteral("X"), 16, 20);
  CurrX = Named(new QLineEdit(QStringLiteral("0"), GroupBox1), "CurrX");
  CurrX->setGeometry(28, 16, 37, 21);
  CurrX->setReadOnly(true);
  PlaceLabel(GroupBox1, QStringLiteral("Y"), 76, 20);
  CurrY = Named(new QSpinBox(GroupBox1), "CurrY");
  CurrY->setGeometry(88, 16, 49, 21);
  CurrY->setRange(0, 255);
  CurrY->setValue(0);
  // Arrows only: the value changes by the up and down buttons or keys, never by typing.
  CurrY->findChild<QLineEdit*>()->setReadOnly(true);
  CurrXSB = Named(new QScrollBar(Qt::Horizontal, GroupBox1), "CurrXSB");
  CurrXSB->setGeometry(12, 44, 125, 17);
  CurrXSB->setPageStep(1);
  CurrXSB->setInvertedControls(false);  // the right arrow key moves to the right

  GroupBox2 = Named(new QGroupBox(QStringLiteral("Frequencies"), Panel1), "GroupBox2");
  GroupBox2->setGeometry(172, 4, 113, 69);
  PlaceLabel(GroupBox2, QStringLiteral("Fwd"), 8, 20);
  // Drop-down lists: only listed names can be chosen, so an item's position is always a valid
  // frequency index.
  FwdFreq = Named(new QComboBox(GroupBox2), "FwdFreq");
  FwdFreq->setGeometry(32, 16, 69, 21);
  PlaceLabel(GroupBox2, QStringLiteral("Brk"), 8, 44);
  BrkFreq = Named(new QComboBox(GroupBox2), "BrkFreq");
  BrkFreq->setGeometry(32, 40, 69, 21);

  GroupBox3 = Named(new QGroupBox(QStringLiteral("Deadband"), Panel1), "GroupBox3");
  GroupBox3->setGeometry(296, 4, 97, 69);
  DBand = Named(new QLineEdit(GroupBox3), "DBand");
  DBand->setGeometry(32, 16, 37, 21);
  DBand->setReadOnly(true);  // shows the level; the scroll bar sets it
  DBandSB = Named(new QScrollBar(Qt::Horizontal, GroupBox3), "DBandSB");
  DBandSB->setGeometry(12, 44, 77, 17);
  DBandSB->setPageStep(1);
  DBandSB->setInvertedControls(false);

  GroupBox5 = Named(new QGroupBox(QStringLiteral("Port"), Panel1), "GroupBox5");
  GroupBox5->setGeometry(408, 3, 121, 69);
  cbPorts = Named(new QComboBox(GroupBox5), "cbPorts");
  cbPorts->setGeometry(6, 17, 99, 21);
  cbPorts->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  cbPorts->view()->setMinimumWidth(140);  // the list shows whole device paths

  connect(CurrXSB, &QScrollBar::valueChanged, this, [this] { Command([this] { CurrXSBChange(); }); });
  connect(CurrY, &QSpinBox::valueChanged, this, [this] { Command([this] { CurrYChange(); }); });
  connect(FwdFreq, &QComboBox::activated, this, [this] { Command([this] { FwdFreqChange(); }); });
  connect(BrkFreq, &QComboBox::activated, this, [this] { Command([this] { FwdFreqChange(); }); });
  // Only the user's scroll actions; sliderPosition is where the action moves the bar.
  connect(DBandSB, &QScrollBar::actionTriggered, this,
          [this] { Command([this] { DBandSBScroll(DBandSB->sliderPosition()); }); });
}

void TMainForm::FormCreate(const TPortLister& ports) {
  // The port's line events reach the GUI thread as queued calls of this window's event loop.
  ComPort1 = std::make_unique<TComPort>();
  ComPort1->SetGuiPoster([this](std::function<void()> call) {
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
  });
  Origin = {50, 250};
  CurrXSB->setRange(0, Profile.LastIndex());
  DBandSB->setRange(0, Profile.MaxDeadband());
  FileName = Untitled;
  NewDiagram();
  LoadFrequencies();
  FillPorts(ports);
}

void TMainForm::FormDestroy() { ComPort1.reset(); }

void TMainForm::NewDiagram() {
  Profile.Clear();
  BgProfile.Clear();
  ShowBackground = false;
  Selected = 0;
  Profile.DetectDeadband();
  Diagram->RedrawAll();
  UpdateButtonStates();
}

void TMainForm::LoadFrequencies() {
  FwdFreq->clear();
  BrkFreq->clear();
  for (int i = 0; i <= Profile.LastFrequencyIndex(); ++i) {
    const QString name = QString::fromStdString(Profile.FrequencyName(i));
    FwdFreq->addItem(name);
    BrkFreq->addItem(name);
  }
  FwdFreq->setCurrentIndex(0);
  BrkFreq->setCurrentIndex(0);
}

void TMainForm::SetFileName(const QString& name) {
  FileName = name;
  setWindowTitle(AppTitle + QStringLiteral(" [") + name + QStringLiteral("]"));
}

void TMainForm::SaveToFile() { Profile.SaveToFile(FileName.toStdString()); }

void TMainForm::FileNewExecute() {
  TUndoHistory::TStep step(History, *this);
  NewDiagram();
}

void TMainForm::FileOpen1Execute() {
  const QString name = FDialogs.OpenFileName(this, {QStringLiteral("Speed (*.spp)"), QStringLiteral("spp"), true});
  if (!name.isEmpty()) FileOpen1Accept(name);
}

void TMainForm::FileOpen1Accept(const QString& name) {
  TUndoHistory::TStep step(History, *this);
  if (Profile.LoadFromFile(name.toStdString()) != 0) {
    FDialogs.Information(this, QStringLiteral("Failed to load profile from file ") + name);
    return;
  }
  UpdateButtonStates();
  Diagram->RedrawAll();
  SetFileName(name);
}

void TMainForm::FileSaveExecute() {
  if (FileName == Untitled)
    FileSaveAs1->trigger();
  else
    SaveToFile();
}

void TMainForm::FileSaveAs1Execute() {
  const QString name = FDialogs.SaveFileName(this, {QStringLiteral("Speedo (*.spp)"), QStringLiteral("spp"), false});
  if (!name.isEmpty()) FileSaveAs1Accept(name);
}

void TMainForm::FileSaveAs1Accept(const QString& name) {
  SetFileName(name);
  SaveToFile();
}

void TMainForm::FileExit1Execute() { close(); }

void TMainForm::ShowBGCurveExecute() {
  const int last = Profile.LastIndex();
  Diagram->DrawFineBox();
  ShowBackground = !ShowBackground;
  Diagram->DrawStapels(BgProfile, 0, last, ShowBackground ? csBackground : csErase, 1);
  Diagram->DrawCurve(Profile, 0, last, csNormal);
  Diagram->DrawDiagramAxis();
  Diagram->DrawFineBox();
  UpdateButtonStates();
}

void TMainForm::ExchangeCurvesExecute() {
  TUndoHistory::TStep step(History, *this);
  TSpeedoDevice temp;
  temp.Assign(Profile);
  Profile.Assign(BgProfile);
  BgProfile.Assign(temp);
  ShowBackground = true;
  UpdateButtonStates();
  Diagram->RedrawAll();
}

void TMainForm::FitCurveExecute() {
  TUndoHistory::TStep step(History, *this);
  Profile.FitCurve(1.5);
  Diagram->RedrawAll();
  UpdateButtonStates();
}

void TMainForm::Help2Click() {
  if (InfoDlg) FDialogs.ShowModal(*InfoDlg);
}

void TMainForm::ShowTableExecute() { Views->ShowTable(); }

void TMainForm::HelpAboutExecute() {
  if (AboutBox) FDialogs.ShowModal(*AboutBox);
}
