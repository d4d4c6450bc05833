#include "ControllerCommands.h"

#include "ComPort.h"
#include "ComTypes.h"
#include "ConnectionCheckWnd.h"
#include "Dialogs.h"
#include "PortSelector.h"
#include "ProfileDocument.h"

#include <QWidget>

TControllerCommands::TControllerCommands(QWidget* window, TDialogs& dialogs, TProfileDocument& document,
                                         TPortSelector& ports)
    : QObject(window),
      FWindow(window),
      FDialogs(dialogs),
      FDocument(document),
      FPorts(ports),
      FComPort1(std::make_unique<TComPort>()) {
  // The port's line events reach the GUI thread as queued calls of the window's event loop.
  FComPort1->SetGuiPoster([window](std::function<void()> call) {
    QMetaObject::invokeMethod(window, std::move(call), Qt::QueuedConnection);
  });
}

TControllerCommands::~TControllerCommands() = default;

void TControllerCommands::ProfileChanged() {
  if (OnProfileChanged) OnProfileChanged();
}

bool TControllerCommands::RunOnController(const std::function<void(TControllerSession&)>& work) {
  FPorts.MarkPortsInUse();
  TControllerSession session(*FComPort1, FPorts.CurrentPort(), FProgressW);
  if (!session.Probe()) return false;
  work(session);
  return true;
}

void TControllerCommands::TestComExecute() {
  const bool connected = RunOnController([](TControllerSession&) {});
  FDialogs.Information(FWindow, connected ? QStringLiteral("ESC connected") : QStringLiteral("ESC not connected"));
}

// Read takes the controller's profile (Upload); a reply that did not come complete leaves the
// profile as it was.
void TControllerCommands::UploadCurveExecute() {
  if (!FDialogs.Confirm(FWindow, QStringLiteral("Read profile"),
                        QStringLiteral("This will overwrite the current forground profile. Continue?")))
    return;
  TEditorState& state = FDocument.State();
  TUndoHistory::TStep step(FDocument.History(), state);
  bool complete = false;
  if (!RunOnController([&](TControllerSession& session) {
        complete = Transfer::LoadFromDevice(session.Port(), state.Profile, session.Progress());
      })) {
    FDialogs.Information(FWindow, QStringLiteral("ESC not connected"));
  } else if (!complete) {
    FDialogs.Information(FWindow, QStringLiteral("Upload failed. Please check ESC connections."));
  } else {
    Transfer::FitAfterRead(state.Profile);
    ProfileChanged();
  }
}

// Write gives the controller the profile (Download).
void TControllerCommands::DownloadCurveExecute() {
  if (!FDialogs.Confirm(FWindow, QStringLiteral("Write profile"),
                        QStringLiteral("This will overwrite the current profile in the ESC. Continue?")))
    return;
  bool written = false;
  if (!RunOnController([&](TControllerSession& session) {
        written = Transfer::SaveToDevice(session.Port(), FDocument.State().Profile, session.Progress());
      })) {
    FDialogs.Information(FWindow, QStringLiteral("ESC not connected"));
    return;
  }
  if (!written) FDialogs.Information(FWindow, QStringLiteral("Download failed. Please check ESC connections."));
  ProfileChanged();
}

std::vector<TFinding> TControllerCommands::CheckOnePort(const std::string& port, const TCheckInput& in) {
  return ::CheckOnePort(port, in, [&] {
    TControllerSession session(*FComPort1, port, nullptr);
    const bool connected = session.Probe();
    return TProbeResult{FComPort1->LastReply(), FComPort1->LastReplyCount(), connected};
  });
}

void TControllerCommands::CheckConnectionExecute() {
  const TCheckInput in = SystemCheckInput();
  const std::string port = FPorts.CurrentPort();
  const auto findings = port.empty() ? CheckMachine(in) : CheckOnePort(port, in);
  TConnectionCheckW window(FWindow);
  window.SetFindings(findings);
  QStringList others = FPorts.Ports();
  others.removeAll(QString::fromStdString(port));
  if (findings.size() == 1 && findings.front().Kind == fkSilent && !others.isEmpty())
    window.OfferSearch([&, others] { SearchOtherPorts(window, others, in); });
  FDialogs.ShowModal(window);
}

void TControllerCommands::SearchOtherPorts(TConnectionCheckW& window, const QStringList& ports, const TCheckInput& in) {
  for (const QString& port : ports) {
    const auto found = CheckOnePort(port.toStdString(), in);
    if (found.size() != 1 || found.front().Kind != fkConnected) continue;
    window.AddFinding({fkConnected, "The controller answers on " + port.toStdString() + ".", {}});
    if (FDialogs.Confirm(&window, QStringLiteral("Connection check"),
                         QStringLiteral("The controller answers on ") + port + QStringLiteral(". Select this port?")))
      FPorts.SelectPort(port);
    return;
  }
  window.AddFinding({fkSilent,
                     "The controller does not answer on the other listed ports either (" +
                         ports.join(QStringLiteral(", ")).toStdString() + ").",
                     {}});
}
