// The port list that follows the adapter, and the connection check.
#include "Main.h"

#include "ComPort.h"
#include "ConnectionCheckWnd.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QTimer>

#include <sys/stat.h>

namespace {

bool NodeExists(const QString& path) {
  struct stat st {};
  return ::stat(path.toLocal8Bit().constData(), &st) == 0 && S_ISCHR(st.st_mode);
}

QStringList Items(const QComboBox& box) {
  QStringList items;
  for (int i = 0; i < box.count(); ++i) items << box.itemText(i);
  return items;
}

}  // namespace

std::vector<std::string> TMainForm::ListComPorts() {
  std::vector<std::string> ports;
  EnumComPorts(&ports);
  return ports;
}

void TMainForm::FillPorts(TPortLister ports) {
  FPortLister = std::move(ports);
  for (const std::string& port : FPortLister()) cbPorts->addItem(QString::fromStdString(port));
  cbPorts->setCurrentIndex(cbPorts->count() > 0 ? 0 : -1);
  cbPorts->setEnabled(true);
  PortPoll = new QTimer(this);
  PortPoll->setObjectName(QStringLiteral("PortPoll"));
  PortPoll->setInterval(PortPollMs);
  connect(PortPoll, &QTimer::timeout, this, [this] { Guarded([this] { PortPollTimer(); }); });
  PortPoll->start();
}

void TMainForm::PortPollTimer() {
  // Not while a controller command has the port, nor under the user's eyes in the open list.
  if (TControllerSession::Active() || cbPorts->view()->isVisible()) return;
  QStringList ports;
  for (const std::string& port : FPortLister()) ports << QString::fromStdString(port);
  // The selected port stays while its device is there, also when it cannot be opened at the
  // moment (another program has it): the command then says why.
  const QString selected = cbPorts->currentIndex() >= 0 ? cbPorts->currentText() : QString();
  if (!selected.isEmpty() && !ports.contains(selected) && NodeExists(selected)) {
    auto at = std::find_if(ports.begin(), ports.end(), [&](const QString& p) {
      return NaturalLess(selected.toStdString(), p.toStdString());
    });
    ports.insert(at, selected);
  }
  if (ports == Items(*cbPorts)) return;
  cbPorts->clear();
  cbPorts->addItems(ports);
  const qsizetype keep = ports.indexOf(selected);
  cbPorts->setCurrentIndex(keep >= 0 ? static_cast<int>(keep) : (ports.isEmpty() ? -1 : 0));
}

std::vector<TFinding> TMainForm::CheckOnePort(const std::string& port, const TCheckInput& in) {
  return ::CheckOnePort(port, in, [&] {
    TControllerSession session(*ComPort1, port, nullptr);
    const bool connected = session.Probe();
    return TProbeResult{ComPort1->LastReply(), ComPort1->LastReplyCount(), connected};
  });
}

void TMainForm::CheckConnectionExecute() {
  const TCheckInput in = SystemCheckInput();
  const std::string port = cbPorts->currentIndex() >= 0 ? cbPorts->currentText().toStdString() : std::string();
  const auto findings = port.empty() ? CheckMachine(in) : CheckOnePort(port, in);
  TConnectionCheckW window(this);
  window.SetFindings(findings);
  QStringList others = Items(*cbPorts);
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
      cbPorts->setCurrentIndex(cbPorts->findText(port));
    return;
  }
  window.AddFinding({fkSilent, "The controller does not answer on the other listed ports either (" +
                                   ports.join(QStringLiteral(", ")).toStdString() + ").", {}});
}
