// The controller commands of torvanic-cli: ports, check, test, read, write, verify. Everything
// that is sent, and when, is the controller library's (Transfer.h, PortSession.h); this file only
// chooses what to run and says what came of it.
#include "CliCommands.h"

#include "CliOutput.h"
#include "ComPort.h"
#include "ConnectionCheck.h"
#include "Interrupt.h"
#include "PortList.h"
#include "PortSession.h"
#include "RegisterMap.h"
#include "SpedV4Device.h"
#include "Transfer.h"

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace Cli {

namespace {

const char* const NotConnected = "ESC not connected";
const char* const DownloadFailed = "Download failed. Please check ESC connections.";
const char* const UploadFailed = "Upload failed. Please check ESC connections.";

// After a signal, a register command that is still waiting this long for its reply (a silent
// controller waits up to 1.5 s) is left unanswered, so that the program ends within a second. An
// answering controller's command takes about 40 ms and always finishes.
constexpr auto ReplyGrace = std::chrono::milliseconds(300);

// While --repeat waits for the next controller, a probe waits this long for each reply byte
// instead of the command's half second, so that an adapter with no controller behind it is probed
// about once a second rather than every three. An answering controller's reply comes within a few
// milliseconds of the 40 ms pause; a missed reply here only delays the write to the next probe.
constexpr auto WaitingReplyWait = std::chrono::milliseconds(100);

// What the interrupt note reports.
TProgress FProgress;
std::string FCurrentPort;
int FDone = 0;  // controllers written in this run

// One controller command's time on a port: opened as every controller command opens it, closed
// (DTR and RTS lowered) on every path out, also when Ctrl+C ends the command.
class TSession {
 public:
  explicit TSession(const std::string& name) {
    FCurrentPort = name;
    // The program's own tests run it against the simulated controller, which answers at once, and
    // set this to leave out the 40 ms pause that a real controller needs before its reply. Never
    // with a real controller: its replies would be read before they come.
    if (const char* pace = std::getenv("TORVANIC_CLI_SIMULATOR_PACE"); pace && std::string(pace) == "1") {
      FPort.SetCommandPause(std::chrono::milliseconds(0));
      FPort.SetReplyWait(std::chrono::milliseconds(150));
    }
    Transfer::OpenController(FPort, name);
    FPort.SetWaitHook([] {
      if (Interrupt::Requested() && Interrupt::Since() > ReplyGrace) throw Interrupt::TInterrupted{};
    });
  }
  ~TSession() {
    FPort.SetWaitHook({});
    FPort.Close();
  }
  TSession(const TSession&) = delete;
  TSession& operator=(const TSession&) = delete;

  TComPort& Port() { return FPort; }
  bool Probe() {
    Interrupt::Check();
    const bool connected = Transfer::IsConnected(FPort);
    Interrupt::Check();
    return connected;
  }

 private:
  TComPort FPort;
};

void Print(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

// The ports as the editor lists them, in the editor's order, each with what the editor says of it
// (who holds a port included: a command run once can afford the look at every process).
std::vector<TPortEntry> ListPorts() {
  auto ports = ListSerialPorts();
  MarkHolders(ports);
  return ports;
}

// A transfer has ended: Ctrl+C, if it came, ends the command here; otherwise the progress is done with.
void CheckTransferEnd() {
  Interrupt::Check();
  FProgress = TProgress();
}

// Writes `profile` to the controller on `port` as the window's Write does; prints the port's line
// of result and returns its status.
int WriteOne(const std::string& port, const TSpedV4Device& profile) {
  try {
    TSession session(port);
    if (!session.Probe()) {
      Print(port + ": " + NotConnected);
      return esController;
    }
    const bool written = Transfer::SaveToDevice(session.Port(), profile, FProgress);
    CheckTransferEnd();
    Print(port + ": " + (written ? "written and verified" : DownloadFailed));
    if (!written) return esController;
  } catch (const EComError& e) {
    Print(port + ": cannot be opened");
    Say(e.what());
    return esPort;
  }
  ++FDone;
  return esOK;
}

// One probe of `port`, as Test runs it (`waiting`: with the short reply wait of WaitingReplyWait);
// a port that cannot be opened does not answer. `failure` keeps the reason it could not be opened,
// empty when it could.
bool Answers(const std::string& port, bool waiting, std::string& failure) {
  try {
    TSession session(port);
    if (waiting) session.Port().SetReplyWait(WaitingReplyWait);
    failure.clear();
    return session.Probe();
  } catch (const EComError& e) {
    failure = e.what();
    return false;
  }
}

// Probes `port` about once a second until it answers (`answering` true) or stops answering. Only
// the wait for an answer takes the short reply wait: the wait for the controller to go keeps the
// command's, so that a slow reply is never taken for an unplugged controller (which would write
// the same controller twice).
void WaitForController(const std::string& port, bool answering) {
  std::string failure, told;
  for (;;) {
    const auto next = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    if (Answers(port, answering, failure) == answering) return;
    if (!failure.empty() && failure != told) Say(failure);
    told = failure;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(next - std::chrono::steady_clock::now());
    if (Interrupt::WaitFor(std::max(left, std::chrono::milliseconds(0)))) throw Interrupt::TInterrupted{};
  }
}

// A series of controllers on one adapter, one after the other, until Ctrl+C.
[[noreturn]] void WriteSeries(const std::string& port, const TSpedV4Device& profile) {
  for (;;) {
    Say("waiting for a controller on " + port + " (Ctrl+C ends)");
    WaitForController(port, true);
    if (WriteOne(port, profile) == esOK) Print("done " + std::to_string(FDone));
    Say("unplug the controller from " + port);
    WaitForController(port, false);
  }
}

// The new file must be allowed before anything is sent: not there yet (or --force), and its
// folder must take it.
void CheckTarget(const std::string& file, bool force) {
  struct stat st {};
  if (::stat(file.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) throw TUsageError("Cannot write file \"" + file + "\": " + std::strerror(EISDIR));
    if (!force) throw TUsageError(file + " exists; --force replaces it");
  } else if (errno != ENOENT) {
    throw TUsageError("Cannot write file \"" + file + "\": " + std::strerror(errno));
  }
  const size_t slash = file.find_last_of('/');
  const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : file.substr(0, slash);
  if (::access(dir.c_str(), W_OK | X_OK) != 0)
    throw TUsageError("Cannot write file \"" + file + "\": " + std::strerror(errno));
}

std::string FrequencyOfCode(uint8_t code) {
  for (int i = 0; i < TSpedV4Device::FrequencyCount; ++i)
    if (TSpedV4Device::V4Frequencies[i].Code == code) return TSpedV4Device::V4Frequencies[i].Name;
  return "code " + std::to_string(code);
}

}  // namespace

std::string InterruptNote() {
  std::string note = "interrupted";
  if (FProgress.Started()) {
    note += " on " + FCurrentPort + " after " + std::to_string(FProgress.Steps()) + " of " +
            std::to_string(FProgress.Maximum()) + " registers";
    note +=
        FProgress.Writing() ? ": the controller holds part of the new profile; write it again" : "; nothing was saved";
  } else if (FDone > 0) {
    note += " after " + std::to_string(FDone) + (FDone == 1 ? " controller" : " controllers") + " written";
  }
  return note;
}

int Ports(const TOptions& options) {
  const auto ports = ListPorts();
  if (options.Json) {
    std::vector<std::string> items;
    for (const auto& p : ports)
      items.push_back(JsonObject({{"path", JsonString(p.Path)}, {"label", JsonString(PortLabel(p))}}));
    Print(JsonObject({{"ports", JsonArray(items)}}));
  } else {
    for (const auto& p : ports) Print(p.Path + "  " + PortLabel(p));
  }
  if (ports.empty()) Say("no serial port can be opened; \"torvanic-cli check\" tells why");
  return esOK;
}

int Check(const std::string& requested, const TOptions& options) {
  std::string port = requested;
  if (port.empty()) {
    const auto ports = ListPorts();
    if (!ports.empty()) port = ports.front().Path;
  }
  const TCheckInput in = SystemCheckInput();
  const auto findings = port.empty() ? CheckMachine(in) : CheckOnePort(port, in, [&] {
    TSession session(port);
    const bool connected = session.Probe();
    return TProbeResult{session.Port().LastReply(), session.Port().LastReplyCount(), connected};
  });
  Print(options.Json ? FindingsJson(port, findings) : FindingsText(findings));
  bool silent = false;
  for (const auto& f : findings) {
    if (f.Kind == fkConnected) return esOK;
    silent = silent || f.Kind == fkSilent || f.Kind == fkLoopBack || f.Kind == fkGarbled;
  }
  return silent ? esController : esPort;
}

int Test(const std::string& port) {
  TSession session(port);
  const bool connected = session.Probe();
  Print(connected ? "ESC connected" : NotConnected);
  return connected ? esOK : esController;
}

// Reads the controller's registers on `port` as the window's Read does, the port closed again
// before this returns. esOK, or the status after saying why; `incomplete` ends that message when a
// reply did not come complete.
int ReadController(const std::string& port, Transfer::TRegisterFile& regs, const std::string& incomplete) {
  TSession session(port);
  if (!session.Probe()) {
    Say(port + ": " + NotConnected);
    return esController;
  }
  const bool complete = Transfer::ReadRegisters(session.Port(), regs, FProgress);
  CheckTransferEnd();
  if (complete) return esOK;
  Say(port + ": " + UploadFailed + incomplete);
  return esController;
}

int Read(const std::string& port, const std::string& file, const TOptions& options) {
  CheckTarget(file, options.Force);
  Transfer::TRegisterFile regs{};
  if (const int status = ReadController(port, regs, " Nothing was saved."); status != esOK) return status;
  TSpedV4Device profile;
  profile.Clear();
  Transfer::RegistersToProfile(regs, profile);
  CheckTarget(file, options.Force);  // a file that appeared meanwhile is not replaced either
  profile.SaveToFile(file);
  Print(port + ": read into " + file);
  return esOK;
}

int Write(const std::string& file, const std::vector<std::string>& ports, const TOptions& options) {
  if (options.Repeat && ports.size() != 1) throw TUsageError("--repeat takes exactly one port");
  TSpedV4Device profile;
  LoadProfile(file, profile);
  if (options.Repeat) WriteSeries(ports.front(), profile);
  int status = esOK;
  for (const auto& port : ports) {
    Interrupt::Check();
    const int result = WriteOne(port, profile);
    if (result == esOK) continue;
    if (status == esOK) status = result;
    if (!options.KeepGoing) break;
  }
  return status;
}

int Verify(const std::string& file, const std::string& port, const TOptions& options) {
  TSpedV4Device profile;
  LoadProfile(file, profile);
  Transfer::TRegisterFile expected{}, held{};
  Transfer::ProfileToRegisters(profile, expected);
  if (const int status = ReadController(port, held, ""); status != esOK) return status;
  std::vector<std::string> lines, items;
  const uint8_t freq = Transfer::FrequencyRegister;
  if (held[freq] != expected[freq]) {
    const std::string a = FrequencyOfCode(expected[freq]), b = FrequencyOfCode(held[freq]);
    lines.push_back("frequency: file " + a + ", controller " + b);
    items.push_back(
        JsonObject({{"setting", JsonString("frequency")}, {"file", JsonString(a)}, {"controller", JsonString(b)}}));
  }
  for (int entry = 0; entry <= profile.LastIndex(); ++entry) {
    const int reg = Transfer::CurveRegister(entry);
    if (held[reg] == expected[reg]) continue;
    lines.push_back("entry " + std::to_string(entry) + " (X " + std::to_string(profile.GetPoint(entry).X) +
                    "): file Y " + std::to_string(expected[reg]) + ", controller Y " + std::to_string(held[reg]));
    items.push_back(JsonObject({{"entry", std::to_string(entry)},
                                {"file", std::to_string(expected[reg])},
                                {"controller", std::to_string(held[reg])}}));
  }
  if (options.Json) {
    Print(JsonObject({{"file", JsonString(file)},
                      {"port", JsonString(port)},
                      {"equal", lines.empty() ? "true" : "false"},
                      {"differences", JsonArray(items)}}));
  } else if (lines.empty()) {
    Print(port + ": the controller holds " + file);
  } else {
    for (const auto& line : lines) Print(line);
  }
  return lines.empty() ? esOK : esController;
}

}  // namespace Cli
