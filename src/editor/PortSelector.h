#pragma once
// The port list of the main window (`cbPorts`): filled from the ports that can be opened at
// start-up, then following the ports that come and go (a poll every PortPollMs), keeping the
// selected port while its device is there. GUI thread only.

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QTimer;
class QWidget;

class TPortSelector : public QObject {
  Q_OBJECT
 public:
  // Lists the serial ports that can be opened now, as device paths.
  using TPortLister = std::function<std::vector<std::string>()>;
  // Runs one refresh of the list for the poll timer; the window passes its error guard.
  using TRunner = std::function<void(const std::function<void()>&)>;
  static std::vector<std::string> ListComPorts();
  static constexpr int PortPollMs = 1000;

  // `cbPorts` is placed in `parent` (the "Port" group box) and filled from `ports` at once.
  TPortSelector(QWidget* parent, TPortLister ports, TRunner run);

  // The selected port's device path; empty when none is selected.
  std::string CurrentPort() const;
  // The listed ports, top to bottom.
  QStringList Ports() const;
  // Selects `port` when it is listed.
  void SelectPort(const QString& port);
  // Takes the ports that came and went since the last look. Not while a controller command has the
  // port, nor while the user has the list open.
  void PortPollTimer();

 private:
  TPortLister FPortLister;
  QComboBox* cbPorts;
  QTimer* PortPoll;
};
