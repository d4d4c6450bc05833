#include "ComPort.h"
#include "FileHandle.h"
#include "RegisterMap.h"
#include "SpedV4Device.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace Transfer;

extern char** environ;

namespace {

TEST(RegisterMap, CurveRegistersRunFromTheCentreOutwards) {
  TSpedV4Device profile;
  profile.Clear();
  for (int i = 0; i <= 95; ++i) profile.SetY(i, static_cast<uint8_t>(i + 100));
  profile.SetFrequencies(13, 2);
  TRegisterFile regs{};
  ProfileToRegisters(profile, regs);
  EXPECT_EQ(regs[1], 98);     // the forward frequency's code; the brake one is not sent
  EXPECT_EQ(regs[32], 131);   // entry 31
  EXPECT_EQ(regs[63], 100);   // entry 0
  EXPECT_EQ(regs[64], 132);   // entry 32
  EXPECT_EQ(regs[127], 195);  // entry 95
  EXPECT_EQ(regs[0], 0);
  EXPECT_EQ(regs[128], 0);

  TSpedV4Device back;
  back.Clear();
  RegistersToProfile(regs, back);
  for (int i = 0; i <= 95; ++i) EXPECT_EQ(back.GetY(i), i + 100) << "entry " << i;
  int fwd = -1, brk = -1;
  back.GetFrequencies(fwd, brk);
  EXPECT_EQ(fwd, 13);
  EXPECT_EQ(brk, 13);
}

TEST(RegisterMap, FrequencyCodeThatNamesNoFrequencyGivesTheFirst) {
  for (const auto& [code, index] : {std::pair{248, 6}, {62, 16}, {249, 0}, {0, 0}, {250, 0}}) {
    TRegisterFile regs{};
    regs[1] = static_cast<uint8_t>(code);
    TSpedV4Device profile;
    profile.Clear();
    RegistersToProfile(regs, profile);
    int fwd = -1, brk = -1;
    profile.GetFrequencies(fwd, brk);
    EXPECT_EQ(fwd, index) << code;
    EXPECT_EQ(brk, index) << code;
  }
}

TEST(RegisterMap, ReadProfileIsFittedWithItsDeadband) {
  TSpedV4Device profile;
  profile.Clear();  // the default: a deadband and a few breakpoints
  TRegisterFile regs{};
  ProfileToRegisters(profile, regs);
  TSpedV4Device back;
  back.Clear();
  back.SetDeadband(3);
  RegistersToProfile(regs, back);
  EXPECT_EQ(back.GetDeadband(), profile.GetDeadband());
  int breakpoints = 0;
  for (int i = 0; i <= 95; ++i) {
    EXPECT_LE(std::abs(back.GetY(i) - profile.GetY(i)), 1) << "entry " << i;  // the fit's tolerance
    breakpoints += back.IsBreakpoint(i) ? 1 : 0;
  }
  EXPECT_LT(breakpoints, 20);  // fitted, not one breakpoint per entry
}

// Runs the esc-sim program with `args`; its first output line is the port's path.
class TSimProcess {
 public:
  explicit TSimProcess(std::vector<std::string> args) {
    int out[2];
    if (::pipe(out) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    args.insert(args.begin(), ESC_SIM_PATH);
    // Empty unless the tests run under an emulator (a cross build), which then runs esc-sim too.
    if (const std::string emulator = ESC_SIM_EMULATOR; !emulator.empty())
      args.insert(args.begin(), emulator);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int rc = posix_spawnp(&FPid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    FOut = ::fdopen(out[0], "r");
    if (rc != 0) FPid = -1;
  }
  ~TSimProcess() {
    if (FPid > 0) {
      ::kill(FPid, SIGKILL);
      ::waitpid(FPid, nullptr, 0);
    }
    if (FOut) std::fclose(FOut);
  }
  // The next line of its output.
  std::string FirstLine() {
    std::string s;
    char part[256];
    while (std::fgets(part, sizeof part, FOut)) {
      s += part;
      if (s.back() == '\n') {
        s.pop_back();
        break;
      }
    }
    return s;
  }
  pid_t Pid() const { return FPid; }
  // Sends `sig` and returns the exit status.
  int Stop(int sig) {
    ::kill(FPid, sig);
    int status = 0;
    ::waitpid(FPid, &status, 0);
    FPid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t FPid = -1;
  FILE* FOut = nullptr;
};

class EscSimProgram : public ::testing::Test {
 protected:
  EscSimProgram() {
    dir = fs::temp_directory_path() / ("esc-sim-" + std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  ~EscSimProgram() override { fs::remove_all(dir); }
  fs::path dir;
};

TEST_F(EscSimProgram, LoadsAnswersAndDumpsOnTermination) {
  TSpedV4Device source;
  source.Clear();
  source.SetY(40, 77);
  source.SetFrequencies(8, 8);
  const auto in = (dir / "in.spp").string(), out = (dir / "out.spp").string();
  const auto link = (dir / "ttyUSB9").string();
  source.SaveToFile(in);

  TSimProcess sim({"--load", in, "--dump", out, "--link", link});
  const std::string path = sim.FirstLine();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(fs::read_symlink(link).string(), path);
  {
    TComPort port;
    port.SetPort(link);
    port.Open();
    uint8_t value = 0;
    port.ReadRegister(1, value);
    EXPECT_EQ(value, 200);  // "5.0k"
    port.ReadRegister(72, value);
    EXPECT_EQ(value, 77);        // entry 40
    port.WriteRegister(64, 33);  // entry 32
    EXPECT_TRUE(port.LastReplyComplete());
  }
  EXPECT_EQ(sim.Stop(SIGTERM), 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));

  TSpedV4Device dumped;
  ASSERT_EQ(dumped.LoadFromFile(out), 0);
  EXPECT_EQ(dumped.GetY(32), 33);
  EXPECT_EQ(dumped.GetY(40), 77);
  int fwd = -1, brk = -1;
  dumped.GetFrequencies(fwd, brk);
  EXPECT_EQ(fwd, 8);
}

// The host end of a virtual machine's serial port: a listening socket the simulator connects to.
TEST_F(EscSimProgram, AnswersOnASocketAndPrintsItsRegistersOnRequest) {
  const auto path = (dir / "line.sock").string();
  TFileHandle listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
  ASSERT_EQ(::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(::listen(listener.Get(), 1), 0);

  TSimProcess sim({"--connect", path});
  pollfd waiting{listener.Get(), POLLIN, 0};
  ASSERT_EQ(::poll(&waiting, 1, 5000), 1) << "esc-sim did not connect";
  TFileHandle line(::accept(listener.Get(), nullptr, nullptr));
  ASSERT_TRUE(line.Valid());
  const uint8_t frame[] = {'w', 5, 0x2a, 'r', 5};
  ASSERT_EQ(::write(line.Get(), frame, sizeof frame), static_cast<ssize_t>(sizeof frame));
  std::string reply;
  char buf[6];
  ssize_t n = 0;
  while (reply.size() < sizeof buf && (n = ::read(line.Get(), buf, sizeof buf - reply.size())) > 0)
    reply.append(buf, static_cast<size_t>(n));
  EXPECT_EQ(reply, std::string("w\x05\x2ar\x05\x2a", 6));

  ::kill(sim.Pid(), SIGUSR1);
  const std::string regs = sim.FirstLine();
  ASSERT_EQ(regs.size(), std::string("registers ").size() + 512);
  EXPECT_EQ(regs.substr(10 + 2 * 5, 2), "2a");
  EXPECT_EQ(sim.Stop(SIGTERM), 0);
}

TEST_F(EscSimProgram, NeverReplacesAnExistingFile) {
  const auto taken = dir / "ttyUSB0";
  { std::ofstream(taken) << "keep"; }
  TSimProcess sim({"--link", taken.string()});
  EXPECT_EQ(sim.FirstLine(), "");
  EXPECT_EQ(sim.Stop(0), 1);
  EXPECT_TRUE(fs::is_regular_file(taken));
}

}  // namespace
