#include "ComPort.h"
#include "PortDevice.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <map>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

bool IsPortName(const std::string& name) {
  static const char* const prefixes[] = {"ttyS", "ttyUSB", "ttyACM", "ttyAMA", "rfcomm"};
  for (const char* prefix : prefixes) {
    const std::string p = prefix;
    if (name.size() > p.size() && name.compare(0, p.size(), p) == 0)
      return true;
  }
  return false;
}

std::vector<std::string> ListDir(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (const dirent* e = ::readdir(d))
      names.emplace_back(e->d_name);
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

// Device numbers of the ttyS ports for which the kernel knows no UART (type 0). A port is looked
// up by its device number, so that a link or a second node counts like the port it reaches.
std::vector<dev_t> PortsWithoutUart(const std::string& sysClassTty) {
  std::vector<dev_t> result;
  for (const auto& name : ListDir(sysClassTty)) {
    if (name.size() <= 4 || name.compare(0, 4, "ttyS") != 0)
      continue;
    const std::string dir = sysClassTty + "/" + name;
    unsigned maj = 0, min = 0;
    if (std::sscanf(ReadFirstLine(dir + "/dev").c_str(), "%u:%u", &maj, &min) != 2)
      continue;
    if (ReadFirstLine(dir + "/type") == "0")
      result.push_back(::makedev(maj, min));
  }
  return result;
}

} // namespace

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
      if (ei - si != ej - sj)
        return ei - si < ej - sj;
      const int c = a.compare(si, ei - si, b, sj, ej - sj);
      if (c != 0)
        return c < 0;
      if (ei - i != ej - j)
        return ei - i < ej - j;  // "01" after "1"
      i = ei;
      j = ej;
      continue;
    }
    if (a[i] != b[j])
      return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
    ++i;
    ++j;
  }
  return a.size() - i < b.size() - j;
}

void EnumComPorts(std::vector<std::string>* list, const std::string& devDir, const std::string& sysClassTty) {
  if (!list)
    return;
  std::vector<std::string> names;
  for (auto& name : ListDir(devDir))
    if (IsPortName(name))
      names.push_back(std::move(name));
  if (names.empty())
    return;
  std::sort(names.begin(), names.end(), NaturalLess);
  const auto noUart = PortsWithoutUart(sysClassTty);
  for (const auto& name : names) {
    const std::string path = devDir + "/" + name;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
      continue;  // follows links: what counts is the node reached
    if (std::find(noUart.begin(), noUart.end(), st.st_rdev) != noUart.end())
      continue;
    int err = 0;
    if (OpenExclusive(path, err).Valid())
      list->push_back(path);
  }
}
