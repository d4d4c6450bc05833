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

#include "ComTypes.h"
#include "CommThread.h"
#include "HandOver.h"
#include "ModemLines.h"
#include "RegisterPort.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TComPort : public TRegisterPort {
 public:
  using TNotifyEvent = std::function<void(TComPort& sender)>;
  using TReceiveProc = std::function<void(const std::string& data)>;
  using TStatusChanged = std::function<void(bool status)>;

  TComPort();
  ~TComPort() override;  // closes the port first
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
  // Called on the GUI thread every few milliseconds (never more than 10 ms apart) while a register
  // command waits: during its 40 ms pause and while its reply is awaited. The host may serve its
  // window there (paint, expose, the window manager's liveness check), but must not act on input
  // and must not use this component.
  void SetWaitHook(TWaitHook hook) { FWaitHook = std::move(hook); }
  // While held, the line events' hand-overs wait, so that no receive handling takes bytes between
  // the register commands of a controller command or while its wait hook serves the window. They
  // run once released (or are ended by Close).
  void HoldHandOvers(bool hold);
  // How the device's modem lines are reached; the default uses the terminal's own.
  void SetModemLinesFactory(TModemLinesFactory factory) { FModemLines = std::move(factory); }

  // Raises EComError when the device cannot be opened or does not take the line settings; all or
  // nothing: after a failure nothing stays open.
  void Open();
  // Lowers DTR and RTS, ends the event thread and closes the device.
  void Close();
  bool IsOpen() const { return FPortOpen; }
  void SetDTR(bool value);
  void SetRTS(bool value);

  // Controller register commands: send the frame, pause 40 ms, read three reply bytes waiting up
  // to 500 ms for each. A reply byte that does not come reads as 0. On a closed port both return
  // false (nothing sent, `value` untouched). A frame that the device refused or could not take
  // (it went away) is not waited for: no reply counts as received, and WriteRegister returns
  // false; ReadRegister's value is then 0.
  bool WriteRegister(uint8_t reg, uint8_t value) override;
  bool ReadRegister(uint8_t reg, uint8_t& value) override;
  // The pause between a register command's frame and its reply (40 ms, the time the controller
  // needs) and the wait for each reply byte (500 ms). Tests of the window's side against the
  // simulated controller, which answers at once, may shorten both.
  static constexpr std::chrono::milliseconds ControllerPause{40};
  void SetCommandPause(std::chrono::milliseconds pause) { FCommandPause = pause; }
  void SetReplyWait(std::chrono::milliseconds wait) { FReplyWait = wait; }
  // True when the last register command received all three reply bytes.
  bool LastReplyComplete() const override { return FLastReplyCount == 3; }
  // The last register command's three reply slots (0 where no byte came) and how many came.
  const std::array<uint8_t, 3>& LastReply() const { return FLastReply; }
  int LastReplyCount() const { return FLastReplyCount; }

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
  bool SendFrame(const uint8_t* frame, int length);

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
  size_t FRxSearched = 0;  // the front of FRxBuffer known to hold no complete terminator
  bool FPortOpen = false;
  std::array<uint8_t, 3> FLastReply{};
  int FLastReplyCount = 0;
  TWaitHook FWaitHook;
  std::chrono::milliseconds FCommandPause = ControllerPause;
  std::chrono::milliseconds FReplyWait = TCommThread::TransferLimit;
  std::unique_ptr<TCommThread> FThread;
  std::shared_ptr<THandOverQueue> FHandOver;
  TModemLinesFactory FModemLines;
};

// Appends to `list` the serial ports under `devDir` that can be opened exclusively right now:
// device nodes, or symbolic links to them, named ttyS*, ttyUSB*, ttyACM*, ttyAMA* or rfcomm*, in
// natural order (ttyS2 before ttyS10), as full paths. No port is opened for this, so that no line
// moves: what counts is what the system shows. A node must be a terminal (`procDir`/tty/drivers),
// readable and writable by this process, and neither open in another process nor locked (the
// processes under `procDir` that this user may see). ttyS ports without a UART behind them (the
// kernel reports the type 0 under `sysClassTty`) are left out. A null list does nothing.
void EnumComPorts(std::vector<std::string>* list, const std::string& devDir = "/dev",
                  const std::string& sysClassTty = "/sys/class/tty", const std::string& procDir = "/proc");

// Natural order of port names: runs of digits compare by their value.
bool NaturalLess(const std::string& a, const std::string& b);
