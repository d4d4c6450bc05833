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

// The port is closed before a message box is shown, so that no port stays held while the box
// waits for the user.

void TMainForm::TestComExecute() {
  bool connected;
  {
    TControllerSession session(*this);
    OpenConnection();
    connected = IsConnected();
  }
  FDialogs.Information(this, connected ? QStringLiteral("ESC connected") : QStringLiteral("ESC not connected"));
}

void TMainForm::UploadCurveExecute() {
  if (!FDialogs.Confirm(this, QStringLiteral("Read profile"),
                        QStringLiteral("This will overwrite the current forground profile. Continue?")))
    return;
  bool connected, complete = false;
  {
    TControllerSession session(*this);
    OpenConnection();
    connected = IsConnected();
    // A reply that did not come complete leaves the profile as it was.
    if (connected) complete = LoadFromDevice();
  }
  if (!connected) {
    FDialogs.Information(this, QStringLiteral("ESC not connected"));
  } else if (!complete) {
    FDialogs.Information(this, QStringLiteral("Upload failed. Please check ESC connections."));
  } else {
    Profile.FitCurve(1.5);
    Profile.DetectDeadband();
    UpdateButtonStates();
    Diagram->RedrawAll();
  }
}

void TMainForm::DownloadCurveExecute() {
  if (!FDialogs.Confirm(this, QStringLiteral("Write profile"),
                        QStringLiteral("This will overwrite the current profile in the ESC. Continue?")))
    return;
  bool connected, written = false;
  {
    TControllerSession session(*this);
    OpenConnection();
    connected = IsConnected();
    if (connected) written = SaveToDevice();
  }
  if (!connected) {
    FDialogs.Information(this, QStringLiteral("ESC not connected"));
    return;
  }
  if (!written) FDialogs.Information(this, QStringLiteral("Download failed. Please check ESC connections."));
  Diagram->RedrawAll();
  UpdateButtonStates();
}
