#include "PortList.h"

#include "ComPort.h"
#include "SystemView.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <algorithm>
#include <climits>
#include <cstdlib>

namespace {

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

std::string BaseName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

std::string RealPath(const std::string& path) {
  char buf[PATH_MAX];
  return ::realpath(path.c_str(), buf) ? std::string(buf) : std::string();
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

// The USB device folder (the one with idVendor) that the terminal `name` sits under, found by
// walking up from its device's folder; empty when it is not on a USB bus.
std::string UsbDeviceDir(const std::string& name, const std::string& sysDir) {
  const std::string root = RealPath(sysDir);
  std::string dir = RealPath(sysDir + "/class/tty/" + name + "/device");
  while (!root.empty() && dir.size() > root.size() && StartsWith(dir, root.c_str())) {
    if (Exists(dir + "/idVendor")) return dir;
    dir.erase(dir.find_last_of('/'));
  }
  return {};
}

// "FT232R USB UART, FTDI" from the adapter's strings; "CH340/CH341 (1a86:7523)" from its chip
// when it has none; "USB serial adapter" when the system says nothing.
std::string UsbDescription(const std::string& usbDir) {
  if (usbDir.empty()) return "USB serial adapter";
  const std::string product = ReadFirstLine(usbDir + "/product");
  const std::string maker = ReadFirstLine(usbDir + "/manufacturer");
  if (!product.empty()) return maker.empty() ? product : product + ", " + maker;
  const std::string vendorId = ReadFirstLine(usbDir + "/idVendor");
  const std::string productId = ReadFirstLine(usbDir + "/idProduct");
  const std::string chip = KnownChipName(vendorId, productId);
  return (chip.empty() ? std::string("USB serial adapter") : chip) + " (" + vendorId + ":" + productId + ")";
}

}  // namespace

bool IsSerialPortName(const std::string& name) {
  static const char* const prefixes[] = {"ttyS", "ttyUSB", "ttyACM", "ttyAMA", "rfcomm"};
  return std::any_of(std::begin(prefixes), std::end(prefixes), [&](const char* prefix) {
    return StartsWith(name, prefix) && name.size() > std::char_traits<char>::length(prefix);
  });
}

TPortEntry DescribePort(const std::string& path, const std::string& sysDir) {
  TPortEntry port;
  port.Path = path;
  const std::string name = BaseName(path);
  const std::string usbDir = UsbDeviceDir(name, sysDir);
  if (StartsWith(name, "ttyUSB") || StartsWith(name, "ttyACM") || !usbDir.empty()) {
    port.Kind = pkUsb;
    port.Description = UsbDescription(usbDir);
  } else if (StartsWith(name, "rfcomm")) {
    port.Kind = pkBluetooth;
    port.Description = "Bluetooth serial port";
  } else {
    port.Kind = pkBuiltIn;
    port.Description = "built-in serial port";
  }
  return port;
}

bool PortListLess(const TPortEntry& a, const TPortEntry& b) {
  if (a.Kind != b.Kind) return a.Kind < b.Kind;
  return NaturalLess(a.Path, b.Path);
}

std::vector<std::string> ListSerialPortPaths(const TSystemRoots& roots) {
  std::vector<std::string> paths;
  for (auto& path : CandidatePorts(roots.Dev, roots.Sys + "/class/tty", roots.Proc))
    if (::faccessat(AT_FDCWD, path.c_str(), R_OK | W_OK, AT_EACCESS) == 0) paths.push_back(std::move(path));
  return paths;
}

std::vector<TPortEntry> ListSerialPorts(const TSystemRoots& roots) {
  std::vector<TPortEntry> ports;
  for (const auto& path : ListSerialPortPaths(roots)) ports.push_back(DescribePort(path, roots.Sys));
  std::stable_sort(ports.begin(), ports.end(), PortListLess);
  return ports;
}

void MarkHolders(std::vector<TPortEntry>& ports, const std::string& procDir, pid_t self) {
  std::vector<std::string> paths;
  for (const auto& port : ports) paths.push_back(port.Path);
  const auto holders = PortHoldersOf(paths, procDir);
  for (size_t i = 0; i < ports.size(); ++i) {
    std::vector<std::string> names;
    for (const auto& holder : OtherHolders(holders[i], self)) {
      const std::string name = holder.Name.empty() ? "process " + std::to_string(holder.Pid) : holder.Name;
      if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
    ports[i].InUseBy.clear();
    for (const auto& name : names) ports[i].InUseBy += (ports[i].InUseBy.empty() ? "" : ", ") + name;
  }
}

std::string PortLabel(const TPortEntry& port) {
  return port.InUseBy.empty() ? port.Description : port.Description + ", in use by " + port.InUseBy;
}

std::string ChoosePort(const std::vector<std::string>& before, const std::vector<std::string>& after,
                       const std::string& selected, const std::string& userChoice) {
  auto listed = [&](const std::string& path) {
    return !path.empty() && std::find(after.begin(), after.end(), path) != after.end();
  };
  if (listed(userChoice)) return userChoice;
  for (const auto& path : after)
    if (std::find(before.begin(), before.end(), path) == before.end()) return path;
  if (listed(selected)) return selected;
  return after.empty() ? std::string() : after.front();
}

TPortWatch::TPortWatch(const std::string& devDir) : FFd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
  constexpr uint32_t mask = IN_CREATE | IN_DELETE | IN_ATTRIB | IN_MOVED_FROM | IN_MOVED_TO;
  if (FFd.Valid() && ::inotify_add_watch(FFd.Get(), devDir.c_str(), mask) < 0) FFd.Reset();
}

bool TPortWatch::TakeEvents() {
  bool concernsPort = false;
  alignas(inotify_event) char buf[4096];
  for (;;) {
    const ssize_t n = ::read(FFd.Get(), buf, sizeof buf);
    if (n <= 0) return concernsPort;  // EAGAIN: nothing more waiting
    for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buf + at);
      // A lost event (the queue ran over) may have been about a port.
      if ((event->mask & IN_Q_OVERFLOW) || (event->len > 0 && IsSerialPortName(event->name))) concernsPort = true;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
}
