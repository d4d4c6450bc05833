#include "ComPort.h"

#include "PortDevice.h"
#include "TermParse.h"

#include <sys/ioctl.h>
#include <algorithm>
#include <chrono>
#include <thread>

namespace {

constexpr uint8_t WriteCommand = 0x77;  // "w"
constexpr uint8_t ReadCommand = 0x72;   // "r"
// Longest sleep between two calls of the wait hook during the pause.
constexpr auto WaitSlice = std::chrono::milliseconds(10);

}  // namespace

TComPort::TComPort() : FHandOver(std::make_shared<THandOverQueue>()) {}

TComPort::~TComPort() { Close(); }

std::string TComPort::Terminator() const { return FormatTerminator(FTermBytes); }

void TComPort::SetTerminator(const std::string& text) {
  FRxSearched = 0;  // the buffer has not been searched for the new terminator
  switch (ParseTerminator(text, FTermBytes)) {
    case TTermParse::tpOK: return;
    case TTermParse::tpIllegal: throw EComError(IllegalTerminatorMessage);
    case TTermParse::tpEmpty: throw EComError(EmptyTerminatorMessage);
  }
}

void TComPort::SetGuiPoster(TGuiPoster post) { FHandOver->SetPoster(std::move(post)); }

void TComPort::ProcessHandOvers() { FHandOver->RunPending(); }

void TComPort::HoldHandOvers(bool hold) {
  FHandOver->SetHeld(hold);
  if (!hold) FHandOver->RunPending();
}

void TComPort::Open() {
  if (FPortOpen) return;
  auto thread = std::make_unique<TCommThread>(FPort, FModemLines);
  const std::string opening = "TCOMPORT : cannot open " + FPort + "\r";
  if (!thread->IsOpen()) throw EComError(opening + thread->OpenFailure());
  FBaud = 19200;
  const std::string refused = thread->SetParams(FBaud, FDataBits, FParity, FStopBits);
  if (!refused.empty()) throw EComError(opening + refused);
  thread->FReceiveHook = [this](uint32_t count) { DoReceive(count); };
  thread->FStatusHook = [this](uint32_t events, uint32_t status) { DoStatus(events, status); };
  FHandOver->Reset();
  thread->Start(FHandOver);
  FThread = std::move(thread);
  FPortOpen = true;
  if (auto handler = OnPortOpen) handler(*this);
}

void TComPort::Close() {
  if (!FPortOpen) return;
  FPortOpen = false;
  // Like the system's own close of a port with hang-up on close: the device on the line sees both
  // lines fall, also when the program ends.
  FThread->SetLine(TIOCM_DTR, false);
  FThread->SetLine(TIOCM_RTS, false);
  FThread->FReceiveHook = nullptr;
  FThread->FStatusHook = nullptr;
  FThread->StopThread();
  FThread->WaitFor();
  // Closed from a handler: the dispatch that called it is still running on this thread's stack
  // and uses the thread object until it returns.
  if (FHandOver->InsideCall()) FHandOver->KeepUntilCallsReturn(std::shared_ptr<TCommThread>(std::move(FThread)));
  FThread.reset();
  if (auto handler = OnPortClose) handler(*this);
}

void TComPort::SetDTR(bool value) {
  if (FPortOpen) FThread->SetLine(TIOCM_DTR, value);
}

void TComPort::SetRTS(bool value) {
  if (FPortOpen) FThread->SetLine(TIOCM_RTS, value);
}

void TComPort::DoReceive(uint32_t count) {
  std::string data(count, '\0');
  data.resize(static_cast<size_t>(FThread->ReadBytes(data.data(), static_cast<int>(count))));
  auto callback = ReceiveCallBack;
  if (!FPortOpen || !callback) return;
  if (FReceiveMode == rmRAW) {
    callback(data);
    return;
  }
  FRxBuffer += data;
  std::string chunk;
  if (TakeChunk(FRxBuffer, FTermBytes, chunk, FRxSearched)) callback(chunk);
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

// Sends a register command's frame, pauses and reads its three reply bytes into FLastReply. False
// when the frame could not be sent: no reply is then waited for.
bool TComPort::SendFrame(const uint8_t* frame, int length) {
  FLastReply = {};
  FLastReplyCount = 0;
  if (FThread->WriteBytes(frame, length, FWaitHook) != length) return false;
  if (FWaitHook) {
    const auto end = std::chrono::steady_clock::now() + FCommandPause;
    for (;;) {
      FWaitHook();
      const auto left = end - std::chrono::steady_clock::now();
      if (left <= std::chrono::steady_clock::duration::zero()) break;
      std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(left, WaitSlice));
    }
  } else {
    std::this_thread::sleep_for(FCommandPause);
  }
  for (auto& slot : FLastReply)
    if (FThread->ReadBytes(&slot, 1, FWaitHook, FReplyWait) == 1) ++FLastReplyCount;
  return true;
}

bool TComPort::WriteRegister(uint8_t reg, uint8_t value) {
  const uint8_t frame[3] = {WriteCommand, reg, value};
  if (!FPortOpen) return false;
  return SendFrame(frame, sizeof frame);
}

bool TComPort::ReadRegister(uint8_t reg, uint8_t& value) {
  const uint8_t frame[2] = {ReadCommand, reg};
  if (!FPortOpen) return false;
  SendFrame(frame, sizeof frame);
  value = FLastReply[2];
  return true;
}
