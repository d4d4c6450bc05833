#include "ConnectionCheck.h"

#include "ComPort.h"
#include "RegisterMap.h"
#include "SystemView.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr uint16_t ReadWrite = 6;

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

std::string GroupName(gid_t gid, const TCheckInput& in) {
  const auto group = in.Group ? in.Group(gid) : std::nullopt;
  return group ? group->Name : std::to_string(gid);
}

bool InGroupDatabase(gid_t gid, const TCheckInput& in) {
  if (gid == in.PrimaryGid) return true;
  const auto group = in.Group ? in.Group(gid) : std::nullopt;
  return group && std::find(group->Members.begin(), group->Members.end(), in.UserName) != group->Members.end();
}

// The permission bits of the node's group class: the access list's mask when it has one.
uint16_t GroupClassBits(const struct stat& node, const std::vector<TAclEntry>& acl) {
  for (const auto& e : acl)
    if (e.Tag == TAclEntry::atGroupObj) return e.Perm;
  return (node.st_mode >> 3) & 7;
}

uint16_t Mask(const std::vector<TAclEntry>& acl) {
  for (const auto& e : acl)
    if (e.Tag == TAclEntry::atMask) return e.Perm;
  return 7;
}

// The access list names other users with read and write: udev gives the port to the person at the
// desktop that way (the "uaccess" tag).
bool GivenToDesktopUser(const std::vector<TAclEntry>& acl) {
  return std::any_of(acl.begin(), acl.end(), [&](const TAclEntry& e) {
    return e.Tag == TAclEntry::atUser && (e.Perm & Mask(acl) & ReadWrite) == ReadWrite;
  });
}

TFinding NoPermission(const std::string& path, const struct stat& node, const std::vector<TAclEntry>& acl,
                      const TCheckInput& in) {
  const std::string group = GroupName(node.st_gid, in);
  const std::string join = "sudo usermod -aG " + group + " $USER";
  const bool groupMayOpen = (GroupClassBits(node, acl) & Mask(acl) & ReadWrite) == ReadWrite;
  if (groupMayOpen && InGroupDatabase(node.st_gid, in))
    return {fkNoPermission,
            "You may not open " + path + " yet: the user " + Quoted(in.UserName) + " is a member of the group " +
                Quoted(group) +
                ", but this login session started before that and runs without it. Log out and "
                "in again, or restart the computer.",
            {}};
  if (GivenToDesktopUser(acl))
    return {fkNoPermission,
            "You may not open " + path +
                ": it is given to the person logged in at the desktop, and this program "
                "runs in another login (over SSH, or as another user). Start the editor in the desktop session, "
                "or join the group " +
                Quoted(group) + " and log out and in again:",
            {join}};
  if (groupMayOpen)
    return {fkNoPermission,
            "You may not open " + path + ": it belongs to the group " + Quoted(group) + ", and the user " +
                Quoted(in.UserName) +
                " is not a member. Join the group, then log out and in again (group "
                "membership is read at login):",
            {join}};
  return {fkNoPermission,
          "You may not open " + path +
              ": only its owner may. Unplug the adapter and plug it in again; if that "
              "does not help, ask the administrator of this computer for access.",
          {"ls -l " + path}};
}

TFinding Busy(const std::string& path, const std::vector<TPortHolder>& holders) {
  const bool modemManager =
      std::any_of(holders.begin(), holders.end(), [](const TPortHolder& h) { return h.Name == "ModemManager"; });
  if (modemManager)
    return {fkBusy,
            HolderNames(holders) + " has " + path +
                " open: ModemManager looks for mobile modems on newly "
                "plugged ports for up to half a minute. Wait a little and check again. If you use no mobile "
                "modem, you can also turn it off:",
            {"sudo systemctl disable --now ModemManager"}};
  return {fkBusy,
          path + " is in use by another program: " + HolderNames(holders) +
              ". Close that program, then check "
              "again.",
          {}};
}

TFinding BusyUnseen(const std::string& path, const TCheckInput& in) {
  const auto mm = ProcessesNamed("ModemManager", in.ProcDir);
  std::string text = path +
                     " is in use by another program that this user cannot see. Close the programs that "
                     "may use serial ports (terminal programs, another copy of this editor), or let the "
                     "system name it:";
  if (!mm.empty())
    text += " ModemManager is running (" + HolderNames(mm) +
            ") and is the likely holder of a newly plugged port; wait half a minute and check again.";
  return {fkBusy, text, {"sudo fuser -v " + path}};
}

TFinding Gone(const std::string& path, const TCheckInput& in) {
  std::vector<std::string> now;
  EnumComPorts(&now, in.DevDir, in.SysDir + "/class/tty", in.ProcDir);
  std::string text = path +
                     " is not there any more: the adapter was unplugged, or it came back under another "
                     "name. Plug it in again and pick its port in the list.";
  if (!now.empty()) {
    text += " Ports there now:";
    for (size_t i = 0; i < now.size(); ++i) text += (i ? ", " : " ") + now[i];
    text += ".";
  }
  return {fkGone, text, {}};
}

std::string ChipName(const TUsbSerialChip& chip) {
  return "The USB serial adapter" + (chip.Chip.empty() ? std::string() : " " + chip.Chip) + " (" + chip.Vendor + ":" +
         chip.Product + ")";
}

// A USB serial chip that is plugged in but has no port: who took it.
TFinding ChipWithoutPort(const TUsbSerialChip& chip, const TCheckInput& in) {
  const auto brltty = ProcessesNamed("brltty", in.ProcDir);
  const auto rules = RulesMatching(in.UdevRulesDirs, "brltty", chip.Vendor, chip.Product);
  if (!brltty.empty() || !rules.empty() || chip.Driver == "usbfs") {
    std::string text = ChipName(chip) + " is plugged in but has no port: the braille display service brltty";
    if (!brltty.empty()) text += " (process " + std::to_string(brltty.front().Pid) + ")";
    text +=
        " takes it over, as it takes adapters of this chip for braille displays. Unless you use a braille "
        "display, remove brltty";
    if (!rules.empty()) text += ", or keep it and turn off its rule " + rules.front();
    text += ", then unplug the adapter and plug it in again:";
    TFinding f{fkNoPort, text, {"sudo apt remove brltty"}};
    if (!rules.empty())
      f.Commands.push_back("sudo ln -s /dev/null /etc/udev/rules.d/" +
                           rules.front().substr(rules.front().find_last_of('/') + 1));
    return f;
  }
  if (chip.Driver.empty())
    return {fkNoPort,
            ChipName(chip) +
                " is plugged in but no driver has taken it, so it has no port. Load the driver, then "
                "unplug the adapter and plug it in again:",
            {"sudo modprobe " + (chip.Module.empty() ? std::string("usbserial") : chip.Module)}};
  return {fkNoPort,
          ChipName(chip) + " is plugged in but has no port: the driver " + Quoted(chip.Driver) +
              " has taken it instead of a serial driver. Unplug the adapter and plug it in again; the kernel's "
              "messages tell more:",
          {"sudo dmesg | tail -n 20"}};
}

std::string Hex(const std::array<uint8_t, 3>& reply, int count) {
  std::string text;
  for (int i = 0; i < count && i < 3; ++i) {
    char b[4];
    std::snprintf(b, sizeof b, "%02X", reply[static_cast<size_t>(i)]);
    text += (i ? " " : "") + std::string(b);
  }
  return text;
}

}  // namespace

TCheckInput SystemCheckInput() {
  TCheckInput in;
  in.Uid = ::geteuid();
  in.Self = ::getpid();
  if (const passwd* pw = ::getpwuid(in.Uid)) {
    in.UserName = pw->pw_name;
    in.PrimaryGid = pw->pw_gid;
  } else {
    in.UserName = std::to_string(in.Uid);
    in.PrimaryGid = ::getegid();
  }
  const int n = ::getgroups(0, nullptr);
  in.SessionGroups.resize(n > 0 ? static_cast<size_t>(n) : 0);
  if (n > 0) in.SessionGroups.resize(static_cast<size_t>(std::max(0, ::getgroups(n, in.SessionGroups.data()))));
  in.SessionGroups.push_back(::getegid());
  in.Group = [](gid_t gid) -> std::optional<TGroupEntry> {
    const group* g = ::getgrgid(gid);
    if (!g) return std::nullopt;
    TGroupEntry entry{g->gr_name, {}};
    for (char** m = g->gr_mem; m && *m; ++m) entry.Members.emplace_back(*m);
    return entry;
  };
  return in;
}

TAccessWay AccessWay(const struct stat& node, const std::vector<TAclEntry>& acl, uid_t uid,
                     const std::vector<gid_t>& groups) {
  auto rw = [](unsigned bits) { return (bits & ReadWrite) == ReadWrite; };
  if (uid == 0) return awRoot;
  if (uid == node.st_uid) return rw(node.st_mode >> 6) ? awOwner : awNone;
  const uint16_t mask = Mask(acl);
  for (const auto& e : acl)
    if (e.Tag == TAclEntry::atUser && e.Id == uid) return rw(e.Perm & mask) ? awAcl : awNone;
  const bool inOwningGroup = std::find(groups.begin(), groups.end(), node.st_gid) != groups.end();
  if (inOwningGroup && rw(GroupClassBits(node, acl) & mask)) return awGroup;
  for (const auto& e : acl)
    if (e.Tag == TAclEntry::atGroup && rw(e.Perm & mask) &&
        std::find(groups.begin(), groups.end(), static_cast<gid_t>(e.Id)) != groups.end())
      return awAcl;
  // A member of a group class entry gets no more than the group class, also with other bits set.
  if (inOwningGroup) return awNone;
  return rw(node.st_mode) ? awOther : awNone;
}

std::vector<TFinding> CheckPort(const std::string& path, const TCheckInput& in) {
  struct stat node {};
  if (path.empty() || ::stat(path.c_str(), &node) != 0 || !S_ISCHR(node.st_mode)) return {Gone(path, in)};
  const auto acl = ReadAccessAcl(path);
  if (AccessWay(node, acl, in.Uid, in.SessionGroups) == awNone) return {NoPermission(path, node, acl, in)};
  const auto holders = OtherHolders(PortHolders(path, in.ProcDir), in.Self);
  if (!holders.empty()) return {Busy(path, holders)};
  return {};
}

std::vector<TFinding> CheckMachine(const TCheckInput& in) {
  std::vector<TFinding> findings;
  for (const auto& port : CandidatePorts(in.DevDir, in.SysDir + "/class/tty", in.ProcDir))
    for (auto& f : CheckPort(port, in)) findings.push_back(std::move(f));
  if (!findings.empty()) return findings;
  for (const auto& chip : UsbSerialChips(in.SysDir))
    if (!chip.HasTty) findings.push_back(ChipWithoutPort(chip, in));
  if (findings.empty())
    findings.push_back({fkNoPort,
                        "No serial port found, and no USB serial adapter is plugged in. Plug in the adapter; "
                        "the port list picks it up within 2 seconds.",
                        {}});
  return findings;
}

std::vector<TFinding> CheckOpenFailure(const std::string& path, const std::string& message, const TCheckInput& in) {
  auto findings = CheckPort(path, in);
  if (!findings.empty()) return findings;
  if (message.find(std::strerror(EBUSY)) != std::string::npos) return {BusyUnseen(path, in)};
  std::string reason = message;
  std::replace(reason.begin(), reason.end(), '\r', ' ');
  return {{fkOpenFailed, path + " cannot be opened: " + reason, {}}};
}

std::vector<TFinding> CheckOnePort(const std::string& path, const TCheckInput& in,
                                   const std::function<TProbeResult()>& probe) {
  auto findings = CheckPort(path, in);
  if (!findings.empty()) return findings;
  try {
    const TProbeResult result = probe();
    return {CheckReply(path, result.Reply, result.Count, result.Connected, in)};
  } catch (const EComError& e) {
    return CheckOpenFailure(path, e.what(), in);
  }
}

TFinding CheckReply(const std::string& path, const std::array<uint8_t, 3>& reply, int count, bool connected,
                    const TCheckInput& in) {
  if (connected) {
    TFinding f{fkConnected, "The controller answers on " + path + ": the connection works.", {}};
    struct stat node {};
    if (::stat(path.c_str(), &node) == 0 && AccessWay(node, ReadAccessAcl(path), in.Uid, in.SessionGroups) == awAcl)
      f.Text +=
          " Access to the port comes from your desktop login (the udev rule gives it to the person at the "
          "desktop), so no group is needed.";
    return f;
  }
  if (count == 0)
    return {fkSilent,
            "Nothing comes back on " + path +
                ". Check that the cable is plugged into the controller and turned the "
                "right way round, that the controller has power, and that this is the adapter's port.",
            {}};
  // The read command's own frame: "r" and the probe register. A line that returns what was sent
  // gives it back, and no third byte.
  const std::array<uint8_t, 2> frame = {'r', Transfer::ProbeRegister};
  if (count <= 2 && std::equal(reply.begin(), reply.begin() + count, frame.begin()))
    return {fkLoopBack,
            "What is sent on " + path +
                " comes straight back: the cable is not connected to a controller, or "
                "its transmit and receive lines are joined (a loop-back plug). Connect the cable to the "
                "controller.",
            {}};
  return {fkGarbled,
          "Bytes come back on " + path + ", but not a controller's reply (" + Hex(reply, count) +
              "): another device is on this port, or it runs at another line speed than 19200 baud. Check that "
              "the controller's cable is on this adapter.",
          {}};
}
