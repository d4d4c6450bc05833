#pragma once
// A simulated V4 speed controller on a pseudo-terminal. The program under test opens the slave end
// like a serial port; the simulator answers on the master end from a thread of its own. It can
// also answer on a line it is given, such as a connected socket that carries a virtual machine's
// serial port.
//
// Protocol: a write frame "w", register, value is stored and answered with "w", register, value;
// a read frame "r", register is answered with "r", register, value. Other bytes between frames
// are ignored. The register file holds 256 bytes, all 0 at the start.

#include "FileHandle.h"
#include "PortDevice.h"

#include <termios.h>
#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class TEscSimulator {
 public:
  struct TOptions {
    bool Silent = false;       // no controller attached: nothing is answered or stored
    bool Echo = false;         // a loop-back plug: every byte comes straight back
    int CorruptRegister = -1;  // this register reads back one more than was stored
    long StopAfter = -1;       // frames answered before the controller falls silent; -1 = all
    bool ExtraByte = false;    // every reply is followed by one more byte
    bool LinePacing = false;   // replies take the time of the frame and the reply at 19200 baud
    long UnplugAfter = -1;     // after this many frames the line goes dead: the master end is
                               // closed, as when the adapter is pulled out; -1 = never
    std::array<uint8_t, 256> Registers{};  // the register file it starts with, before any frame
    // Called on the simulator's thread for every complete frame: command ('w' or 'r'), register,
    // value (the value written, or the value read back), and whether it was answered.
    std::function<void(char command, uint8_t reg, uint8_t value, bool answered)> OnFrame;
  };

  // Opens the pseudo-terminal and starts answering. Throws std::system_error on failure.
  TEscSimulator();
  explicit TEscSimulator(TOptions options);
  // Answers on `line`, an open byte stream (a connected socket, a terminal), instead of a
  // pseudo-terminal of its own; SlavePath is then empty and PortInputQueue and PortSettings know
  // nothing. Answering ends when the other end closes the line.
  TEscSimulator(TFileHandle line, TOptions options);
  ~TEscSimulator();
  TEscSimulator(const TEscSimulator&) = delete;
  TEscSimulator& operator=(const TEscSimulator&) = delete;

  // Path of the slave end, e.g. "/dev/pts/3", to be opened as the serial port.
  const std::string& SlavePath() const { return FSlavePath; }

  uint8_t Register(uint8_t reg) const;
  void SetRegister(uint8_t reg, uint8_t value);
  std::array<uint8_t, 256> Registers() const;
  // Complete frames received so far, answered or not.
  long FrameCount() const;
  // Every byte received from the port, in order.
  std::string Received() const;
  // Puts bytes on the line towards the port, outside the protocol.
  void Send(const std::string& bytes);
  // Bytes waiting in the port's input queue, not yet read by the port's owner; -1 when unknown.
  int PortInputQueue() const;
  // The line settings the port's owner has set (all zero when unknown).
  termios PortSettings() const;

 private:
  void Start();
  void Run();
  void HandleByte(uint8_t byte);
  void Reply(const uint8_t* bytes, size_t count, size_t frameLength);
  void WriteAll(const uint8_t* bytes, size_t count);

  TOptions FOptions;
  TFileHandle FMaster;
  TFileHandle FSlave;  // kept open so the master never sees a hang-up and the line stays raw
  TFileHandle FStop;   // eventfd
  std::string FSlavePath;
  mutable std::mutex FMutex;
  std::array<uint8_t, 256> FRegisters{};
  long FFrames = 0;
  std::string FReceived;
  uint8_t FFrame[3] = {0, 0, 0};  // simulator thread only
  size_t FFrameLength = 0;        // simulator thread only
  bool FUnplug = false;           // simulator thread only
  std::thread FThread;
};
