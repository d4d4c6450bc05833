// Start-up: the application's title, the main window, then the about box, the progress window and
// the information dialog (hidden until a command shows them); a profile named on the command line
// (the first name, after the options Qt takes for itself) is opened once the window shows; the
// message loop runs until the main window closes.
#include "About.h"
#include "Dialogs.h"
#include "InfoWnd.h"
#include "Main.h"
#include "ProgressWnd.h"
#include "WindowLook.h"

#include <QApplication>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(AppTitle);
  QApplication::setDesktopFileName(QStringLiteral("org.torvanic.Torvanic"));  // the installed .desktop file
  QApplication::setWindowIcon(ProgramIconSet());

  TQtDialogs dialogs;
  TMainForm MainForm(dialogs);
  TAboutBox AboutBox(&MainForm);
  TProgressW ProgressW(&MainForm);
  TInfoDlg InfoDlg(&MainForm);
  MainForm.SetAuxWindows(&AboutBox, &ProgressW, &InfoDlg);

  MainForm.show();
  MainForm.OpenArguments(QApplication::arguments().mid(1));  // torvanic [FILE.spp]
  return app.exec();
}
