#pragma once
// The event thread of an open serial port and the device it owns.
//
// Threads: the constructor, SetParams, ResetLines, Start, StopThread, ReadBytes, WriteBytes,
// SetLine, DispatchEvents and the destructor run on the GUI thread; Execute alone runs on the
// event thread. Execute hands each line event to the GUI thread through the hand-over queue and
// blocks until DispatchEvents has run there, so FEventMask and FModemStatus are never used by
// both threads at once.

#include "ComTypes.h"
#include "HandOver.h"
#include "ModemLines.h"
#include "PortDevice.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

// Called again and again while a register command waits on the device, on the thread that issued
// the command (see TComPort::SetWaitHook).
using TWaitHook = std::function<void()>;

class TCommThread {
 public:
  // Takes the number of bytes waiting in the input queue.
  using TReceiveHook = std::function<void(uint32_t count)>;
  // Takes the event bits and the modem status sampled before the change.
  using TStatusHook = std::function<void(uint32_t events, uint32_t modemStatus)>;

  // Opens and prepares the device: raw 19200 8N1, queues purged, DTR and RTS lowered. The thread
  // is not started. All or nothing: when any step fails, nothing stays open, IsOpen is false and
  // OpenFailure tells why.
  explicit TCommThread(const std::string& portName, const TModemLinesFactory& lines = {});
  // Stops and joins a running thread, then closes the device.
  ~TCommThread();
  TCommThread(const TCommThread&) = delete;
  TCommThread& operator=(const TCommThread&) = delete;

  bool IsOpen() const { return FPort.Valid(); }
  // Why the open failed, in words for the user.
  const std::string& OpenFailure() const { return FOpenFailure; }
  int Handle() const { return FPort.Get(); }

  // Sets the line and reads it back; empty when it took, otherwise why not.
  std::string SetParams(uint32_t baud, uint8_t dataBits, TParity parity, TStopBit stopBits);
  void ResetLines();
  void SetLine(int line, bool on);

  // Starts Execute on a thread of its own; its hand-overs go through `handOver`.
  void Start(std::shared_ptr<THandOverQueue> handOver);
  // Detaches the receive hook and signals the thread to stop.
  void StopThread();
  // Waits for the thread's end, running queued hand-overs meanwhile.
  void WaitFor();

  // Total time limit of one ReadBytes or WriteBytes call.
  static constexpr std::chrono::milliseconds TransferLimit{500};
  // Reads up to `count` bytes, waiting at most `limit` in total; returns the number read. A count
  // of 0 returns 0 without touching the device. A wait hook is called every few milliseconds
  // while the bytes are awaited.
  int ReadBytes(void* buffer, int count, const TWaitHook& wait = {}, std::chrono::milliseconds limit = TransferLimit);
  // Queues `count` bytes for sending without waiting for the transmission; returns the number
  // accepted by the driver (less than `count` when the device refused them or went away).
  int WriteBytes(const void* buffer, int count, const TWaitHook& wait = {});

  // GUI thread, one line event: queries the input queue, calls the receive hook for received
  // data, then the status hook for the remaining event bits.
  void DispatchEvents();

  TReceiveHook FReceiveHook;
  TStatusHook FStatusHook;

 private:
  void Execute();

  TPortHandle FPort;
  TFileHandle FStopEvent;  // eventfd; readable once a stop was requested
  std::unique_ptr<TModemLines> FLines;
  std::shared_ptr<THandOverQueue> FHandOver;
  std::thread FThread;
  std::string FOpenFailure;
  uint32_t FEventMask = 0;    // bits of the event being handed over
  uint32_t FModemStatus = 0;  // modem status before that event
};
