#pragma once
// One controller command's time on the serial port: the port opened with the selected name, DTR
// then RTS raised, the connection probe, and the port closed again on every path out.
//
// Meanwhile the window stays served but takes no input: the register commands wait through the
// port's wait hook, which serves the window system's other events (paint, expose, the window
// manager's liveness check) with no more than about 10 ms between two servings; the user's input
// is dropped, as it would make no sense in the middle of a transfer; the port's line-event
// hand-overs are held, so no receive handling takes the bytes of a register command's reply; and
// a busy cursor says so. GUI thread only.

#include "Transfer.h"

#include <QObject>

#include <memory>
#include <string>

class TComPort;
class TProgressW;

class TControllerSession {
 public:
  // Opens `portName` (empty when no port is selected). An EComError of the open leaves nothing
  // behind: the port stays closed and the window takes input again.
  TControllerSession(TComPort& port, const std::string& portName, TProgressW* progress);
  ~TControllerSession();
  TControllerSession(const TControllerSession&) = delete;
  TControllerSession& operator=(const TControllerSession&) = delete;

  // The connection probe: true when the controller answered.
  bool Probe();
  TComPort& Port() { return FPort; }
  // The progress window, repainted at once on every change.
  Transfer::TProgressSink& Progress() { return *FProgress; }

  // True while a session runs. Whatever else could change the window meanwhile (a timer, a queued
  // call) waits for the end.
  static bool Active() { return FActive > 0; }

 private:
  // The window's side for the session's whole length, also when the open fails.
  class TServedWindow {
   public:
    explicit TServedWindow(TComPort& port);
    ~TServedWindow();
    TServedWindow(const TServedWindow&) = delete;
    TServedWindow& operator=(const TServedWindow&) = delete;

   private:
    TComPort& FPort;
    std::unique_ptr<QObject> FInputDrop;
  };

  TComPort& FPort;
  TServedWindow FWindow;
  std::unique_ptr<Transfer::TProgressSink> FProgress;
  static int FActive;
};
