// esc-sim: a simulated V4 speed controller on a pseudo-terminal, for trying the editor without
// hardware. Prints the path of the port to open and answers until interrupted. It can also answer
// on a Unix-domain socket instead, such as the host end of a virtual machine's serial port.

#include "EscSimulator.h"
#include "RegisterMap.h"
#include "SpedV4Device.h"

#include <pthread.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

namespace {

const char* const Usage =
    "usage: esc-sim [options]\n"
    "Runs a simulated V4 speed controller on a pseudo-terminal and prints the path of its port.\n"
    "Stop it with Ctrl+C.\n"
    "\n"
    "  --connect PATH   answer on the Unix-domain socket PATH (e.g. the host end of a virtual\n"
    "                   machine's serial port) instead of a pseudo-terminal\n"
    "  --link NAME      also reach the port as NAME (a symbolic link, removed at the end); name it\n"
    "                   like a serial port in /dev, e.g. /dev/ttyUSB9, to see it in the editor's\n"
    "                   port list (needs the right to write to /dev)\n"
    "  --load FILE.spp  start with the profile of FILE.spp in the curve registers instead of the\n"
    "                   default profile\n"
    "  --dump FILE.spp  at the end, write the curve registers to FILE.spp as a profile\n"
    "  --silent         no controller attached: nothing is answered\n"
    "  --echo           a loop-back plug: every byte comes straight back\n"
    "  --corrupt REG    register REG (0..255) reads back a different value than was written\n"
    "  --stop-after N   answer N frames, then fall silent\n"
    "  --extra-byte     send one byte too many after every reply\n"
    "  --paced          answer no faster than a line at 19200 baud would carry the bytes\n"
    "  --verbose        print every frame on standard error\n"
    "On SIGUSR1 the register file is printed on standard output as one line: \"registers \" and\n"
    "256 two-digit hexadecimal values, register 0 first.\n"
    "  --help           print this text\n";

struct TArgs {
  TEscSimulator::TOptions Sim;
  std::string Link, Load, Dump, Connect;
  bool Verbose = false;
};

bool ParseNumber(const char* text, long low, long high, long& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtol(text, &end, 10);
  return errno == 0 && end != text && *end == '\0' && value >= low && value <= high;
}

// Returns the exit status to end with at once, or nothing to go on.
std::optional<int> ParseArgs(int argc, char** argv, TArgs& args) {
  for (int i = 1; i < argc; ++i) {
    const std::string opt = argv[i];
    const bool hasValue = i + 1 < argc;
    long n = 0;
    if (opt == "--help") {
      std::cout << Usage;
      return 0;
    } else if (opt == "--silent") {
      args.Sim.Silent = true;
    } else if (opt == "--echo") {
      args.Sim.Echo = true;
    } else if (opt == "--extra-byte") {
      args.Sim.ExtraByte = true;
    } else if (opt == "--paced") {
      args.Sim.LinePacing = true;
    } else if (opt == "--verbose") {
      args.Verbose = true;
    } else if (opt == "--corrupt" && hasValue && ParseNumber(argv[i + 1], 0, 255, n)) {
      args.Sim.CorruptRegister = static_cast<int>(n);
      ++i;
    } else if (opt == "--stop-after" && hasValue && ParseNumber(argv[i + 1], 0, LONG_MAX, n)) {
      args.Sim.StopAfter = n;
      ++i;
    } else if ((opt == "--link" || opt == "--load" || opt == "--dump" || opt == "--connect") && hasValue) {
      (opt == "--link"   ? args.Link
       : opt == "--load" ? args.Load
       : opt == "--dump" ? args.Dump
                         : args.Connect) = argv[++i];
    } else {
      std::cerr << "esc-sim: bad option or value: " << opt << "\n" << Usage;
      return 2;
    }
  }
  if (!args.Connect.empty() && !args.Link.empty()) {
    std::cerr << "esc-sim: --link names a pseudo-terminal; with --connect there is none\n";
    return 2;
  }
  return std::nullopt;
}

// Puts the profile of `file` into the curve registers the simulator starts with; without a file,
// the V4 default profile. Before the simulator answers: on a line that is already connected, a
// frame may come at once.
void LoadProfile(const std::string& file, TEscSimulator::TOptions& sim) {
  TSpedV4Device profile;
  profile.Clear();
  if (!file.empty() && profile.LoadFromFile(file) != 0) throw std::runtime_error(file + ": not a V4 profile");
  Transfer::ProfileToRegisters(profile, sim.Registers);
}

void DumpProfile(const std::string& file, const TEscSimulator& sim) {
  TSpedV4Device profile;
  profile.Clear();
  Transfer::RegistersToProfile(sim.Registers(), profile);
  profile.SaveToFile(file);
}

// The register file as one line of hexadecimal values, register 0 first.
void PrintRegisters(const TEscSimulator& sim) {
  std::string line = "registers ";
  char hex[3];
  for (uint8_t value : sim.Registers()) {
    std::snprintf(hex, sizeof hex, "%02x", value);
    line += hex;
  }
  std::cout << line << std::endl;
}

// A connected Unix-domain stream socket to `path`.
TFileHandle ConnectSocket(const std::string& path) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) throw std::runtime_error(path + ": socket path too long");
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  TFileHandle fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd.Valid() || ::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0)
    throw std::runtime_error("cannot connect to " + path + ": " + std::strerror(errno));
  return fd;
}

// A symbolic link to the port that exists as long as this object does. An existing file of that
// name is never replaced.
class TPortLink {
 public:
  TPortLink(std::string name, const std::string& target) : FName(std::move(name)), FTarget(target) {
    if (::symlink(target.c_str(), FName.c_str()) != 0)
      throw std::runtime_error("cannot create " + FName + ": " + std::strerror(errno));
  }
  ~TPortLink() {
    char buf[256];
    const ssize_t n = ::readlink(FName.c_str(), buf, sizeof buf);
    if (n > 0 && std::string(buf, static_cast<size_t>(n)) == FTarget) ::unlink(FName.c_str());
  }
  TPortLink(const TPortLink&) = delete;
  TPortLink& operator=(const TPortLink&) = delete;

 private:
  std::string FName, FTarget;
};

// Started with sudo, hand the port to the user who asked, so that the editor run by that user
// can open it.
void GiveToSudoUser(const std::string& path) {
  const char* uid = std::getenv("SUDO_UID");
  const char* gid = std::getenv("SUDO_GID");
  if (::geteuid() == 0 && uid && gid)
    if (::chown(path.c_str(), static_cast<uid_t>(std::atol(uid)), static_cast<gid_t>(std::atol(gid))) != 0)
      std::cerr << "esc-sim: cannot hand " << path << " to the sudo user: " << std::strerror(errno) << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  TArgs args;
  if (auto status = ParseArgs(argc, argv, args)) return *status;
  if (args.Verbose)
    args.Sim.OnFrame = [](char command, uint8_t reg, uint8_t value, bool answered) {
      std::fprintf(stderr, "%c %3u %3u%s\n", command, reg, value, answered ? "" : "  (not answered)");
    };
  // Ctrl+C and termination are taken by sigwait below; every thread started later inherits the mask.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGHUP);
  sigaddset(&stopSignals, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  try {
    LoadProfile(args.Load, args.Sim);
    std::optional<TEscSimulator> simHolder;
    if (args.Connect.empty())
      simHolder.emplace(args.Sim);
    else
      simHolder.emplace(ConnectSocket(args.Connect), args.Sim);
    TEscSimulator& sim = *simHolder;
    std::optional<TPortLink> link;
    if (args.Connect.empty()) {
      GiveToSudoUser(sim.SlavePath());
      if (!args.Link.empty()) link.emplace(args.Link, sim.SlavePath());
      std::cout << sim.SlavePath() << std::endl;
    }
    if (link) std::cerr << "esc-sim: port also reachable as " << args.Link << "\n";
    int sig = 0;
    while (sigwait(&stopSignals, &sig) == 0 && sig == SIGUSR1) PrintRegisters(sim);
    if (!args.Dump.empty()) {
      DumpProfile(args.Dump, sim);
      std::cerr << "esc-sim: profile written to " << args.Dump << "\n";
    }
  } catch (const std::exception& e) {
    std::cerr << "esc-sim: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
