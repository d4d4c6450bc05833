#include "ControllerSession.h"

#include "ComPort.h"
#include "PortSession.h"
#include "ProgressWnd.h"

#include <QApplication>
#include <QEvent>

namespace {

// Shows a transfer's progress in the progress window, repainting it at once.
class TProgressWSink : public Transfer::TProgressSink {
 public:
  explicit TProgressWSink(TProgressW* window) : FWindow(window) {}
  void Start(const std::string& caption, const std::string& message, int maximum) override {
    if (FWindow) FWindow->StartProgress(QString::fromStdString(caption), QString::fromStdString(message), maximum);
  }
  void Message(const std::string& message) override {
    if (FWindow) FWindow->SetProgressMessage(QString::fromStdString(message));
  }
  void Step() override {
    if (FWindow) FWindow->StepProgress();
  }
  void Finish() override {
    if (FWindow) FWindow->hide();
  }

 private:
  TProgressW* FWindow;
};

// Swallows the user's input, wherever it comes from: the window system holds back its own input
// events while the wait hook serves the window, but events posted by other means would get
// through.
class TInputDrop : public QObject {
 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Shortcut:
      case QEvent::ShortcutOverride:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
      case QEvent::Wheel:
      case QEvent::ContextMenu:
      case QEvent::Drop: return true;
      default: return false;
    }
  }
};

}  // namespace

int TControllerSession::FActive = 0;

TControllerSession::TServedWindow::TServedWindow(TComPort& port) : FPort(port), FInputDrop(new TInputDrop) {
  ++FActive;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  qApp->installEventFilter(FInputDrop.get());
  FPort.HoldHandOvers(true);
  FPort.SetWaitHook([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
}

TControllerSession::TServedWindow::~TServedWindow() {
  FPort.SetWaitHook({});
  FPort.HoldHandOvers(false);
  // What the user typed or clicked meanwhile is dropped here instead of being acted on afterwards.
  QCoreApplication::processEvents();
  qApp->removeEventFilter(FInputDrop.get());
  QApplication::restoreOverrideCursor();
  --FActive;
}

TControllerSession::TControllerSession(TComPort& port, const std::string& portName, TProgressW* progress)
    : FPort(port), FWindow(port), FProgress(std::make_unique<TProgressWSink>(progress)) {
  Transfer::OpenController(FPort, portName);
}

TControllerSession::~TControllerSession() { FPort.Close(); }

bool TControllerSession::Probe() { return Transfer::IsConnected(FPort); }
