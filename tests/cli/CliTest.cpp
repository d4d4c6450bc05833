// torvanic-cli as a user or a script meets it: the program is started with its arguments, its
// port is a pseudo-terminal with the simulated controller behind it, and what counts is the exit
// status, what it printed, the frames the controller received and the files left behind.
#include "EscSimulator.h"
#include "RegisterMap.h"
#include "SpedV4Device.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <functional>
#include <mutex>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct TResult {
  int Status = -1;
  std::string Out, Err;
};

// Starts torvanic-cli with `args`, its output going to files in `dir`; at the simulator's pace
// unless the test is about the real timing.
pid_t Start(const TTempDir& dir, std::vector<std::string> args, bool simulatorPace = true) {
  args.insert(args.begin(), TORVANIC_CLI_PATH);
  // Empty unless the tests run under an emulator (a cross build), which then runs the program too.
  if (const std::string emulator = TORVANIC_CLI_EMULATOR; !emulator.empty())
    args.insert(args.begin(), emulator);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, dir.File("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, dir.File("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char*> env;
  for (char** e = environ; *e; ++e) env.push_back(*e);
  std::string pace = "TORVANIC_CLI_SIMULATOR_PACE=1";
  if (simulatorPace) env.push_back(pace.data());
  env.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), env.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

TResult Finish(const TTempDir& dir, pid_t pid) {
  TResult r;
  int status = 0;
  if (pid > 0 && ::waitpid(pid, &status, 0) == pid)
    r.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
  r.Out = TTempDir::Read(dir.File("out"));
  r.Err = TTempDir::Read(dir.File("err"));
  return r;
}

// The profile the tests write: not the default, with a frequency whose code is not the default's.
struct TGoodProfile : TSpedV4Device {
  TGoodProfile() {
    Clear();
    SetY(20, 200);
    SetY(80, 17);
    SetFrequencies(13, 13);
  }
};

Transfer::TRegisterFile RegistersOf(const TSpedV4Device& profile) {
  Transfer::TRegisterFile regs{};
  Transfer::ProfileToRegisters(profile, regs);
  return regs;
}

// Puts `profile` into the simulator's curve and frequency registers.
void Load(TEscSimulator& sim, const TSpedV4Device& profile) {
  const auto regs = RegistersOf(profile);
  for (int r = 0; r < 256; ++r) sim.SetRegister(static_cast<uint8_t>(r), regs[r]);
}

TEscSimulator::TOptions Opt(std::function<void(TEscSimulator::TOptions&)> set) {
  TEscSimulator::TOptions o;
  set(o);
  return o;
}

struct TCase {
  const char* Name;
  std::vector<std::string> Args;  // "@port", "@port2" and "@dir/NAME" are filled in
  int Status;
  std::string Out, Err;          // expected within standard output and standard error
  long Frames = 0, Frames2 = 0;  // frames each simulator received
  TEscSimulator::TOptions Sim = {}, Sim2 = {};
  std::function<void(TEscSimulator&, const TTempDir&)> Check = {};  // what must hold afterwards
};

void PrintTo(const TCase& c, std::ostream* os) { *os << c.Name; }

class CliCommands : public ::testing::TestWithParam<TCase> {};

TEST_P(CliCommands, StatusOutputAndFrames) {
  const TCase& c = GetParam();
  TTempDir dir;
  TGoodProfile good;
  good.SaveToFile(dir.File("good.spp"));
  TTempDir::Write(dir.File("exists.spp"), "kept");
  TTempDir::Write(dir.File("bad.spp"), "[Settings]\r\nthis is no profile\r\n");
  std::filesystem::create_directory(dir.File("folder.spp"));
  TEscSimulator sim(c.Sim), sim2(c.Sim2);
  auto fill = [&](std::string text) {
    for (auto [key, value] :
         {std::pair{"@port2", sim2.SlavePath()}, {"@port", sim.SlavePath()}, {"@dir", dir.Path().string()}})
      for (size_t at; (at = text.find(key)) != std::string::npos;)
        text.replace(at, std::string_view(key).size(), value);
    return text;
  };
  std::vector<std::string> args;
  for (const auto& a : c.Args) args.push_back(fill(a));

  const TResult r = Finish(dir, Start(dir, args));
  EXPECT_EQ(r.Status, c.Status) << r.Err;
  EXPECT_NE(r.Out.find(fill(c.Out)), std::string::npos) << r.Out;
  EXPECT_NE(r.Err.find(fill(c.Err)), std::string::npos) << r.Err;
  EXPECT_EQ(sim.FrameCount(), c.Frames);
  EXPECT_EQ(sim2.FrameCount(), c.Frames2);
  if (c.Check) c.Check(sim, dir);
}

void HoldsGood(TEscSimulator& sim, const TTempDir&) {
  const auto want = RegistersOf(TGoodProfile());
  for (int r : {1, 32, 63, 64, 127}) EXPECT_EQ(sim.Register(static_cast<uint8_t>(r)), want[r]) << r;
  for (int entry : Transfer::TransferOrder()) {
    const auto reg = static_cast<uint8_t>(Transfer::CurveRegister(entry));
    EXPECT_EQ(sim.Register(reg), want[reg]) << entry;
  }
}

// The bytes the editor's Read followed by Save would give for the controller's registers.
void ReadAsTheEditorSaves(TEscSimulator& sim, const TTempDir& dir) {
  TSpedV4Device profile;
  profile.Clear();
  Transfer::RegistersToProfile(sim.Registers(), profile);
  EXPECT_EQ(TTempDir::Read(dir.File("new.spp")), profile.SaveToText());
}

void NoNewFile(TEscSimulator&, const TTempDir& dir) { EXPECT_FALSE(std::filesystem::exists(dir.File("new.spp"))); }
void ExistingKept(TEscSimulator&, const TTempDir& dir) { EXPECT_EQ(TTempDir::Read(dir.File("exists.spp")), "kept"); }

const auto Silent = Opt([](auto& o) { o.Silent = true; });

INSTANTIATE_TEST_SUITE_P(
    Table, CliCommands,
    ::testing::Values(
        TCase{"Version", {"--version"}, 0, "torvanic-cli " TORVANIC_VERSION, ""},
        TCase{"NoCommand", {}, 2, "", "no command given"},
        TCase{"UnknownCommand", {"flash", "@port"}, 2, "", "unknown command: flash"},
        TCase{"MissingArgument", {"read", "@port"}, 2, "", "usage: torvanic-cli read PORT FILE.spp"},
        TCase{"UnknownOption", {"test", "@port", "--force"}, 2, "", "unknown option --force"},
        TCase{"CommandHelp", {"write", "--help"}, 0, "--keep-going", ""},
        TCase{"TestConnected", {"test", "@port"}, 0, "ESC connected", "", 2},
        TCase{"TestSilent", {"test", "@port"}, 1, "ESC not connected", "", 2, 0, Silent},
        TCase{"CheckConnected", {"check", "@port", "--json"}, 0, "\"kind\": \"connected\"", "", 2},
        TCase{"PortIsNoTerminal", {"test", "@dir/good.spp"}, 3, "", "cannot open @dir/good.spp"},
        TCase{"PortMissing",
              {"write", "@dir/good.spp", "@dir/ttyUSB7"},
              3,
              "@dir/ttyUSB7: cannot be opened",
              "No such file"},
        TCase{"FileIsNoProfile",
              {"write", "@dir/bad.spp", "@port"},
              2,
              "",
              "Failed to load profile from file @dir/bad.spp"},
        TCase{
            "FileMissing", {"write", "@dir/none.spp", "@port"}, 2, "", "\"@dir/none.spp\": No such file or directory"},
        TCase{"FileIsAFolder", {"verify", "@dir/folder.spp", "@port"}, 2, "", "\"@dir/folder.spp\": Is a directory"},
        TCase{
            "RepeatTakesOnePort", {"write", "@dir/good.spp", "@port", "@port2", "--repeat"}, 2, "", "exactly one port"},
        TCase{"Write",
              {"write", "@dir/good.spp", "@port"},
              0,
              "@port: written and verified",
              "",
              195,
              0,
              {},
              {},
              HoldsGood},
        // A read-back that differs fails that port; --keep-going goes on to the next.
        TCase{"ReadBackFailsKeepGoing",
              {"write", "@dir/good.spp", "@port", "@port2", "--keep-going"},
              1,
              "@port: Download failed. Please check ESC connections.\n@port2: written and verified\n",
              "",
              195,
              195,
              Opt([](auto& o) { o.CorruptRegister = 70; })},
        // A controller that falls silent ends the Write at the first incomplete reply; no further port.
        TCase{"ControllerFallsSilent",
              {"write", "@dir/good.spp", "@port", "@port2"},
              1,
              "@port: Download failed. Please check ESC connections.",
              "",
              11,
              0,
              Opt([](auto& o) { o.StopAfter = 10; })},
        TCase{
            "WriteNotConnected", {"write", "@dir/good.spp", "@port"}, 1, "@port: ESC not connected", "", 2, 0, Silent},
        TCase{"Read",
              {"read", "@port", "@dir/new.spp"},
              0,
              "read into @dir/new.spp",
              "",
              99,
              0,
              {},
              {},
              ReadAsTheEditorSaves},
        TCase{"ReadKeepsExistingFile",
              {"read", "@port", "@dir/exists.spp"},
              2,
              "",
              "--force",
              0,
              0,
              {},
              {},
              ExistingKept},
        TCase{"ReadFailsWritesNothing",
              {"read", "@port", "@dir/new.spp"},
              1,
              "",
              "Upload failed",
              31,
              0,
              Opt([](auto& o) { o.StopAfter = 30; }),
              {},
              NoNewFile},
        TCase{"VerifyFindsDifferences",
              {"verify", "@dir/good.spp", "@port"},
              1,
              "frequency: file 10.0k, controller code 0",
              "",
              99},
        TCase{"DiffSame", {"diff", "@dir/good.spp", "@dir/good.spp"}, 0, "", ""},
        TCase{"Show",
              {"show", "@dir/good.spp", "--json"},
              0,
              "{\"entry\": 20, \"x\": 40, \"stick_percent\": -37.0, \"y\": 200",
              ""}),
    [](const auto& info) { return std::string(info.param.Name); });

// A verify of a controller that holds the file but for one entry names that entry and nothing else.
TEST(CliVerify, NamesTheEntryThatDiffers) {
  TTempDir dir;
  TGoodProfile good;
  good.SaveToFile(dir.File("good.spp"));
  TEscSimulator sim;
  Load(sim, good);
  sim.SetRegister(static_cast<uint8_t>(Transfer::CurveRegister(50)), 7);
  const TResult r = Finish(dir, Start(dir, {"verify", dir.File("good.spp"), sim.SlavePath(), "--json"}));
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Out.find("\"differences\": [{\"entry\": 50, \"file\": " + std::to_string(good.GetY(50)) +
                       ", \"controller\": 7}]"),
            std::string::npos)
      << r.Out;
}

// Ctrl+C or SIGTERM in the middle of a controller command: the register command under way
// finishes, nothing more is sent, and the program ends with 130 within a second, saying how far it
// got. On a silent controller the reply is not waited out.
TEST(CliInterrupt, StopsBetweenRegisterCommands) {
  struct TSignalCase {
    const char* Command;
    bool Silent;
    long SignalAtFrame;
    int Signal;
    const char* Says;
  };
  for (const TSignalCase c :
       {TSignalCase{"write", false, 20, SIGINT, "the controller holds part of the new profile; write it again"},
        TSignalCase{"write", true, 1, SIGTERM, "interrupted"},
        TSignalCase{"read", false, 12, SIGINT, "nothing was saved"}}) {
    SCOPED_TRACE(std::string(c.Command) + (c.Silent ? " silent" : ""));
    TTempDir dir;
    TGoodProfile().SaveToFile(dir.File("good.spp"));
    std::mutex m;
    std::condition_variable cv;
    long frames = 0;
    TEscSimulator::TOptions o;
    o.Silent = c.Silent;
    o.OnFrame = [&](char, uint8_t, uint8_t, bool) {
      std::lock_guard lock(m);
      ++frames;
      cv.notify_all();
    };
    TEscSimulator sim(o);
    const std::vector<std::string> args = std::string(c.Command) == "write"
                                              ? std::vector<std::string>{"write", dir.File("good.spp"), sim.SlavePath()}
                                              : std::vector<std::string>{"read", sim.SlavePath(), dir.File("new.spp")};
    const pid_t pid = Start(dir, args, false);  // the real 40 ms and reply waits of a command
    long atSignal = 0;
    {
      std::unique_lock lock(m);
      ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(20), [&] { return frames >= c.SignalAtFrame; }));
      ::kill(pid, c.Signal);
      atSignal = frames;
    }
    const auto signalled = Clock::now();
    const TResult r = Finish(dir, pid);
    EXPECT_LT(Clock::now() - signalled, std::chrono::seconds(1));
    EXPECT_EQ(r.Status, 130);
    EXPECT_NE(r.Err.find(c.Says), std::string::npos) << r.Err;
    // At most the command under way came after the signal, and none after the exit.
    EXPECT_LE(sim.FrameCount(), atSignal + 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("new.spp")));
    if (!c.Silent) {
      // "after N of 96 registers": the probe, the frequency (for a write) and N whole registers.
      const size_t at = r.Err.find("after ");
      ASSERT_NE(at, std::string::npos);
      const long n = std::stol(r.Err.substr(at + 6));
      const long perRegister = std::string(c.Command) == "write" ? 2 : 1;
      EXPECT_GE(sim.FrameCount(), 3 + perRegister * n);
      EXPECT_LE(sim.FrameCount(), 3 + perRegister * n + 1);
    }
  }
}

// --repeat: a controller is written and counted, then unplugged; the program waits for the next
// one until Ctrl+C.
TEST(CliRepeat, WritesEachControllerUntilInterrupted) {
  TTempDir dir;
  TGoodProfile().SaveToFile(dir.File("good.spp"));
  std::mutex m;
  std::condition_variable cv;
  long frames = 0;
  TEscSimulator::TOptions o;
  // The waiting probe (2 frames), the write with its own probe (195), one probe that still finds
  // it (2); then the adapter is pulled out.
  o.UnplugAfter = 199;
  o.OnFrame = [&](char, uint8_t, uint8_t, bool) {
    std::lock_guard lock(m);
    ++frames;
    cv.notify_all();
  };
  TEscSimulator sim(o);
  const pid_t pid = Start(dir, {"write", dir.File("good.spp"), sim.SlavePath(), "--repeat"});
  {
    std::unique_lock lock(m);
    ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(30), [&] { return frames >= 199; }));
  }
  ::kill(pid, SIGINT);
  const TResult r = Finish(dir, pid);
  EXPECT_EQ(r.Status, 130);
  EXPECT_EQ(r.Out, sim.SlavePath() + ": written and verified\ndone 1\n");
  HoldsGood(sim, dir);
}

// --repeat on an adapter whose controller is not there yet: the port is probed about once a
// second (each probe two frames), not once per two full reply waits (about 3 s) of a command.
TEST(CliRepeat, ProbesASilentPortAboutOnceASecond) {
  TTempDir dir;
  TGoodProfile().SaveToFile(dir.File("good.spp"));
  std::mutex m;
  std::condition_variable cv;
  std::vector<Clock::time_point> frames;
  TEscSimulator::TOptions o;
  o.Silent = true;
  o.OnFrame = [&](char, uint8_t, uint8_t, bool) {
    std::lock_guard lock(m);
    frames.push_back(Clock::now());
    cv.notify_all();
  };
  TEscSimulator sim(o);
  const pid_t pid = Start(dir, {"write", dir.File("good.spp"), sim.SlavePath(), "--repeat"}, false);
  bool secondProbe = false;
  {
    std::unique_lock lock(m);
    secondProbe = cv.wait_for(lock, std::chrono::milliseconds(2000), [&] { return frames.size() >= 3; });
  }
  ::kill(pid, SIGINT);
  const TResult r = Finish(dir, pid);
  EXPECT_EQ(r.Status, 130);
  ASSERT_TRUE(secondProbe) << "frames seen: " << frames.size();
  const auto between = std::chrono::duration_cast<std::chrono::milliseconds>(frames[2] - frames[0]);
  EXPECT_GE(between.count(), 900);
  EXPECT_LE(between.count(), 1300);
}

}  // namespace
