// The connection check's findings over made-up /dev, /sys and /proc trees, and the real cases: a
// port without permission for an ordinary user, and a port another program holds open without a
// lock, which the listing leaves out and Open refuses naming that program.
#include "ComPort.h"
#include "ConnectionCheck.h"
#include "IdlePty.h"
#include "Privileges.h"
#include "SystemView.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

namespace fs = std::filesystem;

namespace {

constexpr gid_t Dialout = 4242;

// Made-up trees under one folder, removed at the end; the port is a link to a pseudo-terminal.
struct TTrees {
  TTrees() : Root(fs::temp_directory_path() / ("check-" + std::to_string(::getpid()))) {
    fs::remove_all(Root);
    for (const char* d : {"dev", "sys/class/tty", "sys/bus/usb/devices", "proc", "rules"})
      fs::create_directories(Root / d);
    In.DevDir = (Root / "dev").string();
    In.SysDir = (Root / "sys").string();
    In.ProcDir = (Root / "proc").string();
    In.UdevRulesDirs = {(Root / "rules").string()};
    In.Uid = 1000;
    In.UserName = "anna";
    In.PrimaryGid = 1000;
    In.SessionGroups = {1000};
    In.Self = 1;
    In.Group = [this](gid_t gid) -> std::optional<TGroupEntry> {
      if (gid != Dialout) return std::nullopt;
      return TGroupEntry{"dialout", DialoutMembers};
    };
  }
  ~TTrees() { fs::remove_all(Root); }
  std::string Port() {
    fs::create_symlink(Pty.SlavePath, Root / "dev/ttyUSB0");
    return (Root / "dev/ttyUSB0").string();
  }
  void Write(const fs::path& file, const std::string& text) {
    fs::create_directories((Root / file).parent_path());
    std::ofstream(Root / file) << text << "\n";
  }
  void Process(int pid, const std::string& name, const std::string& openFile = {}) {
    Write("proc/" + std::to_string(pid) + "/comm", name);
    fs::create_directories(Root / ("proc/" + std::to_string(pid) + "/fd"));
    if (!openFile.empty()) fs::create_symlink(openFile, Root / ("proc/" + std::to_string(pid) + "/fd/3"));
  }
  void Chip(const std::string& vendor, const std::string& product, const std::string& driver) {
    Write("sys/bus/usb/devices/1-1/idVendor", vendor);
    Write("sys/bus/usb/devices/1-1/idProduct", product);
    fs::create_directories(Root / "sys/bus/usb/devices/1-1:1.0");
    if (!driver.empty()) fs::create_symlink("../../drivers/" + driver, Root / "sys/bus/usb/devices/1-1:1.0/driver");
  }

  fs::path Root;
  TIdlePty Pty;
  TCheckInput In;
  std::vector<std::string> DialoutMembers;
};

struct TCase {
  const char* Name;
  std::function<std::vector<TFinding>(TTrees&)> Run;
  TFindingKind Kind;
  std::string Says;     // part of the text
  std::string Command;  // one of the commands, or empty
};

std::vector<TFinding> OwnedByDialout(TTrees& t) {
  const std::string port = t.Port();
  if (::chown(t.Pty.SlavePath.c_str(), 0, Dialout) != 0 || ::chmod(t.Pty.SlavePath.c_str(), 0660) != 0) return {};
  return CheckPort(port, t.In);
}

std::vector<TFinding> Reply(std::array<uint8_t, 3> reply, int count, bool connected) {
  return {CheckReply("/dev/ttyUSB0", reply, count, connected, TCheckInput{})};
}

const TCase Cases[] = {
    {"no port, brltty takes the chip",
     [](TTrees& t) {
       t.Chip("1a86", "7523", "usbfs");
       t.Process(812, "brltty");
       t.Write("rules/85-brltty.rules", "ENV{PRODUCT}==\"1a86/7523/*\", ENV{BRLTTY_BRAILLE_DRIVER}=\"bm\"");
       return CheckMachine(t.In);
     },
     fkNoPort,
     "CH340/CH341 (1a86:7523) is plugged in but has no port: the braille display service brltty (process 812) takes it "
     "over",
     "sudo ln -s /dev/null /etc/udev/rules.d/85-brltty.rules"},
    {"no port, no driver",
     [](TTrees& t) {
       t.Chip("10c4", "ea60", "");
       return CheckMachine(t.In);
     },
     fkNoPort, "no driver has taken it", "sudo modprobe cp210x"},
    {"no port at all", [](TTrees& t) { return CheckMachine(t.In); }, fkNoPort, "no USB serial adapter is plugged in",
     ""},
    {"not in the group", OwnedByDialout, fkNoPermission, "the user \"anna\" is not a member",
     "sudo usermod -aG dialout $USER"},
    {"in the group database, not in this session",
     [](TTrees& t) {
       t.DialoutMembers = {"anna"};
       return OwnedByDialout(t);
     },
     fkNoPermission, "this login session started before that", ""},
    {"busy",
     [](TTrees& t) {
       t.In.Uid = 0;
       t.Process(4321, "minicom", t.Port());
       return CheckPort(t.Root / "dev/ttyUSB0", t.In);
     },
     fkBusy, "in use by another program: minicom (process 4321)", ""},
    {"busy with ModemManager",
     [](TTrees& t) {
       t.In.Uid = 0;
       t.Process(600, "ModemManager", t.Port());
       return CheckPort(t.Root / "dev/ttyUSB0", t.In);
     },
     fkBusy, "ModemManager (process 600) has", "sudo systemctl disable --now ModemManager"},
    {"gone", [](TTrees& t) { return CheckPort((t.Root / "dev/ttyUSB3").string(), t.In); }, fkGone,
     "is not there any more", ""},
    {"loop-back",
     [](TTrees&) {
       return Reply({'r', 20, 0}, 2, false);
     },
     fkLoopBack, "comes straight back", ""},
    {"silent",
     [](TTrees&) {
       return Reply({0, 0, 0}, 0, false);
     },
     fkSilent, "Nothing comes back", ""},
    {"garbled",
     [](TTrees&) {
       return Reply({'A', 'B', 'C'}, 3, false);
     },
     fkGarbled, "(41 42 43)", ""},
    {"connected",
     [](TTrees&) {
       return Reply({'r', 20, 170}, 3, true);
     },
     fkConnected, "The controller answers", ""},
};

TEST(ConnectionCheck, EachFindingFromWhatTheSystemShows) {
  if (::geteuid() != 0) GTEST_SKIP() << "the made-up port's group can only be set as root";
  for (const TCase& c : Cases) {
    SCOPED_TRACE(c.Name);
    TTrees trees;
    const auto findings = c.Run(trees);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].Kind, c.Kind);
    EXPECT_NE(findings[0].Text.find(c.Says), std::string::npos) << findings[0].Text;
    if (!c.Command.empty()) {
      EXPECT_NE(std::find(findings[0].Commands.begin(), findings[0].Commands.end(), c.Command),
                findings[0].Commands.end());
    }
  }
}

TEST(ConnectionCheck, AccessFromTheDesktopAccessList) {
  struct stat node {};
  node.st_mode = S_IFCHR | 0660;
  node.st_uid = 0;
  node.st_gid = Dialout;
  const auto acl = [](uint16_t userPerm, uint16_t mask) {
    std::string b = {2, 0, 0, 0};
    auto entry = [&](uint16_t tag, uint16_t perm, uint32_t id) {
      for (uint32_t v : {uint32_t(tag) | uint32_t(perm) << 16, id})
        for (int i = 0; i < 4; ++i) b += char(v >> (8 * i));
    };
    entry(TAclEntry::atUserObj, 6, ~0u);
    entry(TAclEntry::atUser, userPerm, 1000);
    entry(TAclEntry::atGroupObj, 6, ~0u);
    entry(TAclEntry::atMask, mask, ~0u);
    entry(TAclEntry::atOther, 0, ~0u);
    return ParseAcl(b);
  };
  EXPECT_EQ(AccessWay(node, acl(6, 6), 1000, {1000}), awAcl);
  EXPECT_EQ(AccessWay(node, acl(6, 4), 1000, {1000}), awNone);  // the mask takes write away
  EXPECT_EQ(AccessWay(node, acl(6, 6), 1001, {Dialout}), awGroup);
  EXPECT_EQ(AccessWay(node, {}, 1000, {1000}), awNone);
  EXPECT_EQ(AccessWay(node, {}, 0, {}), awRoot);
  EXPECT_TRUE(ParseAcl(std::string("\x02\0\0\0\x01", 5)).empty());
}

TEST(ConnectionCheck, RealPortWithoutPermission) {
  TIdlePty pty;
  ASSERT_FALSE(pty.SlavePath.empty());
  const group* dialout = ::getgrnam("dialout");
  if (::geteuid() != 0 || !dialout) GTEST_SKIP() << "needs root and a dialout group";
  ASSERT_EQ(::chown(pty.SlavePath.c_str(), 0, dialout->gr_gid), 0);
  ASSERT_EQ(::chmod(pty.SlavePath.c_str(), 0660), 0);
  const TChildResult r = RunInChild([&] {
    if (!DropToUnprivilegedUser()) return std::string("no-drop");
    const auto findings = CheckPort(pty.SlavePath, SystemCheckInput());
    TComPort port;
    port.SetPort(pty.SlavePath);
    try {
      port.Open();
    } catch (const EComError& e) {
      return (findings.size() == 1 && findings[0].Kind == fkNoPermission ? findings[0].Text : "") + "\n" + e.what();
    }
    return std::string("opened");
  });
  if (r.Text == "no-drop") GTEST_SKIP() << "cannot act as an ordinary user here";
  ASSERT_TRUE(r.Exited) << r.Text;
  EXPECT_NE(r.Text.find("it belongs to the group \"dialout\", and the user \"nobody\" is not a member"),
            std::string::npos)
      << r.Text;
  EXPECT_NE(r.Text.find("Permission denied"), std::string::npos) << r.Text;
}

TEST(ConnectionCheck, ProgramHoldingThePortWithoutLock) {
  TIdlePty pty;
  ASSERT_FALSE(pty.SlavePath.empty());
  // A program that has the port open and takes no lock, as a terminal program may.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 3, pty.SlavePath.c_str(), O_RDWR | O_NOCTTY, 0);
  pid_t holder = 0;
  char sleep[] = "sleep", seconds[] = "30";
  char* argv[] = {sleep, seconds, nullptr};
  ASSERT_EQ(::posix_spawnp(&holder, "sleep", &actions, nullptr, argv, environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  const std::string named = "sleep (process " + std::to_string(holder) + ")";
  // Wait until it has the port open.
  bool holding = false;
  for (int i = 0; i < 2000 && !(holding = !OtherHolders(PortHolders(pty.SlavePath), ::getpid()).empty()); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_TRUE(holding) << "the program never opened the port";

  const auto findings = CheckPort(pty.SlavePath, SystemCheckInput());
  TComPort port;
  port.SetPort(pty.SlavePath);
  std::string message;
  try {
    port.Open();
  } catch (const EComError& e) {
    message = e.what();
  }
  const fs::path dev = fs::temp_directory_path() / ("held-" + std::to_string(::getpid()));
  fs::create_directories(dev);
  fs::create_symlink(pty.SlavePath, dev / "ttyUSB0");
  std::vector<std::string> listed;
  EnumComPorts(&listed, dev.string());
  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  std::vector<std::string> listedAfter;
  EnumComPorts(&listedAfter, dev.string());
  fs::remove_all(dev);

  ASSERT_EQ(findings.size(), 1u);
  EXPECT_EQ(findings[0].Kind, fkBusy);
  EXPECT_NE(findings[0].Text.find(named), std::string::npos) << findings[0].Text;
  EXPECT_EQ(message,
            "TCOMPORT : cannot open " + pty.SlavePath + "\rDevice or resource busy\rIt is held open by " + named + ".");
  EXPECT_FALSE(port.IsOpen());
  EXPECT_TRUE(listed.empty());
  EXPECT_EQ(listedAfter, std::vector<std::string>{(dev / "ttyUSB0").string()});
}

}  // namespace
