// The controller commands of the main window: Test (the connection probe), Read and Write. The
// port session (ControllerSession.h) keeps the window served meanwhile; the confirmations and the
// messages are the window's.
#include "Main.h"

#include "ComPort.h"


bool TMainForm::RunOnController(const std::function<void(TControllerSession&)>& work) {
  Ports->MarkPortsInUse();
  TControllerSession session(*ComPort1, Ports->CurrentPort(), ProgressW);
  if (!session.Probe()) return false;
  work(session);
  return true;
}

void TMainForm::TestComExecute() {
  const bool connected = RunOnController([](TControllerSession&) {});
  FDialogs.Information(this, connected ? QStringLiteral("ESC connected") : QStringLiteral("ESC not connected"));
}

void TMainForm::UploadCurveExecute() {
  if (!FDialogs.Confirm(this, QStringLiteral("Read profile"),
                        QStringLiteral("This will overwrite the current forground profile. Continue?")))
    return;
  // A reply that did not come complete leaves the profile as it was.
  TUndoHistory::TStep step(History, *this);
  bool complete = false;
  if (!RunOnController([&](TControllerSession& session) {
        complete = Transfer::LoadFromDevice(session.Port(), Profile, session.Progress());
      })) {
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
  if (!RunOnController([&](TControllerSession& session) {
        written = Transfer::SaveToDevice(session.Port(), Profile, session.Progress());
      })) {
    FDialogs.Information(this, QStringLiteral("ESC not connected"));
    return;
  }
  if (!written) FDialogs.Information(this, QStringLiteral("Download failed. Please check ESC connections."));
  Diagram->RedrawAll();
  UpdateButtonStates();
}
