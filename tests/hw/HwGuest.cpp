// hw_guest: runs inside the test machine (statically linked, started by /init) on the kernel's
// real serial drivers: the port listing, then Test, Write and Read on the UART and on the USB
// adapter, and on the USB adapter unplugs during a Read, during a Write and while the port is
// closed, each followed by a re-plug.
//
// It talks to the host script over the console, one line per message, all starting with "@@ ":
//   @@ sync TAG...         waits for the host's answer line ("go") before going on
//   @@ frames DEV CMD HEX  the bytes the command sends when every register command goes out
//   @@ check DEV NAME ok|FAIL DETAIL
//   @@ result DEV KEY VALUE...
// The host marks the trace and the simulator's frames at "sync begin"/"sync end", unplugs the
// adapter after "sync begin usb *-unplug" and at "sync unplug", plugs it in again at "sync replug"
// and compares the simulator's registers at "sync regs".

#include "ComPort.h"
#include "GuestCommand.h"
#include "RegisterMap.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace HwGuest;
using namespace std::chrono_literals;

namespace {

constexpr double CommandPauseSeconds = 0.040;
constexpr double RatioLimit = 1.05;
constexpr auto UnplugReturnLimit = 1s;
// CPU time a command may use after the adapter went away: a wait in the kernel costs next to none;
// a loop that polls a dead port burns all the time there is.
constexpr double IdleCpuShare = 0.2;
constexpr double IdleCpuSlackSeconds = 0.02;

int Failures = 0;

double Seconds(TClock::duration d) { return std::chrono::duration<double>(d).count(); }

void Say(const std::string& line) { std::cout << "@@ " << line << std::endl; }

void Sync(const std::string& tag) {
  Say("sync " + tag);
  std::string answer;
  if (!std::getline(std::cin, answer) || answer.rfind("go", 0) != 0) {
    Say("fatal the host answered \"" + answer + "\" to " + tag);
    std::exit(3);
  }
}

void Check(const std::string& dev, const std::string& name, bool ok, const std::string& detail) {
  if (!ok) ++Failures;
  Say("check " + dev + " " + name + (ok ? " ok " : " FAIL ") + detail);
}

void Result(const std::string& dev, const std::string& key, const std::string& value) {
  Say("result " + dev + " " + key + " " + value);
}

std::string Hex(const std::string& bytes) {
  std::string out;
  char b[3];
  for (unsigned char c : bytes) {
    std::snprintf(b, sizeof b, "%02x", c);
    out += b;
  }
  return out;
}

std::string Fixed(double value, int digits) {
  char b[32];
  std::snprintf(b, sizeof b, "%.*f", digits, value);
  return b;
}

// A profile whose values include the bytes a terminal likes to act on (XON, XOFF, CR, LF, the
// interrupt and end-of-file characters, 0, 0xFF) and the protocol's own command characters.
void MakeProfile(TSpedV4Device& profile, int seed, int frequency) {
  static const uint8_t Special[] = {0x11, 0x13, 0x0D, 0x0A, 0x03, 0x04, 0x1A, 0x1C, 0x7F, 0xFF,
                                    0x00, 0x77, 0x72, 0x15, 0x17, 0x12, 0x0F, 0x16, 0x08, 0x5C};
  profile.Clear();
  profile.SetDeadband(0);
  profile.SetFrequencies(frequency, frequency);
  const int n = static_cast<int>(sizeof Special);
  for (int entry = 0; entry <= profile.LastIndex(); ++entry) {
    const int value = entry % 2 == 0 ? Special[(entry / 2 + seed) % n] : (entry * 53 + seed * 17) & 0xFF;
    profile.SetY(entry, static_cast<uint8_t>(value));
  }
}

bool SameProfile(const TSpedV4Device& a, const TSpedV4Device& b) {
  int fa = 0, ba = 0, fb = 0, bb = 0;
  a.GetFrequencies(fa, ba);
  b.GetFrequencies(fb, bb);
  if (fa != fb || ba != bb || a.GetDeadband() != b.GetDeadband()) return false;
  for (int i = 0; i <= a.LastIndex(); ++i)
    if (a.GetPoint(i) != b.GetPoint(i) || a.IsBreakpoint(i) != b.IsBreakpoint(i)) return false;
  return true;
}

// The registers a Write of `profile` must leave in the controller, as "reg:value" pairs.
std::string RegisterPairs(const TSpedV4Device& profile) {
  Transfer::TRegisterFile regs{};
  Transfer::ProfileToRegisters(profile, regs);
  std::string out =
      std::to_string(Transfer::FrequencyRegister) + ":" + std::to_string(regs[Transfer::FrequencyRegister]);
  for (int entry : Transfer::TransferOrder()) {
    const int reg = Transfer::CurveRegister(entry);
    out += " " + std::to_string(reg) + ":" + std::to_string(regs[reg]);
  }
  return out;
}

const char* Name(TCommand command) {
  switch (command) {
    case TCommand::cmTest: return "test";
    case TCommand::cmRead: return "read";
    case TCommand::cmWrite: return "write";
  }
  return "?";
}

// How long a 40 ms pause takes in this machine. An emulated machine on a busy host oversleeps by a
// few per cent (41 to 42 ms seen with both cores taken), which is the emulation's doing; the
// commands are held to the floor of their pauses as this machine takes them.
double MeasuredPause() {
  constexpr int Samples = 10;
  const auto start = TClock::now();
  for (int i = 0; i < Samples; ++i) std::this_thread::sleep_for(std::chrono::duration<double>(CommandPauseSeconds));
  return Seconds(TClock::now() - start) / Samples;
}

// Runs one command between the host's marks; `label` names it in the trace and the summary.
TOutcome Marked(const std::string& dev, const std::string& port, const std::string& label, TCommand command,
                TSpedV4Device& profile, double* pause = nullptr) {
  if (pause) *pause = MeasuredPause();
  Say("frames " + dev + " " + label + " " + Hex(ExpectedFrames(command, profile)));
  Sync("begin " + dev + " " + label);
  TOutcome out = RunCommand(port, command, profile);
  Sync("end " + dev + " " + label);
  return out;
}

void CheckThreads(const std::string& dev, const std::string& label, const TOutcome& out) {
  Check(
      dev, label + "-threads", out.ThreadsAfter == out.ThreadsBefore,
      std::to_string(out.ThreadsAfter) + " threads after Close, " + std::to_string(out.ThreadsBefore) + " before Open");
}

// A command on a plugged-in adapter: connected, its result true, its time near the floor of the
// 40 ms pauses, Close prompt and the event thread gone.
void CheckNormal(const std::string& dev, const std::string& label, TCommand command, TSpedV4Device& profile,
                 const std::string& port) {
  double pause = CommandPauseSeconds;
  const TOutcome out = Marked(dev, port, label, command, profile, command == TCommand::cmTest ? nullptr : &pause);
  Check(dev, label + "-open", out.Opened, out.OpenError.empty() ? "opened" : out.OpenError);
  if (!out.Opened) return;
  Check(dev, label + "-probe", out.Connected, out.Connected ? "ESC connected" : "ESC not connected");
  Check(dev, label + "-result", out.Result, out.Result ? "true" : "false");
  if (command != TCommand::cmTest) {
    const double taken = Seconds(out.TransferEnd - out.ProbeStart);
    const double floor = RegisterCommands(command) * CommandPauseSeconds;
    const double ratio = taken / (RegisterCommands(command) * pause);
    Check(dev, label + "-ratio", ratio <= RatioLimit,
          Fixed(ratio, 3) + " of " + std::to_string(RegisterCommands(command)) + " pauses of " +
              Fixed(pause * 1000, 2) + " ms (" + Fixed(taken / floor, 3) + " of 40 ms each)");
    Result(dev, label + "-ratio", Fixed(ratio, 3) + " " + Fixed(taken / floor, 3) + " " + Fixed(pause * 1000, 2));
  }
  CheckThreads(dev, label, out);
}

void CheckListing(const std::string& expected) {
  std::vector<std::string> ports;
  Sync("begin all list");
  EnumComPorts(&ports);
  Sync("end all list");
  std::string listed;
  for (const auto& p : ports) listed += (listed.empty() ? "" : ",") + p;
  Result("all", "ports", listed);
  Check("all", "listing", listed == expected, "listed " + listed + ", expected " + expected);
  // The kernel keeps nodes for UARTs that are not fitted; one of them must exist for the check to mean anything.
  Check("all", "listing-no-uart",
        std::find(ports.begin(), ports.end(), "/dev/ttyS3") == ports.end() && WaitForNode("/dev/ttyS3", true, 0ms),
        "/dev/ttyS3 (no UART) exists and is not listed");
}

void RunBasics(const std::string& dev, const std::string& port, const TSpedV4Device& written) {
  TSpedV4Device profile;
  profile.Assign(written);
  CheckNormal(dev, "test", TCommand::cmTest, profile, port);
  CheckNormal(dev, "write", TCommand::cmWrite, profile, port);
  Sync("regs " + dev + " " + RegisterPairs(written));
  profile.Clear();
  CheckNormal(dev, "read", TCommand::cmRead, profile, port);
  Check(dev, "read-profile", SameProfile(profile, written), "the Read gave the written profile back");
}

// A command during which the host unplugs the adapter: it must end within a second with its
// failure, without spinning on the dead port, and close it.
void RunUnplugged(const std::string& dev, const std::string& port, TCommand command, TSpedV4Device& profile) {
  const std::string label = std::string(Name(command)) + "-unplug";
  TSpedV4Device before;
  before.Assign(profile);
  TNodeRemovalWatch watch(port);
  const TOutcome out = Marked(dev, port, label, command, profile);
  watch.Stop();
  Check(dev, label + "-probe", out.Connected, "the adapter was there at the start");
  Check(dev, label + "-seen", watch.Seen(), "the adapter's node went away during the command");
  if (!watch.Seen() || !out.Connected) return;
  Check(
      dev, label + "-result", !out.Result,
      std::string(command == TCommand::cmRead ? "LoadFromDevice " : "SaveToDevice ") + (out.Result ? "true" : "false"));
  if (command == TCommand::cmRead)
    Check(dev, label + "-profile", SameProfile(profile, before), "the profile is unchanged");
  const double returned = Seconds(out.TransferEnd - watch.When());
  const double closed = Seconds(out.CloseEnd - watch.When());
  const double cpu = out.CpuAtCloseEnd - watch.CpuAtRemoval();
  Check(dev, label + "-return", out.CloseEnd - watch.When() <= UnplugReturnLimit,
        "returned " + Fixed(returned, 3) + " s after the node went, closed after " + Fixed(closed, 3) + " s");
  Check(dev, label + "-cpu", cpu <= IdleCpuShare * closed + IdleCpuSlackSeconds,
        Fixed(cpu * 1000, 1) + " ms CPU over " + Fixed(closed * 1000, 1) + " ms");
  CheckThreads(dev, label, out);
  Result(dev, label + "-return", Fixed(returned, 3) + " " + Fixed(closed, 3));
  Result(dev, label + "-cpu", Fixed(cpu * 1000, 1) + " " + Fixed(closed * 1000, 1));
}

// After a re-plug the adapter must come back under its old name.
void Replug(const std::string& dev, const std::string& port, const std::string& label) {
  Sync("replug " + dev);
  const bool back = WaitForNode(port, true, 5s);
  std::vector<std::string> ports;
  EnumComPorts(&ports);
  std::string usb;
  for (const auto& p : ports)
    if (p.find("ttyUSB") != std::string::npos) usb += (usb.empty() ? "" : ",") + p;
  Result(dev, label + "-replug", usb.empty() ? "none" : usb);
  Check(dev, label + "-replug", back && usb == port, "back as " + (usb.empty() ? std::string("nothing") : usb));
}

void RunUsbUnplugs(const std::string& dev, const std::string& port, const TSpedV4Device& first,
                   const TSpedV4Device& second) {
  TSpedV4Device profile;
  profile.Clear();
  RunUnplugged(dev, port, TCommand::cmRead, profile);
  Replug(dev, port, "read-unplug");
  CheckNormal(dev, "read-replugged", TCommand::cmRead, profile, port);
  Check(dev, "read-replugged-profile", SameProfile(profile, first), "the Read gave the written profile back");

  profile.Assign(second);
  RunUnplugged(dev, port, TCommand::cmWrite, profile);
  Replug(dev, port, "write-unplug");
  CheckNormal(dev, "write-replugged", TCommand::cmWrite, profile, port);
  Sync("regs " + dev + " " + RegisterPairs(second));

  Sync("unplug " + dev);
  const bool gone = WaitForNode(port, false, 3s);
  const TOutcome out = RunCommand(port, TCommand::cmTest, profile);
  const std::string expected = std::strerror(ENOENT);
  Check(dev, "open-unplugged", gone && !out.Opened && out.OpenError.find(expected) != std::string::npos,
        out.Opened ? std::string("opened") : "Open raised \"" + out.OpenError + "\"");
}

// --uart PATH --usb PATH --ports P1,P2,...: the devices and the ports the listing must give.
bool ParseArgs(int argc, char** argv, std::string& uart, std::string& usb, std::string& ports) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string opt = argv[i];
    (opt == "--uart" ? uart : opt == "--usb" ? usb : ports) = argv[i + 1];
  }
  return !uart.empty() && !usb.empty() && !ports.empty();
}

}  // namespace

int main(int argc, char** argv) {
  std::string uart, usb, ports;
  if (!ParseArgs(argc, argv, uart, usb, ports)) {
    std::cerr << "usage: hw_guest --uart PATH --usb PATH --ports P1,P2,...\n";
    return 2;
  }
  TSpedV4Device first, second;
  MakeProfile(first, 0, 13);
  MakeProfile(second, 7, 6);
  CheckListing(ports);
  RunBasics("uart", uart, first);
  RunBasics("usb", usb, first);
  RunUsbUnplugs("usb", usb, first, second);
  Say("done " + std::to_string(Failures) + " failed checks");
  return Failures == 0 ? 0 : 1;
}
