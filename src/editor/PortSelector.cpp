#include "PortSelector.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QSocketNotifier>
#include <QStyledItemDelegate>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

constexpr int LabelRole = Qt::UserRole;  // what the port is, beside its path in the opened list

// The closed box shows the path; before its list opens, it lets the selector look up who holds the
// ports, so that the list says so.
class TPortBox : public QComboBox {
 public:
  TPortBox(QWidget* parent, std::function<void()> beforeOpen) : QComboBox(parent), FBeforeOpen(std::move(beforeOpen)) {}
  void showPopup() override {
    FBeforeOpen();
    QComboBox::showPopup();
  }

 private:
  std::function<void()> FBeforeOpen;
};

// The opened list shows each path with what the port is: "/dev/ttyUSB0 — FT232R USB UART, FTDI".
class TPortItemDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  static QString Text(const QModelIndex& index) {
    const QString label = index.data(LabelRole).toString();
    const QString path = index.data(Qt::DisplayRole).toString();
    return label.isEmpty() ? path : path + QStringLiteral(" \u2014 ") + label;
  }

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    option->text = Text(index);
  }
};

std::vector<std::string> Paths(const std::vector<TPortEntry>& ports) {
  std::vector<std::string> paths;
  for (const auto& port : ports) paths.push_back(port.Path);
  return paths;
}

std::vector<TPortEntry> Described(const std::vector<std::string>& paths) {
  std::vector<TPortEntry> ports;
  for (const auto& path : paths) ports.push_back(DescribePort(path));
  std::stable_sort(ports.begin(), ports.end(), PortListLess);
  return ports;
}

}  // namespace

// The selector describes and orders the paths itself, so that any lister's ports are shown alike.
std::vector<std::string> TPortSelector::ListComPorts() { return ListSerialPortPaths(); }

TPortSelector::TPortSelector(QWidget* parent, TPortLister ports, TRunner run, TBusy busy, const std::string& portFolder)
    : QObject(parent),
      FPortLister(std::move(ports)),
      FBusy(std::move(busy)),
      cbPorts(new TPortBox(parent, [this] { MarkPortsInUse(); })),
      PortPoll(new QTimer(this)) {
  cbPorts->setObjectName(QStringLiteral("cbPorts"));
  cbPorts->setGeometry(6, 17, 99, 21);
  cbPorts->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  cbPorts->setItemDelegate(new TPortItemDelegate(cbPorts));
  // A port picked in the list, with the mouse or the keys, is the user's own choice.
  connect(cbPorts, &QComboBox::activated, this,
          [this](int index) { FUserChoice = cbPorts->itemText(index).toStdString(); });
  connect(cbPorts, &QComboBox::currentIndexChanged, this,
          [this] { cbPorts->setToolTip(cbPorts->currentData(Qt::ToolTipRole).toString()); });
  // Who holds a port is not looked up here: that reads every process's open files, and start-up
  // should not wait for it. The list looks when it is opened.
  Show(Described(FPortLister()), {});
  cbPorts->setEnabled(true);

  PortPoll->setObjectName(QStringLiteral("PortPoll"));
  connect(PortPoll, &QTimer::timeout, this, [this, run = std::move(run)] { run([this] { PortPollTimer(); }); });
  FWatch = std::make_unique<TPortWatch>(portFolder);
  if (FWatch->Valid()) {
    PortPoll->setSingleShot(true);
    FWatchNotifier = new QSocketNotifier(FWatch->Fd(), QSocketNotifier::Read, this);
    connect(FWatchNotifier, &QSocketNotifier::activated, this, [this] {
      if (FWatch->TakeEvents() && !PortPoll->isActive()) PortPoll->start(SettleMs);
    });
  } else {
    PortPoll->start(PortPollMs);
  }
}

TPortSelector::~TPortSelector() = default;

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
  if (at < 0) return;
  cbPorts->setCurrentIndex(at);
  FUserChoice = port.toStdString();
}

void TPortSelector::PortPollTimer() {
  if (FBusy() || cbPorts->view()->isVisible()) {
    if (PortPoll->isSingleShot()) PortPoll->start(SettleMs);  // look again once the way is clear
    return;
  }
  std::vector<TPortEntry> ports = Described(FPortLister());
  if (Paths(ports) == Paths(FPorts)) return;
  const std::string select = ChoosePort(Paths(FPorts), Paths(ports), CurrentPort(), FUserChoice);
  MarkHolders(ports);
  Show(std::move(ports), select);
}

void TPortSelector::MarkPortsInUse() {
  MarkHolders(FPorts);
  ShowLabels();
}

void TPortSelector::Show(std::vector<TPortEntry> ports, const std::string& select) {
  FPorts = std::move(ports);
  const QSignalBlocker quiet(cbPorts);
  cbPorts->clear();
  for (const auto& port : FPorts) cbPorts->addItem(QString::fromStdString(port.Path));
  ShowLabels();
  const std::string wanted = select.empty() && !FPorts.empty() ? FPorts.front().Path : select;
  const auto at =
      std::find_if(FPorts.begin(), FPorts.end(), [&](const TPortEntry& port) { return port.Path == wanted; });
  cbPorts->setCurrentIndex(at == FPorts.end() ? -1 : static_cast<int>(at - FPorts.begin()));
  cbPorts->setToolTip(cbPorts->currentData(Qt::ToolTipRole).toString());
}

void TPortSelector::ShowLabels() {
  int widest = 140;  // the list shows whole device paths
  const QFontMetrics metrics(cbPorts->view()->font());
  for (size_t i = 0; i < FPorts.size() && static_cast<int>(i) < cbPorts->count(); ++i) {
    const QString label = QString::fromStdString(PortLabel(FPorts[i]));
    const int row = static_cast<int>(i);
    cbPorts->setItemData(row, label, LabelRole);
    cbPorts->setItemData(row, label, Qt::ToolTipRole);
    widest = std::max(widest, metrics.horizontalAdvance(TPortItemDelegate::Text(cbPorts->model()->index(row, 0))) + 24);
  }
  cbPorts->view()->setMinimumWidth(widest);
  cbPorts->setToolTip(cbPorts->currentData(Qt::ToolTipRole).toString());
}
