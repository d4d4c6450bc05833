#include "PortSelector.h"

#include "ComPort.h"
#include "ControllerSession.h"
#include "SystemView.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QTimer>

#include <algorithm>
#include <utility>

std::vector<std::string> TPortSelector::ListComPorts() {
  std::vector<std::string> ports;
  EnumComPorts(&ports);
  return ports;
}

TPortSelector::TPortSelector(QWidget* parent, TPortLister ports, TRunner run)
    : QObject(parent), FPortLister(std::move(ports)), cbPorts(new QComboBox(parent)), PortPoll(new QTimer(this)) {
  cbPorts->setObjectName(QStringLiteral("cbPorts"));
  cbPorts->setGeometry(6, 17, 99, 21);
  cbPorts->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  cbPorts->view()->setMinimumWidth(140);  // the list shows whole device paths
  for (const std::string& port : FPortLister()) cbPorts->addItem(QString::fromStdString(port));
  cbPorts->setCurrentIndex(cbPorts->count() > 0 ? 0 : -1);
  cbPorts->setEnabled(true);

  PortPoll->setObjectName(QStringLiteral("PortPoll"));
  PortPoll->setInterval(PortPollMs);
  connect(PortPoll, &QTimer::timeout, this, [this, run = std::move(run)] { run([this] { PortPollTimer(); }); });
  PortPoll->start();
}

std::string TPortSelector::CurrentPort() const {
  return cbPorts->currentIndex() >= 0 ? cbPorts->currentText().toStdString() : std::string();
}

QStringList TPortSelector::Ports() const {
  QStringList items;
  for (int i = 0; i < cbPorts->count(); ++i) items << cbPorts->itemText(i);
  return items;
}

void TPortSelector::SelectPort(const QString& port) {
  const int at = cbPorts->findText(port);
  if (at >= 0) cbPorts->setCurrentIndex(at);
}

void TPortSelector::PortPollTimer() {
  if (TControllerSession::Active() || cbPorts->view()->isVisible()) return;
  QStringList ports;
  for (const std::string& port : FPortLister()) ports << QString::fromStdString(port);
  // The selected port stays while its device is there, also when it cannot be opened at the
  // moment (another program has it): the command then says why.
  const QString selected = QString::fromStdString(CurrentPort());
  if (!selected.isEmpty() && !ports.contains(selected) && IsCharacterDevice(selected.toStdString())) {
    auto at = std::find_if(ports.begin(), ports.end(), [&](const QString& p) {
      return NaturalLess(selected.toStdString(), p.toStdString());
    });
    ports.insert(at, selected);
  }
  if (ports == Ports()) return;
  cbPorts->clear();
  cbPorts->addItems(ports);
  const qsizetype keep = ports.indexOf(selected);
  cbPorts->setCurrentIndex(keep >= 0 ? static_cast<int>(keep) : (ports.isEmpty() ? -1 : 0));
}
