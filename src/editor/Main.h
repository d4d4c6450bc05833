#pragma once

#include "ConnectionCheck.h"
#include "ControllerSession.h"
#include "Dialogs.h"
#include "DiagramView.h"
#include "EditorState.h"
#include "UndoHistory.h"

#include <QMainWindow>
#include <QStringList>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QComboBox;
class QDragEnterEvent;
class QDropEvent;
class QFrame;
class QGroupBox;
class QLineEdit;
class QMenu;
class QScrollArea;
class QScrollBar;
class QSpinBox;
class QStatusBar;
class QToolButton;
class QWidget;
class TAboutBox;
class TComPort;
class TConnectionCheckW;
class QTimer;
class TInfoDlg;
class TProfileViews;
class TProgressW;
class TShapeDlg;

// The main window: menus, toolbar, control panel, diagram and status bar, the editor's state and
// the file, profile and help commands. Everything runs on the GUI thread.
class TMainForm : public QMainWindow, public TEditorState {
  Q_OBJECT
 public:
  // Lists the serial ports that can be opened now, as device paths.
  using TPortLister = std::function<std::vector<std::string>()>;
  static std::vector<std::string> ListComPorts();

  // Message boxes and file dialogs go through dialogs, which must outlive the window. The port
  // list is filled here from ports, then follows it (PortPollTimer).
  explicit TMainForm(TDialogs& dialogs, TPortLister ports = ListComPorts, QWidget* parent = nullptr);
  ~TMainForm() override;

  // The small windows created after the main window; Help, About and the transfers show them.
  void SetAuxWindows(TAboutBox* aboutBox, TProgressW* progressW, TInfoDlg* infoDlg);

  // Commands.
  void NewDiagram();
  void LoadFrequencies();
  void SetFileName(const QString& name);
  void SaveToFile();
  void FileNewExecute();
  void FileOpen1Execute();
  void FileOpen1Accept(const QString& name);
  void FileSaveExecute();
  void FileSaveAs1Execute();
  void FileSaveAs1Accept(const QString& name);
  void FileExit1Execute();
  void ShowBGCurveExecute();
  void ExchangeCurvesExecute();
  void FitCurveExecute();
  void Help2Click();
  void HelpAboutExecute();
  // Controller transfer and connection test: filled in with the register commands.
  void UploadCurveExecute();
  void DownloadCurveExecute();
  void TestComExecute();
  // Opens the selected port for one controller command and probes it; when the controller
  // answers, runs `work` in that session. The port is closed again before this returns, so that
  // no message box shown afterwards keeps it held. False when the controller did not answer.
  bool RunOnController(const std::function<void(TControllerSession&)>& work);

  // The connection check (F5) and the port list that follows the adapter (MainPorts.cpp): every
  // PortPollMs the list takes the ports that come and go, keeping the selected one while its
  // device is there; never while a controller command runs.
  void CheckConnectionExecute();
  void PortPollTimer();
  static constexpr int PortPollMs = 1000;
  QAction* CheckConnection;
  QAction* CheckConnection1;
  QTimer* PortPoll = nullptr;

  // Editing (mouse on the diagram, fine adjustment, frequencies, deadband).
  void DiagramMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
  void DiagramMouseMove(Qt::KeyboardModifiers shift, int x, int y);
  void DiagramMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
  void CurrXSBChange();
  void CurrYChange();
  void FwdFreqChange();
  void DBandSBScroll(int position);
  void UpdateButtonStates();

  // Undo and redo, copy and paste, shapes, profiles from outside, keys on the diagram (MainEdit.cpp).
  void EditUndoExecute();
  void EditRedoExecute();
  void EditCopyExecute();
  void EditPasteExecute();
  void ShapeCurveExecute();
  void ShowTableExecute();
  // Opens the first of the names given on the command line as Open does; no name, nothing.
  void OpenArguments(const QStringList& names);
  // A key pressed on the diagram; false for keys it leaves to others.
  bool DiagramKeyDown(int key);
  QAction* EditUndo;
  QAction* EditRedo;
  QAction* EditCopy;
  QAction* EditPaste;
  QAction* ShapeCurve;
  QAction* Undo1;
  QAction* Redo1;
  QAction* CopyProfile1;
  QAction* PasteProfile1;
  QAction* Shape1;
  QAction* ShowTable;
  QAction* Table1;
  // The profile table, the diagram's description and the controls' names for assistive tools.
  TProfileViews* Views = nullptr;
  TShapeDlg* ShapeDlg;
  TUndoHistory History;

  // Runs one command or handler. An error it does not handle is reported here, in one place, with
  // the error's own message, and the program goes on.
  template <typename F>
  void Guarded(F&& handler) {
    try {
      std::forward<F>(handler)();
    } catch (const std::exception& e) {
      FDialogs.Error(this, QString::fromStdString(e.what()));
    } catch (...) {
      FDialogs.Error(this, QStringLiteral("Unknown error"));
    }
  }

  // Actions: each holds its shortcut and runs its handler; menu items and toolbar buttons are its
  // clients with captions and hints of their own.
  QAction* FileNew;
  QAction* FileOpen1;
  QAction* FileSave;
  QAction* FileSaveAs1;
  QAction* FileExit1;
  QAction* ShowBGCurve;
  QAction* ExchangeCurves;
  QAction* FitCurve;
  QAction* UploadCurve;
  QAction* DownloadCurve;
  QAction* TestCom;
  QAction* HelpAbout;

  // Menu items.
  QAction* New1;
  QAction* Open1;
  QAction* Save1;
  QAction* SaveAs1;
  QAction* Exit1;
  QAction* ShowBackground1;
  QAction* Exchange1;
  QAction* FitCurve1;
  QAction* Read1;
  QAction* Write1;
  QAction* est1;
  QAction* Help2;
  QAction* About1;

  // Toolbar and panel.
  QWidget* ToolBar1;
  QToolButton* ToolButton1;
  QToolButton* ToolButton2;
  QToolButton* ToolButton3;
  QToolButton* ToolButton7;
  QToolButton* ToolButton4;
  QToolButton* ToolButton9;
  QToolButton* ToolButton10;
  QToolButton* ToolButton11;
  QFrame* Panel1;
  QGroupBox* GroupBox1;
  QGroupBox* GroupBox2;
  QGroupBox* GroupBox3;
  QGroupBox* GroupBox5;
  QLineEdit* CurrX;
  QSpinBox* CurrY;
  QScrollBar* CurrXSB;
  QComboBox* FwdFreq;
  QComboBox* BrkFreq;
  QLineEdit* DBand;
  QScrollBar* DBandSB;
  QComboBox* cbPorts;
  QScrollArea* ScrollBox1;
  TDiagramView* Diagram;
  QStatusBar* StatusBar;

  // The serial port component of the controller commands; closed between commands.
  std::unique_ptr<TComPort> ComPort1;

  TAboutBox* AboutBox = nullptr;
  TProgressW* ProgressW = nullptr;
  TInfoDlg* InfoDlg = nullptr;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void FormCreate(const TPortLister& ports);
  void FillPorts(TPortLister ports);
  // The checks of one port, with the probe when nothing stands in the way of opening it.
  std::vector<TFinding> CheckOnePort(const std::string& port, const TCheckInput& in);
  void SearchOtherPorts(TConnectionCheckW& window, const QStringList& ports, const TCheckInput& in);
  TPortLister FPortLister;
  void FormDestroy();
  void CreateActions();
  void CreateMenus();
  void CreateToolBar(QWidget* parent);
  void CreatePanel(QWidget* parent);
  QAction* MakeAction(const char* name, const QString& caption, const QKeySequence& shortcut,
                      void (TMainForm::*handler)());
  QAction* MakeMenuItem(const char* name, QAction* action, const QString& caption, const QString& hint);
  QToolButton* MakeToolButton(const char* name, QAction* action, const QString& hint);
  // A command of the window or a control: refused while a drag is in progress, so that the drag's
  // state and the rubber band stay consistent (the controls are brought back in line when the
  // drag ends), and while a controller command runs, which a queued call could otherwise reach.
  template <typename F>
  void Command(F&& handler) {
    if (Dragging || TControllerSession::Active()) return;
    Guarded(std::forward<F>(handler));
  }
  void EraseRange();
  void DrawRange();
  void RemoveBreakpoint(int i);
  void CreateEditActions();
  void ConnectEditKeys();
  QMenu* CreateEditMenu();
  void UpdateEditActions();
  void RestoreEdit(bool (TUndoHistory::*step)(TEditorState&));

  TDialogs& FDialogs;
};
