#include "SystemView.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

bool IsNumber(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

std::string ProcessName(const std::string& procDir, const std::string& pid) {
  return ReadFirstLine(procDir + "/" + pid + "/comm");
}

// The pseudo-terminal slaves have these majors; their minor is the terminal's index.
constexpr unsigned PtySlaveFirstMajor = 136, PtySlaveLastMajor = 143;
const dev_t PtmxDevice = ::makedev(5, 2);

bool IsPtySlave(dev_t rdev) { return ::major(rdev) >= PtySlaveFirstMajor && ::major(rdev) <= PtySlaveLastMajor; }

// True when the descriptor `fd` of the process under `pidDir` is the master end of the
// pseudo-terminal with this index (the kernel tells it as "tty-index" in the descriptor's info).
bool IsMasterOf(const std::string& pidDir, const std::string& fd, unsigned index) {
  std::ifstream in(pidDir + "/fdinfo/" + fd);
  std::string line;
  while (std::getline(in, line))
    if (StartsWith(line, "tty-index:")) return std::strtoul(line.c_str() + 10, nullptr, 10) == index;
  return false;
}

// What one process does with a terminal: whether it has it open, and whether it holds the
// terminal's master end.
struct TUse {
  bool Open = false;
  bool Master = false;
};

// What the process under `pidDir` does with each of the terminals `rdevs`, from one pass over its
// descriptors.
std::vector<TUse> UsesOf(const std::string& pidDir, const std::vector<dev_t>& rdevs) {
  std::vector<TUse> uses(rdevs.size());
  const std::string fdDir = pidDir + "/fd";
  for (const auto& fd : ListDir(fdDir)) {
    if (!IsNumber(fd)) continue;
    struct stat st {};
    if (::stat((fdDir + "/" + fd).c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) continue;
    for (size_t i = 0; i < rdevs.size(); ++i) {
      if (st.st_rdev == rdevs[i])
        uses[i].Open = true;
      else if (st.st_rdev == PtmxDevice && IsPtySlave(rdevs[i]) && IsMasterOf(pidDir, fd, ::minor(rdevs[i])))
        uses[i].Master = true;
    }
  }
  return uses;
}

// The processes holding an advisory lock on the node with this file system device and inode. A
// line reads "1: FLOCK  ADVISORY  WRITE 27399 00:1a:3 0 EOF"; waiting requests ("1: -> FLOCK ...")
// hold nothing.
std::vector<pid_t> LockHolders(const std::string& procDir, dev_t fsDev, ino_t inode) {
  std::vector<pid_t> pids;
  std::ifstream in(procDir + "/locks");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string number, kind, mode, access, where;
    long pid = 0;
    if (!(words >> number >> kind) || kind == "->" || !(words >> mode >> access >> pid >> where)) continue;
    unsigned maj = 0, min = 0;
    unsigned long long ino = 0;
    if (std::sscanf(where.c_str(), "%x:%x:%llu", &maj, &min, &ino) == 3 && ::makedev(maj, min) == fsDev &&
        ino == inode && pid > 0)
      pids.push_back(static_cast<pid_t>(pid));
  }
  return pids;
}

struct TKnownChip {
  const char* Vendor;
  const char* Product;
  const char* Chip;
  const char* Module;
};
constexpr TKnownChip KnownChips[] = {
    {"0403", "6001", "FTDI FT232R", "ftdi_sio"}, {"0403", "6010", "FTDI FT2232", "ftdi_sio"},
    {"0403", "6011", "FTDI FT4232", "ftdi_sio"}, {"0403", "6014", "FTDI FT232H", "ftdi_sio"},
    {"0403", "6015", "FTDI FT-X", "ftdi_sio"},   {"1a86", "7523", "CH340/CH341", "ch341"},
    {"1a86", "55d4", "CH9102", "cdc_acm"},       {"10c4", "ea60", "CP210x", "cp210x"},
    {"10c4", "ea70", "CP2105", "cp210x"},        {"067b", "2303", "PL2303", "pl2303"},
};
constexpr const char* SerialDrivers[] = {
    "ftdi_sio", "ch341",  "cp210x",   "pl2303",  "cdc_acm", "option",  "qcserial",   "usb_serial_simple", "xr_serial",
    "f81232",   "f81534", "mct_u232", "oti6858", "spcp8x5", "ark3116", "cypress_m8", "ti_usb_3410_5052"};

bool IsSerialDriver(const std::string& driver) {
  return std::any_of(std::begin(SerialDrivers), std::end(SerialDrivers), [&](const char* d) { return driver == d; });
}

std::string LinkName(const std::string& path) {
  char buf[4096];
  const ssize_t n = ::readlink(path.c_str(), buf, sizeof buf - 1);
  if (n <= 0) return {};
  const std::string target(buf, static_cast<size_t>(n));
  return target.substr(target.find_last_of('/') + 1);
}

// The interface made a port: "ttyUSB0" in its folder, or "tty/ttyACM0".
bool InterfaceHasTty(const std::string& dir) {
  for (const auto& name : ListDir(dir))
    if (StartsWith(name, "ttyUSB") || StartsWith(name, "ttyACM") || (name == "tty" && ListDir(dir + "/tty").size() > 2))
      return true;
  return false;
}

std::string NoLeadingZeros(const std::string& hex) {
  const size_t first = hex.find_first_not_of('0');
  return first == std::string::npos ? "0" : hex.substr(first);
}

}  // namespace

bool IsCharacterDevice(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

std::vector<std::string> ListDir(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (const dirent* e = ::readdir(d)) names.emplace_back(e->d_name);
    ::closedir(d);
  }
  return names;
}

std::string ReadFirstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

std::vector<TPortHolder> PortHolders(const std::string& path, const std::string& procDir) {
  return PortHoldersOf({path}, procDir).front();
}

std::vector<std::vector<TPortHolder>> PortHoldersOf(const std::vector<std::string>& paths, const std::string& procDir) {
  std::vector<std::vector<TPortHolder>> holders(paths.size());
  std::vector<dev_t> rdevs;
  std::vector<size_t> at;  // which path each of rdevs belongs to
  std::vector<std::vector<pid_t>> locked;
  for (size_t i = 0; i < paths.size(); ++i) {
    struct stat node {};
    if (::stat(paths[i].c_str(), &node) != 0 || !S_ISCHR(node.st_mode)) continue;
    rdevs.push_back(node.st_rdev);
    at.push_back(i);
    locked.push_back(LockHolders(procDir, node.st_dev, node.st_ino));
  }
  if (rdevs.empty()) return holders;
  for (const auto& pid : ListDir(procDir)) {
    if (!IsNumber(pid)) continue;
    const auto uses = UsesOf(procDir + "/" + pid, rdevs);
    const auto number = static_cast<pid_t>(std::stol(pid));
    for (size_t k = 0; k < rdevs.size(); ++k) {
      const bool lock = std::find(locked[k].begin(), locked[k].end(), number) != locked[k].end();
      if ((uses[k].Open && !uses[k].Master) || lock)
        holders[at[k]].push_back({number, ProcessName(procDir, pid), lock});
    }
  }
  return holders;
}

std::vector<TPortHolder> OtherHolders(const std::vector<TPortHolder>& holders, pid_t self) {
  std::vector<TPortHolder> others;
  std::copy_if(holders.begin(), holders.end(), std::back_inserter(others),
               [&](const TPortHolder& h) { return h.Pid != self; });
  return others;
}

std::string HolderNames(const std::vector<TPortHolder>& holders) {
  std::string text;
  for (const auto& h : holders)
    text += (text.empty() ? "" : ", ") + (h.Name.empty() ? std::string("a program") : h.Name) + " (process " +
            std::to_string(h.Pid) + ")";
  return text;
}

std::vector<TPortHolder> ProcessesNamed(const std::string& name, const std::string& procDir) {
  std::vector<TPortHolder> found;
  for (const auto& pid : ListDir(procDir))
    if (IsNumber(pid) && ProcessName(procDir, pid) == name)
      found.push_back({static_cast<pid_t>(std::stol(pid)), name, false});
  return found;
}

bool IsTerminalDevice(dev_t rdev, const std::string& procDir) {
  // A line reads "serial  /dev/ttyS  4  64-111  serial": name, node, major, minors, type.
  std::ifstream in(procDir + "/tty/drivers");
  std::string line;
  bool read = false;
  while (std::getline(in, line)) {
    read = true;
    std::istringstream words(line);
    std::string name, node, minors;
    unsigned maj = 0;
    if (!(words >> name >> node >> maj >> minors) || maj != ::major(rdev)) continue;
    unsigned first = 0, last = 0;
    const int n = std::sscanf(minors.c_str(), "%u-%u", &first, &last);
    if (n == 1) last = first;
    if (n >= 1 && ::minor(rdev) >= first && ::minor(rdev) <= last) return true;
  }
  return !read;
}

std::vector<TAclEntry> ParseAcl(const std::string& bytes) {
  // A little-endian version word (2), then eight bytes per entry: tag, permissions, id.
  auto u16 = [&](size_t at) { return static_cast<uint16_t>(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8); };
  auto u32 = [&](size_t at) { return static_cast<uint32_t>(u16(at) | uint32_t(u16(at + 2)) << 16); };
  std::vector<TAclEntry> entries;
  if (bytes.size() < 4 || (bytes.size() - 4) % 8 != 0 || u32(0) != 2) return entries;
  for (size_t at = 4; at < bytes.size(); at += 8) entries.push_back({u16(at), u16(at + 2), u32(at + 4)});
  return entries;
}

std::vector<TAclEntry> ReadAccessAcl(const std::string& path) {
  char buf[1024];
  const ssize_t n = ::getxattr(path.c_str(), "system.posix_acl_access", buf, sizeof buf);
  return n > 0 ? ParseAcl(std::string(buf, static_cast<size_t>(n))) : std::vector<TAclEntry>{};
}

std::string KnownChipName(const std::string& vendor, const std::string& product) {
  for (const auto& known : KnownChips)
    if (vendor == known.Vendor && product == known.Product) return known.Chip;
  return {};
}

std::vector<TUsbSerialChip> UsbSerialChips(const std::string& sysDir) {
  const std::string devices = sysDir + "/bus/usb/devices";
  std::vector<TUsbSerialChip> chips;
  auto names = ListDir(devices);
  std::sort(names.begin(), names.end());
  for (const auto& name : names) {
    const std::string dir = devices + "/" + name;
    if (name.find(':') != std::string::npos || StartsWith(name, "usb") || name[0] == '.')
      continue;  // interfaces, root hubs
    TUsbSerialChip chip;
    chip.SysName = name;
    chip.Vendor = ReadFirstLine(dir + "/idVendor");
    chip.Product = ReadFirstLine(dir + "/idProduct");
    for (const auto& known : KnownChips)
      if (chip.Vendor == known.Vendor && chip.Product == known.Product) {
        chip.Chip = known.Chip;
        chip.Module = known.Module;
      }
    bool serialDriver = false;
    for (const auto& iface : names) {
      if (!StartsWith(iface, (name + ":").c_str())) continue;
      const std::string driver = LinkName(devices + "/" + iface + "/driver");
      if (!driver.empty() && chip.Driver.empty()) chip.Driver = driver;
      serialDriver = serialDriver || IsSerialDriver(driver);
      chip.HasTty = chip.HasTty || InterfaceHasTty(devices + "/" + iface);
    }
    if (!chip.Chip.empty() || serialDriver) chips.push_back(chip);
  }
  return chips;
}

std::vector<std::string> RulesMatching(const std::vector<std::string>& dirs, const std::string& nameContains,
                                       const std::string& vendor, const std::string& product) {
  const std::string productKey = NoLeadingZeros(vendor) + "/" + NoLeadingZeros(product) + "/";
  std::vector<std::string> seen, matching;
  for (const auto& dir : dirs) {
    auto names = ListDir(dir);
    std::sort(names.begin(), names.end());
    for (const auto& name : names) {
      if (name.find(nameContains) == std::string::npos || std::find(seen.begin(), seen.end(), name) != seen.end())
        continue;
      seen.push_back(name);
      std::ifstream in(dir + "/" + name);
      std::string line;
      while (std::getline(in, line)) {
        const bool byProduct = line.find(productKey) != std::string::npos;
        const bool byIds = line.find("\"" + vendor + "\"") != std::string::npos &&
                           line.find("idVendor") != std::string::npos &&
                           line.find("\"" + product + "\"") != std::string::npos;
        if (line.find('#') != 0 && (byProduct || byIds)) {
          matching.push_back(dir + "/" + name);
          break;
        }
      }
    }
  }
  return matching;
}
