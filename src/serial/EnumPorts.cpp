#include "ComPort.h"
#include "PortList.h"
#include "SystemView.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

// Device numbers of the ttyS ports for which the kernel knows no UART (type 0). A port is looked
// up by its device number, so that a link or a second node counts like the port it reaches.
std::vector<dev_t> PortsWithoutUart(const std::string& sysClassTty) {
  std::vector<dev_t> result;
  for (const auto& name : ListDir(sysClassTty)) {
    if (name.size() <= 4 || name.compare(0, 4, "ttyS") != 0) continue;
    const std::string dir = sysClassTty + "/" + name;
    unsigned maj = 0, min = 0;
    if (std::sscanf(ReadFirstLine(dir + "/dev").c_str(), "%u:%u", &maj, &min) != 2) continue;
    if (ReadFirstLine(dir + "/type") == "0") result.push_back(::makedev(maj, min));
  }
  return result;
}

// What the exclusive open would meet, seen without opening (an open raises DTR and RTS): the
// terminal is readable and writable by this process, no other process has it open and nobody
// holds it locked (this process's own lock included).
bool CanOpenNow(const std::string& path, const std::string& procDir) {
  if (::faccessat(AT_FDCWD, path.c_str(), R_OK | W_OK, AT_EACCESS) != 0) return false;
  const auto holders = PortHolders(path, procDir);
  return OtherHolders(holders, ::getpid()).empty() &&
         std::none_of(holders.begin(), holders.end(), [](const TPortHolder& h) { return h.Locked; });
}

}  // namespace

bool NaturalLess(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const bool da = std::isdigit(static_cast<unsigned char>(a[i]));
    const bool db = std::isdigit(static_cast<unsigned char>(b[j]));
    if (da && db) {
      size_t ei = i, ej = j;
      while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei]))) ++ei;
      while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej]))) ++ej;
      // Compare the values without leading zeros: first by length, then digit by digit.
      size_t si = a.find_first_not_of('0', i), sj = b.find_first_not_of('0', j);
      si = std::min(si, ei);
      sj = std::min(sj, ej);
      if (ei - si != ej - sj) return ei - si < ej - sj;
      const int c = a.compare(si, ei - si, b, sj, ej - sj);
      if (c != 0) return c < 0;
      if (ei - i != ej - j) return ei - i < ej - j;  // "01" after "1"
      i = ei;
      j = ej;
      continue;
    }
    if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
    ++i;
    ++j;
  }
  return a.size() - i < b.size() - j;
}

std::vector<std::string> CandidatePorts(const std::string& devDir, const std::string& sysClassTty,
                                        const std::string& procDir) {
  std::vector<std::string> names;
  for (auto& name : ListDir(devDir))
    if (IsSerialPortName(name)) names.push_back(std::move(name));
  std::sort(names.begin(), names.end(), NaturalLess);
  std::vector<std::string> ports;
  if (names.empty()) return ports;
  const auto noUart = PortsWithoutUart(sysClassTty);
  for (const auto& name : names) {
    const std::string path = devDir + "/" + name;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
      continue;  // follows links: what counts is the node reached
    if (std::find(noUart.begin(), noUart.end(), st.st_rdev) == noUart.end() && IsTerminalDevice(st.st_rdev, procDir))
      ports.push_back(path);
  }
  return ports;
}

void EnumComPorts(std::vector<std::string>* list, const std::string& devDir, const std::string& sysClassTty,
                  const std::string& procDir) {
  if (!list) return;
  for (const auto& path : CandidatePorts(devDir, sysClassTty, procDir))
    if (CanOpenNow(path, procDir)) list->push_back(path);
}
