#pragma once

#include "Dialogs.h"
#include "PortSelector.h"
#include "ProfileDocument.h"

#include <QMainWindow>
#include <QStringList>

#include <exception>
#include <memory>
#include <utility>

class QAction;
class QDragEnterEvent;
class QDropEvent;
class QKeySequence;
class QMenu;
class QToolButton;
class QWidget;
class TAboutBox;
class TControlPanel;
class TControllerCommands;
class TDiagramEditor;
class TInfoDlg;
class TProgressW;
class TShapeDlg;

// The main window: it builds the actions, the menus, the toolbar and the status bar, owns the
// editor's parts and runs the file, profile, edit and help commands on the profile document.
//   TProfileDocument     the profiles, the undo history and the file name (no widgets)
//   TDiagramEditor       the diagram, the drag, its mouse and keys, the selection box
//   TControlPanel        fine adjustment, frequencies, deadband (UpdateButtonStates)
//   TPortSelector        the port list (cbPorts) and the port it selects
//   TControllerCommands  Test, Read, Write and the connection check (ComPort1)
// Every action and control runs through Command, which refuses it while a command or a drag is
// running. Everything runs on the GUI thread.
class TProfileViews;

class TMainForm : public QMainWindow {
  Q_OBJECT
 public:
  using TPortLister = TPortSelector::TPortLister;

  // Message boxes and file dialogs go through dialogs, which must outlive the window. The port
  // list is filled from ports, then follows it (TPortSelector).
  explicit TMainForm(TDialogs& dialogs, TPortLister ports = TPortSelector::ListComPorts, QWidget* parent = nullptr,
                     const std::string& portFolder = "/dev");
  ~TMainForm() override;

  // The small windows created after the main window; Help, About and the transfers show them.
  void SetAuxWindows(TAboutBox* aboutBox, TProgressW* progressW, TInfoDlg* infoDlg);
  // Opens the first of the names given on the command line as Open does; no name, nothing.
  void OpenArguments(const QStringList& names);

  TProfileDocument& Document() { return FDocument; }
  const TProfileDocument& Document() const { return FDocument; }
  TDiagramEditor& Editor() const { return *FEditor; }
  TProfileViews& Views() const { return *FViews; }
  TControlPanel& Panel() const { return *FPanel; }
  TPortSelector& Ports() const { return *FPorts; }
  TControllerCommands& Commands() const { return *FCommands; }

  // True while a controller command or a breakpoint drag runs: the one guard of every command.
  bool Busy() const;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
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
  // A command of the window or a control: refused while a drag is in progress, so that the drag's
  // state and the rubber band stay consistent (the controls are brought back in line when the
  // drag ends), and while a controller command runs, which a queued call could otherwise reach.
  template <typename F>
  void Command(F&& handler) {
    if (Busy()) return;
    Guarded(std::forward<F>(handler));
  }

  // Building the window (Main.cpp).
  void CreateParts(QWidget* client, TPortLister ports, const std::string& portFolder);
  void CreateViews();
  void CreateActions();
  void CreateEditActions();
  void CreateMenus();
  QMenu* CreateEditMenu();
  void CreateToolBar(QWidget* parent);
  QAction* MakeAction(const char* name, const QString& caption, const QKeySequence& shortcut,
                      void (TMainForm::*handler)());
  QAction* MakeAction(const char* name, const QString& caption, const QKeySequence& shortcut,
                      const std::function<void()>& handler);
  QAction* MakeMenuItem(const char* name, QAction* action, const QString& caption, const QString& hint);
  QToolButton* MakeToolButton(const char* name, QAction* action, const QString& hint);
  QAction* Action(const char* name) const;

  // The commands on the document (MainCommands.cpp).
  void Refresh();
  void NewDiagram();
  void SetFileName(const QString& name);
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
  void EditUndoExecute();
  void EditRedoExecute();
  void EditCopyExecute();
  void EditPasteExecute();
  void ShapeCurveExecute();
  void Help2Click();
  void HelpAboutExecute();
  void UpdateEditActions();
  void RestoreEdit(bool (TProfileDocument::*step)());

  TDialogs& FDialogs;
  TProfileDocument FDocument;
  TDiagramEditor* FEditor = nullptr;
  TControlPanel* FPanel = nullptr;
  TPortSelector* FPorts = nullptr;
  TProfileViews* FViews = nullptr;  // the profile table and the diagram for assistive tools
  TControllerCommands* FCommands = nullptr;
  QWidget* ToolBar1 = nullptr;
  TShapeDlg* ShapeDlg = nullptr;
  TAboutBox* AboutBox = nullptr;
  TProgressW* ProgressW = nullptr;
  TInfoDlg* InfoDlg = nullptr;
};
