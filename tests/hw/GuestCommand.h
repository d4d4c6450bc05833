#pragma once
// The controller commands as the editor's window runs them, measured from inside the test machine:
// set the port, open, raise DTR and RTS, probe, transfer, close.

#include "FileHandle.h"
#include "SpedV4Device.h"

#include <chrono>
#include <mutex>
#include <string>
#include <thread>

namespace HwGuest {

using TClock = std::chrono::steady_clock;

enum class TCommand { cmTest, cmRead, cmWrite };

// Register commands a command sends to an answering controller: the probe's two, and for a Read
// the frequency and 96 curve reads, for a Write the frequency and 96 writes with their read-backs.
int RegisterCommands(TCommand command);

// The bytes a command puts on the line when every register command goes out.
std::string ExpectedFrames(TCommand command, const TSpedV4Device& profile);

// CPU time of this process (all threads, user and system), in seconds.
double CpuSeconds();

// Threads of this process.
int ThreadCount();

struct TOutcome {
  bool Opened = false;
  std::string OpenError;   // the message of the error Open raised
  bool Connected = false;  // the probe's result
  bool Result = false;     // LoadFromDevice or SaveToDevice
  TClock::time_point ProbeStart, TransferEnd, CloseStart, CloseEnd;
  double CpuAtTransferEnd = 0, CpuAtCloseEnd = 0;
  int ThreadsBefore = 0, ThreadsAfter = 0;
};

// Runs `command` on `port` as the window does. A Read reads into `profile`, a Write writes it.
TOutcome RunCommand(const std::string& port, TCommand command, TSpedV4Device& profile);

// Watches /dev for the removal of one device node and notes when it went and how much CPU time
// the process had used by then. Blocks in the kernel meanwhile, so it adds no CPU time itself.
class TNodeRemovalWatch {
 public:
  explicit TNodeRemovalWatch(const std::string& nodePath);
  ~TNodeRemovalWatch();
  TNodeRemovalWatch(const TNodeRemovalWatch&) = delete;
  TNodeRemovalWatch& operator=(const TNodeRemovalWatch&) = delete;

  // Ends the watch; afterwards the results no longer change.
  void Stop();
  bool Seen() const;
  TClock::time_point When() const;
  double CpuAtRemoval() const;

 private:
  void Run();

  std::string FName;
  TFileHandle FInotify;
  TFileHandle FStop;  // eventfd
  mutable std::mutex FMutex;
  bool FSeen = false;
  TClock::time_point FWhen;
  double FCpu = 0;
  std::thread FThread;
};

// Waits up to `limit` for `path` to exist (present) or to be gone (!present).
bool WaitForNode(const std::string& path, bool present, std::chrono::milliseconds limit);

}  // namespace HwGuest
