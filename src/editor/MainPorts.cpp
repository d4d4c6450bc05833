// The connection check: the selected port's findings, and the search of the other listed ports.
#include "Main.h"

#include "ComPort.h"
#include "ConnectionCheckWnd.h"

#include <QAction>

std::vector<TFinding> TMainForm::CheckOnePort(const std::string& port, const TCheckInput& in) {
  return ::CheckOnePort(port, in, [&] {
    TControllerSession session(*ComPort1, port, nullptr);
    const bool connected = session.Probe();
    return TProbeResult{ComPort1->LastReply(), ComPort1->LastReplyCount(), connected};
  });
}

void TMainForm::CheckConnectionExecute() {
  const TCheckInput in = SystemCheckInput();
  const std::string port = Ports->CurrentPort();
  const auto findings = port.empty() ? CheckMachine(in) : CheckOnePort(port, in);
  TConnectionCheckW window(this);
  window.SetFindings(findings);
  QStringList others = Ports->Ports();
  others.removeAll(QString::fromStdString(port));
  if (findings.size() == 1 && findings.front().Kind == fkSilent && !others.isEmpty())
    window.OfferSearch([&, others] { SearchOtherPorts(window, others, in); });
  FDialogs.ShowModal(window);
}

void TMainForm::SearchOtherPorts(TConnectionCheckW& window, const QStringList& ports, const TCheckInput& in) {
  for (const QString& port : ports) {
    const auto found = CheckOnePort(port.toStdString(), in);
    if (found.size() != 1 || found.front().Kind != fkConnected) continue;
    window.AddFinding({fkConnected, "The controller answers on " + port.toStdString() + ".", {}});
    if (FDialogs.Confirm(&window, QStringLiteral("Connection check"),
                         QStringLiteral("The controller answers on ") + port + QStringLiteral(". Select this port?")))
      Ports->SelectPort(port);
    return;
  }
  window.AddFinding({fkSilent, "The controller does not answer on the other listed ports either (" +
                                   ports.join(QStringLiteral(", ")).toStdString() + ").", {}});
}
