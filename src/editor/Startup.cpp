#include "Startup.h"

#include "About.h"
#include "Dialogs.h"
#include "InfoWnd.h"
#include "Main.h"
#include "ProgressWnd.h"
#include "WindowLook.h"

#include <QApplication>

#include <dlfcn.h>
#include <thread>

namespace {

// The first window with text needs the system's font configuration, which the font library
// reads from some fifty XML files: milliseconds of work. It is read on a thread of its own while
// the application connects to the display, which is mostly waiting for the display server; the
// window is built once it is there. The library is Qt's own (found at run time, not linked), its
// loading may run on any thread, and when Qt asks for it later it is simply there.
class TFontConfigLoad {
 public:
  TFontConfigLoad() {
    using TInit = int (*)();
    if (auto init = reinterpret_cast<TInit>(::dlsym(RTLD_DEFAULT, "FcInit"))) FThread = std::thread(init);
  }
  ~TFontConfigLoad() { Wait(); }
  TFontConfigLoad(const TFontConfigLoad&) = delete;
  TFontConfigLoad& operator=(const TFontConfigLoad&) = delete;

  void Wait() {
    if (FThread.joinable()) FThread.join();
  }

 private:
  std::thread FThread;
};

}  // namespace

int RunTorvanic(int argc, char* argv[], const std::function<void(QMainWindow&)>& beforeShow) {
  TFontConfigLoad fonts;
  QApplication app(argc, argv);
  QApplication::setApplicationName(AppTitle);
  QApplication::setDesktopFileName(QStringLiteral("org.torvanic.Torvanic"));  // the installed .desktop file
  QApplication::setWindowIcon(ProgramIconSet());
  fonts.Wait();

  TQtDialogs dialogs;
  TMainForm MainForm(dialogs);
  TAboutBox AboutBox(&MainForm);
  TProgressW ProgressW(&MainForm);
  TInfoDlg InfoDlg(&MainForm);
  MainForm.SetAuxWindows(&AboutBox, &ProgressW, &InfoDlg);

  if (beforeShow) beforeShow(MainForm);
  MainForm.show();
  MainForm.OpenArguments(QApplication::arguments().mid(1));  // torvanic [FILE.spp]
  return app.exec();
}
