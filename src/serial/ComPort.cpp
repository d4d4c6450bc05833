#include "ComPort.h"

#include "PortDevice.h"
#include "TermParse.h"

#include <chrono>
#include <sys/ioctl.h>
#include <thread>

namespace {

constexpr uint8_t WriteCommand = 0x77;  // "w"
constexpr uint8_t ReadCommand = 0x72;   // "r"
// The controller needs this long to take a command and put its reply on the line.
constexpr auto CommandPause = std::chrono::milliseconds(40);

} // namespace

TComPort::TComPort() : FHandOver(std::make_shared<THandOverQueue>()) {}

TComPort::~TComPort() { Close(); }

std::string TComPort::Terminator() const { return FormatTerminator(FTermBytes); }

void TComPort::SetTerminator(const std::string& text) {
  switch (ParseTerminator(text, FTermBytes)) {
  case TTermParse::tpOK: return;
  case TTermParse::tpIllegal: throw EComError(IllegalTerminatorMessage);
  case TTermParse::tpEmpty: throw EComError(EmptyTerminatorMessage);
  }
}

void TComPort::SetGuiPoster(TGuiPoster post) { FHandOver->SetPoster(std::move(post)); }

void TComPort::ProcessHandOvers() { FHandOver->RunPending(); }

void TComPort::Open() {
  if (FPortOpen)
    return;
  auto thread = std::make_unique<TCommThread>(FPort, FModemLines);
  if (!thread->IsOpen())
    throw EComError("TCOMPORT : cannot open " + FPort + "\r" + OpenErrorText(thread->LastError(), FPort));
  thread->FReceiveHook = [this](uint32_t count) { DoReceive(count); };
  thread->FStatusHook = [this](uint32_t events, uint32_t status) { DoStatus(events, status); };
  FBaud = 19200;
  thread->SetParams(FBaud, FDataBits, FParity, FStopBits);
  FHandOver->Reset();
  thread->Start(FHandOver);
  FThread = std::move(thread);
  FPortOpen = true;
  if (auto handler = OnPortOpen)
    handler(*this);
}

void TComPort::Close() {
  if (!FPortOpen)
    return;
  FPortOpen = false;
  FThread->FReceiveHook = nullptr;
  FThread->FStatusHook = nullptr;
  FThread->StopThread();
  FThread->WaitFor();
  // Closed from a handler: the dispatch that called it is still running on this thread's stack
  // and uses the thread object until it returns.
  if (FHandOver->InsideCall())
    FHandOver->KeepUntilCallsReturn(std::shared_ptr<TCommThread>(std::move(FThread)));
  FThread.reset();
  if (auto handler = OnPortClose)
    handler(*this);
}

void TComPort::SetDTR(bool value) {
  if (FPortOpen)
    FThread->SetLine(TIOCM_DTR, value);
}

void TComPort::SetRTS(bool value) {
  if (FPortOpen)
    FThread->SetLine(TIOCM_RTS, value);
}

void TComPort::DoReceive(uint32_t count) {
  std::string data(count, '\0');
  data.resize(static_cast<size_t>(FThread->ReadBytes(data.data(), static_cast<int>(count))));
  auto callback = ReceiveCallBack;
  if (!FPortOpen || !callback)
    return;
  if (FReceiveMode == rmRAW) {
    callback(data);
    return;
  }
  FRxBuffer += data;
  std::string chunk;
  if (TakeChunk(FRxBuffer, FTermBytes, chunk))
    callback(chunk);
}

void TComPort::DoStatus(uint32_t events, uint32_t modemStatus) {
  // Each status tells whether the line was inactive before the change: after a single change,
  // true means the line has just become active.
  auto fire = [&](uint32_t event, const TStatusChanged& handler, uint32_t line) {
    if ((events & event) && handler) {
      auto call = handler;
      call((modemStatus & line) == 0);
    }
  };
  fire(EV_CTS, OnCTSChanged, MS_CTS_ON);
  fire(EV_DSR, OnDSRChanged, MS_DSR_ON);
  fire(EV_RLSD, OnRLSDChanged, MS_RLSD_ON);
  fire(EV_RING, OnRingChanged, MS_RING_ON);
  if ((events & EV_ERR) && OnError) {
    auto call = OnError;
    call(*this);
  }
}

void TComPort::ReadReply(uint8_t (&reply)[3]) {
  std::this_thread::sleep_for(CommandPause);
  FLastReplyComplete = true;
  for (auto& slot : reply) {
    slot = 0;
    if (FThread->ReadBytes(&slot, 1) != 1)
      FLastReplyComplete = false;
  }
}

bool TComPort::WriteRegister(uint8_t reg, uint8_t value) {
  const uint8_t frame[3] = {WriteCommand, reg, value};
  if (!FPortOpen)
    return false;
  FThread->WriteBytes(frame, sizeof frame);
  uint8_t reply[3];
  ReadReply(reply);
  return true;
}

bool TComPort::ReadRegister(uint8_t reg, uint8_t& value) {
  const uint8_t frame[2] = {ReadCommand, reg};
  if (!FPortOpen)
    return false;
  FThread->WriteBytes(frame, sizeof frame);
  uint8_t reply[3];
  ReadReply(reply);
  value = reply[2];
  return true;
}
