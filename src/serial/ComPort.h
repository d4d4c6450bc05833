#pragma once
// The serial port component: one serial port, opened by name at fixed line settings, its line
// events handed to the GUI thread, and the controller's register commands.
//
// Threads: every public operation and every event runs on the GUI thread. While the port is open,
// an event thread (TCommThread) waits for line events and hands each one over synchronously: it
// queues the dispatch, wakes the GUI thread through the poster given by SetGuiPoster and blocks
// until the GUI thread has run it. Close runs queued dispatches itself while it waits for the
// thread's end, so it never depends on the host's message loop. Handlers may call Close; they must
// not destroy the component.

#include "CommThread.h"
#include "ComTypes.h"
#include "HandOver.h"
#include "ModemLines.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TComPort {
public:
  using TNotifyEvent = std::function<void(TComPort& sender)>;
  using TReceiveProc = std::function<void(const std::string& data)>;
  using TStatusChanged = std::function<void(bool status)>;

  TComPort();
  ~TComPort();  // closes the port first
  TComPort(const TComPort&) = delete;
  TComPort& operator=(const TComPort&) = delete;

  // Device path to open, e.g. "/dev/ttyUSB0".
  void SetPort(const std::string& port) { FPort = port; }
  uint32_t Baud() const { return FBaud; }
  void SetBaud(uint32_t baud) { FBaud = baud; }
  uint8_t DataBits() const { return FDataBits; }
  void SetDataBits(uint8_t bits) { FDataBits = bits; }
  TParity Parity() const { return FParity; }
  void SetParity(TParity parity) { FParity = parity; }
  TStopBit StopBits() const { return FStopBits; }
  void SetStopBits(TStopBit stopBits) { FStopBits = stopBits; }
  // Requested driver queue sizes. Linux terminals have fixed buffers; the values are kept only.
  uint32_t WinQSizeIn() const { return FWinQSizeIn; }
  void SetWinQSizeIn(uint32_t size) { FWinQSizeIn = size; }
  uint32_t WinQSizeOut() const { return FWinQSizeOut; }
  void SetWinQSizeOut(uint32_t size) { FWinQSizeOut = size; }
  TReceiveMode ReceiveMode() const { return FReceiveMode; }
  void SetReceiveMode(TReceiveMode mode) { FReceiveMode = mode; }
  // The chunk terminator of rmTERM in text form, "#" and a decimal code per byte ("#13#10").
  // Setting a text that cannot be read raises EComError.
  std::string Terminator() const;
  void SetTerminator(const std::string& text);

  // How the event thread wakes the GUI thread: post(f) must run f later on the GUI thread. Without
  // a poster, dispatches run only when the host calls ProcessHandOvers, or in Close.
  void SetGuiPoster(TGuiPoster post);
  // GUI thread: runs the dispatches the event thread has queued.
  void ProcessHandOvers();
  // How the device's modem lines are reached; the default uses the terminal's own.
  void SetModemLinesFactory(TModemLinesFactory factory) { FModemLines = std::move(factory); }

  void Open();   // raises EComError when the device cannot be opened
  void Close();
  bool IsOpen() const { return FPortOpen; }
  void SetDTR(bool value);
  void SetRTS(bool value);

  // Controller register commands: send the frame, pause 40 ms, read three reply bytes waiting up
  // to 500 ms for each. False only when the port is closed (nothing sent, `value` untouched).
  // A reply byte that does not come reads as 0.
  bool WriteRegister(uint8_t reg, uint8_t value);
  bool ReadRegister(uint8_t reg, uint8_t& value);
  // True when the last register command received all three reply bytes.
  bool LastReplyComplete() const { return FLastReplyComplete; }

  TNotifyEvent OnPortOpen;
  TNotifyEvent OnPortClose;
  TReceiveProc ReceiveCallBack;
  TStatusChanged OnCTSChanged;
  TStatusChanged OnDSRChanged;
  TStatusChanged OnRingChanged;
  TStatusChanged OnRLSDChanged;
  TNotifyEvent OnError;

private:
  void DoReceive(uint32_t count);
  void DoStatus(uint32_t events, uint32_t modemStatus);
  void ReadReply(uint8_t (&reply)[3]);

  std::string FPort = "COM1";
  uint32_t FBaud = 19200;
  uint8_t FDataBits = 8;
  TParity FParity = ptNONE;
  TStopBit FStopBits = sbONE;
  uint32_t FWinQSizeIn = 8192;
  uint32_t FWinQSizeOut = 8192;
  TReceiveMode FReceiveMode = rmRAW;
  std::string FTermBytes = "\r\n";
  std::string FRxBuffer;
  bool FPortOpen = false;
  bool FLastReplyComplete = false;
  std::unique_ptr<TCommThread> FThread;
  std::shared_ptr<THandOverQueue> FHandOver;
  TModemLinesFactory FModemLines;
};

// Appends to `list` the serial ports under `devDir` that can be opened exclusively right now:
// device nodes, or symbolic links to them, named ttyS*, ttyUSB*, ttyACM*, ttyAMA* or rfcomm*, in
// natural order (ttyS2 before ttyS10), as full paths. ttyS ports without a UART behind them (the
// kernel reports the type 0 under `sysClassTty`) are left out. A null list does nothing.
void EnumComPorts(std::vector<std::string>* list, const std::string& devDir = "/dev",
                  const std::string& sysClassTty = "/sys/class/tty");

// Natural order of port names: runs of digits compare by their value.
bool NaturalLess(const std::string& a, const std::string& b);
