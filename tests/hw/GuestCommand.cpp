#include "GuestCommand.h"

#include "ComPort.h"
#include "RegisterMap.h"
#include "Transfer.h"

#include <dirent.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace HwGuest {

namespace {

constexpr char WriteCommand = 'w';
constexpr char ReadCommand = 'r';

// The window's progress window, which the test has no use for.
class TNoProgress : public Transfer::TProgressSink {
 public:
  void Start(const std::string&, const std::string&, int) override {}
  void Message(const std::string&) override {}
  void Step() override {}
  void Finish() override {}
};

void AddFrame(std::string& bytes, char command, int reg, int value = -1) {
  bytes += command;
  bytes += static_cast<char>(reg);
  if (value >= 0) bytes += static_cast<char>(value);
}

}  // namespace

int RegisterCommands(TCommand command) {
  switch (command) {
    case TCommand::cmTest: return 2;
    case TCommand::cmRead: return 2 + 1 + Transfer::CurveEntries;
    case TCommand::cmWrite: return 2 + 1 + 2 * Transfer::CurveEntries;
  }
  return 0;
}

std::string ExpectedFrames(TCommand command, const TSpedV4Device& profile) {
  std::string bytes;
  AddFrame(bytes, WriteCommand, Transfer::ProbeRegister, Transfer::ProbeValue);
  AddFrame(bytes, ReadCommand, Transfer::ProbeRegister);
  if (command == TCommand::cmTest) return bytes;
  Transfer::TRegisterFile regs{};
  Transfer::ProfileToRegisters(profile, regs);
  if (command == TCommand::cmRead)
    AddFrame(bytes, ReadCommand, Transfer::FrequencyRegister);
  else
    AddFrame(bytes, WriteCommand, Transfer::FrequencyRegister, regs[Transfer::FrequencyRegister]);
  for (int entry : Transfer::TransferOrder()) {
    const int reg = Transfer::CurveRegister(entry);
    if (command == TCommand::cmWrite) AddFrame(bytes, WriteCommand, reg, regs[reg]);
    AddFrame(bytes, ReadCommand, reg);
  }
  return bytes;
}

double CpuSeconds() {
  rusage ru{};
  ::getrusage(RUSAGE_SELF, &ru);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return seconds(ru.ru_utime) + seconds(ru.ru_stime);
}

int ThreadCount() {
  int n = 0;
  if (DIR* d = ::opendir("/proc/self/task")) {
    while (const dirent* e = ::readdir(d))
      if (e->d_name[0] != '.') ++n;
    ::closedir(d);
  }
  return n;
}

TOutcome RunCommand(const std::string& port, TCommand command, TSpedV4Device& profile) {
  TOutcome out;
  out.ThreadsBefore = ThreadCount();
  TComPort com;
  // As the window: hand-overs held for the whole command, the waits served by a hook (here with
  // no window to serve).
  com.HoldHandOvers(true);
  com.SetWaitHook([] {});
  com.SetPort(port);
  try {
    com.Open();
  } catch (const EComError& e) {
    out.OpenError = e.what();
    out.ThreadsAfter = ThreadCount();
    return out;
  }
  out.Opened = true;
  com.SetDTR(true);
  com.SetRTS(true);
  TNoProgress progress;
  out.ProbeStart = TClock::now();
  out.Connected = Transfer::IsConnected(com);
  if (out.Connected && command == TCommand::cmRead) out.Result = Transfer::LoadFromDevice(com, profile, progress);
  if (out.Connected && command == TCommand::cmWrite) out.Result = Transfer::SaveToDevice(com, profile, progress);
  if (command == TCommand::cmTest) out.Result = out.Connected;
  out.TransferEnd = TClock::now();
  out.CpuAtTransferEnd = CpuSeconds();
  out.CloseStart = TClock::now();
  com.SetWaitHook({});
  com.HoldHandOvers(false);
  com.Close();
  out.CloseEnd = TClock::now();
  out.CpuAtCloseEnd = CpuSeconds();
  // Close has joined the event thread; the kernel may list it for a moment longer.
  out.ThreadsAfter = ThreadCount();
  for (int i = 0; i < 50 && out.ThreadsAfter > out.ThreadsBefore; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    out.ThreadsAfter = ThreadCount();
  }
  return out;
}

TNodeRemovalWatch::TNodeRemovalWatch(const std::string& nodePath)
    : FName(nodePath.substr(nodePath.rfind('/') + 1)),
      FInotify(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK)),
      FStop(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  const std::string dir = nodePath.substr(0, nodePath.rfind('/'));
  if (FInotify.Valid()) ::inotify_add_watch(FInotify.Get(), dir.c_str(), IN_DELETE);
  FThread = std::thread([this] { Run(); });
}

TNodeRemovalWatch::~TNodeRemovalWatch() { Stop(); }

void TNodeRemovalWatch::Stop() {
  if (!FThread.joinable()) return;
  const uint64_t one = 1;
  [[maybe_unused]] auto n = ::write(FStop.Get(), &one, sizeof one);
  FThread.join();
}

bool TNodeRemovalWatch::Seen() const {
  std::lock_guard lock(FMutex);
  return FSeen;
}

TClock::time_point TNodeRemovalWatch::When() const {
  std::lock_guard lock(FMutex);
  return FWhen;
}

double TNodeRemovalWatch::CpuAtRemoval() const {
  std::lock_guard lock(FMutex);
  return FCpu;
}

void TNodeRemovalWatch::Run() {
  alignas(inotify_event) char buf[4096];
  for (;;) {
    pollfd fds[2] = {{FStop.Get(), POLLIN, 0}, {FInotify.Get(), POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) continue;
    if (fds[0].revents) return;
    const ssize_t n = ::read(FInotify.Get(), buf, sizeof buf);
    for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
      const auto* ev = reinterpret_cast<const inotify_event*>(buf + at);
      if (ev->len > 0 && FName == ev->name) {
        const auto now = TClock::now();
        const double cpu = CpuSeconds();
        std::lock_guard lock(FMutex);
        if (!FSeen) {
          FSeen = true;
          FWhen = now;
          FCpu = cpu;
        }
      }
      at += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
    }
  }
}

bool WaitForNode(const std::string& path, bool present, std::chrono::milliseconds limit) {
  const auto end = TClock::now() + limit;
  for (;;) {
    struct stat st {};
    if ((::stat(path.c_str(), &st) == 0) == present) return true;
    if (TClock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace HwGuest
