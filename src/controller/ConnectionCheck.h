#pragma once
// The connection check: why the controller on a port does not answer, in plain words, each
// finding with what to do and the commands for it. The checks are pure functions of what they are
// given: the /dev, /sys and /proc trees under the roots of TCheckInput, the group database, the
// process's groups, and the probe's reply bytes. None of them opens a port; the probe itself is
// Transfer::IsConnected, run by the caller.

#include <sys/stat.h>
#include <sys/types.h>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct TAclEntry;

enum TFindingKind {
  fkNoPort,        // no serial port at all (with what a USB serial chip without port tells)
  fkNoPermission,  // this user may not open the port
  fkBusy,          // another program has the port open
  fkGone,          // the port was unplugged or renamed
  fkLoopBack,      // what is sent comes straight back
  fkSilent,        // nothing comes back
  fkGarbled,       // bytes come back that are no controller's reply
  fkConnected,     // the controller answers
  fkOpenFailed,    // the port could not be opened for another reason
};

struct TFinding {
  TFindingKind Kind = fkNoPort;
  std::string Text;                   // what was found and what to do, in plain words
  std::vector<std::string> Commands;  // to run in a terminal, one a line, ready to copy
};

// One group of the group database.
struct TGroupEntry {
  std::string Name;
  std::vector<std::string> Members;  // user names listed in the group (not those whose own group it is)
};

// What the checks read.
struct TCheckInput {
  std::string DevDir = "/dev";
  std::string SysDir = "/sys";
  std::string ProcDir = "/proc";
  std::vector<std::string> UdevRulesDirs = {"/etc/udev/rules.d", "/run/udev/rules.d", "/usr/lib/udev/rules.d",
                                            "/lib/udev/rules.d"};
  uid_t Uid = 0;  // the user whose access counts (the effective one)
  std::string UserName;
  gid_t PrimaryGid = 0;                                    // the user's own group in the user database
  std::vector<gid_t> SessionGroups;                        // the groups this process runs with
  std::function<std::optional<TGroupEntry>(gid_t)> Group;  // the group database
  pid_t Self = 0;                                          // this process, which is no other holder
};

// The input for this process on this machine.
TCheckInput SystemCheckInput();

// How this user reaches a node, by its owner, group and mode bits and its access list.
enum TAccessWay { awRoot, awOwner, awAcl, awGroup, awOther, awNone };
TAccessWay AccessWay(const struct stat& node, const std::vector<TAclEntry>& acl, uid_t uid,
                     const std::vector<gid_t>& groups);

// What stands in the way of opening the port, seen without opening it: gone, no permission, busy.
// Empty when nothing does.
std::vector<TFinding> CheckPort(const std::string& path, const TCheckInput& in);

// With no port in the list: why not (no port at all, or the ports there cannot be opened).
std::vector<TFinding> CheckMachine(const TCheckInput& in);

// The port could not be opened for the probe: what the system shows now, or else the error.
std::vector<TFinding> CheckOpenFailure(const std::string& path, const std::string& message, const TCheckInput& in);

// What the connection probe saw: the three reply slots of its read command, how many bytes came,
// and whether the controller answered.
struct TProbeResult {
  std::array<uint8_t, 3> Reply{};
  int Count = 0;
  bool Connected = false;
};

// The whole check of one port: what stands in the way seen without opening it; when nothing does,
// `probe` opens the port and runs the connection probe (raising EComError when the port cannot be
// opened), and what its reply says, or why the open failed, is the finding.
std::vector<TFinding> CheckOnePort(const std::string& path, const TCheckInput& in,
                                   const std::function<TProbeResult()>& probe);

// What the probe's last reply says: the three reply slots of its read command, how many bytes came,
// and whether the probe found the controller.
TFinding CheckReply(const std::string& path, const std::array<uint8_t, 3>& reply, int count, bool connected,
                    const TCheckInput& in);
