// The controller commands of the main window: Test (the connection probe), Read and Write.
#include "Main.h"
#include "ProgressWnd.h"
#include "Transfer.h"

#include "ComPort.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>

namespace {

// Shows a transfer's progress in the progress window, repainting it at once: the transfer keeps
// the GUI thread busy, so the window would otherwise not change until the end.
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

// Swallows the user's input that arrived while a controller command held the GUI thread.
class TInputDrain : public QObject {
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
        return true;
      default:
        return false;
    }
  }
};

}  // namespace

// For the length of one controller command: the port is closed at the end whatever happens, a
// busy cursor shows that the window does not react, and what the user typed or clicked meanwhile
// is dropped instead of being acted on afterwards.
TMainForm::TControllerSession::TControllerSession(TMainForm& form) : FForm(form) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
}

TMainForm::TControllerSession::~TControllerSession() {
  FForm.ComPort1->Close();
  TInputDrain drain;
  qApp->installEventFilter(&drain);
  QCoreApplication::processEvents();
  qApp->removeEventFilter(&drain);
  QApplication::restoreOverrideCursor();
}

void TMainForm::OpenConnection() {
  ComPort1->SetPort(cbPorts->currentIndex() >= 0 ? cbPorts->currentText().toStdString() : std::string());
  ComPort1->Open();
  ComPort1->SetDTR(true);
  ComPort1->SetRTS(true);
}

bool TMainForm::IsConnected() { return Transfer::IsConnected(*ComPort1); }

bool TMainForm::LoadFromDevice() {
  TProgressWSink progress(ProgressW);
  return Transfer::LoadFromDevice(*ComPort1, Profile, progress);
}

bool TMainForm::SaveToDevice() {
  TProgressWSink progress(ProgressW);
  return Transfer::SaveToDevice(*ComPort1, Profile, progress);
}

// Opens the connection and probes it; when the controller answers, runs `work` on the open port.
// The port is closed again before this returns, so that no message box shown afterwards keeps it
// held while it waits for the user. False when the controller did not answer.
bool TMainForm::RunOnController(const std::function<void()>& work) {
  TControllerSession session(*this);
  OpenConnection();
  if (!IsConnected()) return false;
  work();
  return true;
}

void TMainForm::TestComExecute() {
  const bool connected = RunOnController([] {});
  FDialogs.Information(this, connected ? QStringLiteral("ESC connected") : QStringLiteral("ESC not connected"));
}

void TMainForm::UploadCurveExecute() {
  if (!FDialogs.Confirm(this, QStringLiteral("Read profile"),
                        QStringLiteral("This will overwrite the current forground profile. Continue?")))
    return;
  // A reply that did not come complete leaves the profile as it was.
  TUndoHistory::TStep step(History, *this);
  bool complete = false;
  if (!RunOnController([&] { complete = LoadFromDevice(); })) {
    FDialogs.Information(this, QStringLiteral("ESC not connected"));
  } else if (!complete) {
    FDialogs.Information(this, QStringLiteral("Upload failed. Please check ESC connections."));
  } else {
    Transfer::FitAfterRead(Profile);
    UpdateButtonStates();
    Diagram->RedrawAll();
  }
}

void TMainForm::DownloadCurveExecute() {
  if (!FDialogs.Confirm(this, QStringLiteral("Write profile"),
                        QStringLiteral("This will overwrite the current profile in the ESC. Continue?")))
    return;
  bool written = false;
  if (!RunOnController([&] { written = SaveToDevice(); })) {
    FDialogs.Information(this, QStringLiteral("ESC not connected"));
    return;
  }
  if (!written) FDialogs.Information(this, QStringLiteral("Download failed. Please check ESC connections."));
  Diagram->RedrawAll();
  UpdateButtonStates();
}
