#pragma once
// The port list of the main window (`cbPorts`): USB adapters first, then Bluetooth, then built-in
// ports, each described in the opened list; filled at start-up with the first selected, then
// following the ports that come and go, seen from a watch on the device folder, so that it costs
// nothing while nothing changes. The port the user chose is remembered for the run and selected
// again when it comes back (ChoosePort). Who holds a port is looked up only when the list is
// opened, when it changes and before a controller command. GUI thread only.

#include "PortList.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QComboBox;
class QSocketNotifier;
class QTimer;
class QWidget;

class TPortSelector : public QObject {
  Q_OBJECT
 public:
  // Lists the serial ports that may be opened, as device paths, in any order.
  using TPortLister = std::function<std::vector<std::string>()>;
  // Runs one refresh of the list; the window passes its error guard.
  using TRunner = std::function<void(const std::function<void()>&)>;
  // True while the window runs a controller command or a drag (the window's one guard).
  using TBusy = std::function<bool()>;
  static std::vector<std::string> ListComPorts();
  // After a change under the device folder, the list is taken again this much later (udev makes a
  // port's links and sets its access right after the node appears). Without a watch (the system
  // refused one) the list is taken every PortPollMs instead.
  static constexpr int SettleMs = 150;
  static constexpr int PortPollMs = 1000;

  // `cbPorts` is placed in `parent` (the "Port" group box) and filled from `ports` at once; ports
  // come and go under `portFolder`.
  TPortSelector(QWidget* parent, TPortLister ports, TRunner run, TBusy busy, const std::string& portFolder = "/dev");
  ~TPortSelector() override;

  // The selected port's device path; empty when none is selected.
  std::string CurrentPort() const;
  // The listed ports, top to bottom.
  QStringList Ports() const;
  // Selects `port` when it is listed, as the user's own choice.
  void SelectPort(const QString& port);
  // Takes the ports that came and went since the last look. Not while the window is busy (a
  // controller command has the port, or a drag runs), nor while the user has the list open: then
  // a little later.
  void PortPollTimer();
  // Looks up who holds each listed port and says so in the list.
  void MarkPortsInUse();

 private:
  void Show(std::vector<TPortEntry> ports, const std::string& select);
  void ShowLabels();

  TPortLister FPortLister;
  TBusy FBusy;
  QComboBox* cbPorts;
  QTimer* PortPoll;
  std::unique_ptr<TPortWatch> FWatch;
  QSocketNotifier* FWatchNotifier = nullptr;
  std::vector<TPortEntry> FPorts;  // as listed
  std::string FUserChoice;         // the port the user chose last; empty until then
};
