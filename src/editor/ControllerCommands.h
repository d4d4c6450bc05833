#pragma once
// The controller commands: Test (the connection probe), Read, Write and the connection check, each
// through a port session on the port the port list selects, with their confirmations and messages.
// The serial component `ComPort1` is closed between commands. GUI thread only.

#include "ConnectionCheck.h"
#include "ControllerSession.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;
class TComPort;
class TConnectionCheckW;
class TDialogs;
class TPortSelector;
class TProfileDocument;
class TProgressW;

class TControllerCommands : public QObject {
  Q_OBJECT
 public:
  // `window` is the parent of the message boxes and the owner of the port's queued line events.
  TControllerCommands(QWidget* window, TDialogs& dialogs, TProfileDocument& document, TPortSelector& ports);
  ~TControllerCommands() override;

  TComPort& ComPort1() const { return *FComPort1; }
  // Shows the transfers' progress; null shows none.
  void SetProgressWindow(TProgressW* progress) { FProgressW = progress; }
  // After Read or Write: the window redraws and brings the controls in line.
  std::function<void()> OnProfileChanged;

  void TestComExecute();
  void UploadCurveExecute();
  void DownloadCurveExecute();
  void CheckConnectionExecute();

  // Opens the selected port for one controller command and probes it; when the controller
  // answers, runs `work` in that session. The port is closed again before this returns, so that
  // no message box shown afterwards keeps it held. False when the controller did not answer.
  bool RunOnController(const std::function<void(TControllerSession&)>& work);

 private:
  // The checks of one port, with the probe when nothing stands in the way of opening it.
  std::vector<TFinding> CheckOnePort(const std::string& port, const TCheckInput& in);
  void SearchOtherPorts(TConnectionCheckW& window, const QStringList& ports, const TCheckInput& in);
  void ProfileChanged();

  QWidget* FWindow;
  TDialogs& FDialogs;
  TProfileDocument& FDocument;
  TPortSelector& FPorts;
  TProgressW* FProgressW = nullptr;
  std::unique_ptr<TComPort> FComPort1;
};
