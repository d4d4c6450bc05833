// Building the main window: the actions, the menus, the toolbar, the parts and the status bar.
#include "Main.h"

#include "ControlPanel.h"
#include "ControllerCommands.h"
#include "DiagramEditor.h"
#include "ProfileViews.h"
#include "ShapeDlg.h"
#include "WindowLook.h"

#include <QAction>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScrollArea>
#include <QStatusBar>
#include <QToolButton>

namespace {

constexpr int ClientWidth = 748;
constexpr int ToolBarHeight = 29;
constexpr int PanelHeight = 80;
constexpr int ScrollBoxHeight = 287;
constexpr int StatusBarHeight = 22;

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

// A read-only field would take the copy key for its own text; the profile's copy goes first.
class TCopyKeyFilter : public QObject {
 public:
  TCopyKeyFilter(QAction* copy, QObject* parent) : QObject(parent), FCopy(copy) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::ShortcutOverride &&
        QKeySequence(static_cast<QKeyEvent*>(event)->keyCombination()) == FCopy->shortcut())
      return true;  // not accepted: the shortcut runs
    return QObject::eventFilter(watched, event);
  }

 private:
  QAction* FCopy;
};

}  // namespace

TMainForm::TMainForm(TDialogs& dialogs, TPortLister ports, QWidget* parent, const std::string& portFolder)
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
  CreateParts(client, std::move(ports), portFolder);

  auto* statusBar = Named(new QStatusBar(this), "StatusBar");
  statusBar->setFixedHeight(StatusBarHeight);
  statusBar->setSizeGripEnabled(false);
  setStatusBar(statusBar);

  // Fixed border: the client area below the menu bar is 748 x 418.
  setFixedSize(ClientWidth,
               menuBar()->sizeHint().height() + ToolBarHeight + PanelHeight + ScrollBoxHeight + StatusBarHeight);
  move(237, 222);
  NewDiagram();
  FPanel->LoadFrequencies();
}

// The serial component goes first, while the window it posts its line events to is whole.
TMainForm::~TMainForm() { delete FCommands; }

void TMainForm::SetAuxWindows(TAboutBox* aboutBox, TProgressW* progressW, TInfoDlg* infoDlg) {
  AboutBox = aboutBox;
  ProgressW = progressW;
  InfoDlg = infoDlg;
  FCommands->SetProgressWindow(progressW);
}

bool TMainForm::Busy() const { return FEditor->Dragging() || TControllerSession::Active(); }

void TMainForm::CreateParts(QWidget* client, TPortLister ports, const std::string& portFolder) {
  const TCommandRunner guarded = [this](const std::function<void()>& handler) { Guarded(handler); };
  const TCommandRunner command = [this](const std::function<void()>& handler) { Command(handler); };
  FEditor = new TDiagramEditor(FDocument, guarded, command, this);
  FPanel = new TControlPanel(client, ToolBarHeight, FDocument, *FEditor, Action("ShowBackground1"), command);
  FPorts = new TPortSelector(
      FPanel->PortBox(), std::move(ports), guarded, [this] { return Busy(); }, portFolder);
  FCommands = new TControllerCommands(this, FDialogs, FDocument, *FPorts);
  FCommands->OnProfileChanged = [this] { Refresh(); };

  auto* scrollBox = Named(new QScrollArea(client), "ScrollBox1");
  scrollBox->setGeometry(0, ToolBarHeight + PanelHeight, ClientWidth, ScrollBoxHeight);
  scrollBox->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  scrollBox->setWidget(FEditor->View());
  FEditor->OnChange = [this] { FPanel->UpdateButtonStates(); };
  FEditor->OnMoveSelection = [this](int delta) { FPanel->MoveSelection(delta); };
  FEditor->OnStepY = [this](int delta) { FPanel->StepY(delta); };
  CreateViews();

  auto* filter = new TCopyKeyFilter(Action("EditCopy"), this);
  for (QWidget* field : FPanel->Fields()) field->installEventFilter(filter);
  FDocument.History().OnChange = [this] { UpdateEditActions(); };
  UpdateEditActions();
}

// The profile table and what assistive tools read: an edit in the table is the Y field's edit of
// that entry, one undo step merged with no other.
void TMainForm::CreateViews() {
  TEditorLink link{&FDocument.State(),
                   [this](int entry) { Command([&] { FPanel->SelectEntry(entry); }); },
                   [this](int entry, int y) {
                     Command([&] {
                       FPanel->SelectEntry(entry);
                       TUndoHistory::TStep step(FDocument.History(), FDocument.State());
                       FPanel->SetYField(y);
                     });
                   },
                   {Action("EditUndo"), Action("EditRedo")}};
  FViews = new TProfileViews(std::move(link), FEditor->View(), this);
  FPanel->OnChanged = [this] { FViews->Changed(); };
}

QAction* TMainForm::Action(const char* name) const { return findChild<QAction*>(QString::fromLatin1(name)); }

QAction* TMainForm::MakeAction(const char* name, const QString& caption, const QKeySequence& shortcut,
                               const std::function<void()>& handler) {
  auto* action = Named(new QAction(caption, this), name);
  action->setShortcut(shortcut);
  action->setShortcutContext(Qt::WindowShortcut);
  addAction(action);
  connect(action, &QAction::triggered, this, [this, handler] { Command(handler); });
  return action;
}

QAction* TMainForm::MakeAction(const char* name, const QString& caption, const QKeySequence& shortcut,
                               void (TMainForm::*handler)()) {
  return MakeAction(name, caption, shortcut, [this, handler] { (this->*handler)(); });
}

void TMainForm::CreateActions() {
  MakeAction("FileNew", QStringLiteral("New"), QKeySequence(Qt::CTRL | Qt::Key_N), &TMainForm::FileNewExecute);
  MakeAction("FileOpen1", QStringLiteral("&Open..."), QKeySequence(Qt::CTRL | Qt::Key_O), &TMainForm::FileOpen1Execute);
  MakeAction("FileSave", QStringLiteral("Save"), QKeySequence(Qt::CTRL | Qt::Key_S), &TMainForm::FileSaveExecute);
  MakeAction("FileSaveAs1", QStringLiteral("Save &As..."), {}, &TMainForm::FileSaveAs1Execute);
  MakeAction("FileExit1", QStringLiteral("E&xit"), {}, &TMainForm::FileExit1Execute);
  MakeAction("ShowBGCurve", QStringLiteral("Show background"), {}, &TMainForm::ShowBGCurveExecute);
  MakeAction("ExchangeCurves", QStringLiteral("Exchange Curves"), {}, &TMainForm::ExchangeCurvesExecute);
  MakeAction("FitCurve", QStringLiteral("Fit Curve"), {}, &TMainForm::FitCurveExecute);
  MakeAction("UploadCurve", QStringLiteral("Read"), QKeySequence(Qt::Key_F2),
             [this] { FCommands->UploadCurveExecute(); });
  MakeAction("DownloadCurve", QStringLiteral("Write"), QKeySequence(Qt::Key_F3),
             [this] { FCommands->DownloadCurveExecute(); });
  MakeAction("TestCom", QStringLiteral("Test"), QKeySequence(Qt::Key_F4), [this] { FCommands->TestComExecute(); });
  MakeAction("CheckConnection", QStringLiteral("Check connection..."), QKeySequence(Qt::Key_F5),
             [this] { FCommands->CheckConnectionExecute(); });
  MakeAction("HelpAbout", QStringLiteral("About.."), {}, &TMainForm::HelpAboutExecute);

  // Icons: the desktop theme's where it has one, the program's own otherwise.
  const struct {
    const char* Action;
    const char* Theme;
    const char* Own;
  } icons[] = {{"FileNew", "document-new", "new"},
               {"FileOpen1", "document-open", "open"},
               {"FileSave", "document-save", "save"},
               {"FileSaveAs1", "document-save-as", "saveas"},
               {"FileExit1", "application-exit", "exit"},
               {"ShowBGCurve", nullptr, "background"},
               {"ExchangeCurves", nullptr, "exchange"},
               {"FitCurve", nullptr, "fitcurve"},
               {"UploadCurve", nullptr, "read"},
               {"DownloadCurve", nullptr, "write"},
               {"TestCom", nullptr, "test"},
               {"HelpAbout", "help-about", "about"}};
  for (const auto& icon : icons) {
    const QString own = QString::fromLatin1(icon.Own);
    Action(icon.Action)->setIcon(icon.Theme ? ActionIcon(QString::fromLatin1(icon.Theme), own) : OwnIcon(own));
  }
  CreateEditActions();
}

void TMainForm::CreateEditActions() {
  MakeAction("EditUndo", QStringLiteral("Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z), &TMainForm::EditUndoExecute);
  QAction* redo = MakeAction("EditRedo", QStringLiteral("Redo"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                             &TMainForm::EditRedoExecute);
  redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  MakeAction("EditCopy", QStringLiteral("Copy profile"), QKeySequence(Qt::CTRL | Qt::Key_C),
             &TMainForm::EditCopyExecute);
  MakeAction("EditPaste", QStringLiteral("Paste profile"), QKeySequence(Qt::CTRL | Qt::Key_V),
             &TMainForm::EditPasteExecute);
  MakeAction("ShapeCurve", QStringLiteral("Shape..."), {}, &TMainForm::ShapeCurveExecute);
  MakeAction("ShowTable", QStringLiteral("Table..."), QKeySequence(Qt::CTRL | Qt::Key_T),
             [this] { FViews->ShowTable(); });
  setAcceptDrops(true);
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
  const auto item = [this](const char* name, const char* action, const char* caption, const char* hint) {
    return MakeMenuItem(name, action ? Action(action) : nullptr, QString::fromUtf8(caption), QString::fromUtf8(hint));
  };
  QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
  file->addActions({item("New1", "FileNew", "New", "New|Create new profile"),
                    item("Open1", "FileOpen1", "&Open...", "Open|Opens an existing file"),
                    item("Save1", "FileSave", "Save", "Save|Save to file"),
                    item("SaveAs1", "FileSaveAs1", "Save &As...", "Save As|Saves the active file with a new name")});
  file->addSeparator()->setObjectName(QStringLiteral("FileNew1"));
  file->addAction(item("Exit1", "FileExit1", "E&xit", "Exit|Quits the application"));
  menuBar()->addMenu(CreateEditMenu());
  QAction* showBackground1 = item("ShowBackground1", "ShowBGCurve", "Show background", "Show background profile");
  showBackground1->setCheckable(true);
  menuBar()
      ->addMenu(QStringLiteral("Profiles"))
      ->addActions(
          {showBackground1,
           item("Exchange1", "ExchangeCurves", "Exchange Profiles", "Exchange forground and background profiles"),
           item("FitCurve1", "FitCurve", "Delete breakpoints", "Remove breakpoints not needed"),
           item("Shape1", "ShapeCurve", "Shape...", "Shape|Set the whole curve from end output and expo"),
           item("Table1", "ShowTable", "Table...", "Table|Show the profile as a table of values")});
  menuBar()
      ->addMenu(QStringLiteral("ESC"))
      ->addActions({item("Read1", "UploadCurve", "Read", "Read|Read profile from ESC"),
                    item("Write1", "DownloadCurve", "Write", "Write|Write profile to ESC"),
                    item("est1", "TestCom", "Test", "Test|Test if ESC is connected"),
                    item("CheckConnection1", "CheckConnection", "Check connection...",
                         "Check connection|Find out why the ESC does not answer")});
  QAction* help2 = item("Help2", nullptr, "Help", "");
  help2->setIcon(ActionIcon(QStringLiteral("help-contents"), QStringLiteral("help")));
  connect(help2, &QAction::triggered, this, [this] { Command([this] { Help2Click(); }); });
  menuBar()->addMenu(QStringLiteral("Help"))->addActions({help2, item("About1", "HelpAbout", "About..", "")});
}

QMenu* TMainForm::CreateEditMenu() {
  auto* menu = new QMenu(QStringLiteral("Edit"), menuBar());
  menu->addActions(
      {MakeMenuItem("Undo1", Action("EditUndo"), QStringLiteral("Undo"), QStringLiteral("Undo|Undo the last change")),
       MakeMenuItem("Redo1", Action("EditRedo"), QStringLiteral("Redo"),
                    QStringLiteral("Redo|Redo the change undone last"))});
  menu->addSeparator();
  menu->addActions({MakeMenuItem("CopyProfile1", Action("EditCopy"), QStringLiteral("Copy profile"),
                                 QStringLiteral("Copy profile|Copy the profile to the clipboard as text and picture")),
                    MakeMenuItem("PasteProfile1", Action("EditPaste"), QStringLiteral("Paste profile"),
                                 QStringLiteral("Paste profile|Load a profile from the clipboard"))});
  return menu;
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

// Left to right: a gap of 13 pixels, three buttons, a 23-pixel separator, two buttons, a 22-pixel
// separator, three buttons. A separator is given as a button without a name.
void TMainForm::CreateToolBar(QWidget* parent) {
  ToolBar1 = Named(new QWidget(parent), "ToolBar1");
  ToolBar1->setGeometry(0, 0, ClientWidth, ToolBarHeight);
  const struct {
    const char* Name;
    const char* Action;
    const char* Hint;
    int Separator;
  } buttons[] = {
      {"ToolButton1", "FileNew", "New|Create new curve", 0},
      {"ToolButton2", "FileOpen1", "Open|Opens an existing file", 0},
      {"ToolButton3", "FileSave", "Save|Save to file", 0},
      {nullptr, nullptr, nullptr, 23},
      {"ToolButton7", "ShowBGCurve", "Show background curve", 0},
      {"ToolButton4", "ExchangeCurves", "Exchange forground and background curves", 0},
      {nullptr, nullptr, nullptr, 22},
      {"ToolButton9", "UploadCurve", "Read|Read profile from ESC", 0},
      {"ToolButton10", "DownloadCurve", "Write|Write profile to ESC", 0},
      {"ToolButton11", "TestCom", "Test|Test if ESC is connected", 0},
  };
  int x = 13;
  const int top = (ToolBarHeight - 23) / 2;
  for (const auto& b : buttons) {
    if (!b.Name) {
      auto* line = new QFrame(ToolBar1);
      line->setFrameStyle(QFrame::VLine | QFrame::Sunken);
      line->setGeometry(x + b.Separator / 2 - 1, top + 2, 2, 19);
      x += b.Separator;
      continue;
    }
    QToolButton* button = MakeToolButton(b.Name, Action(b.Action), QString::fromUtf8(b.Hint));
    button->move(x, top);
    x += button->width();
  }
}
