// The file commands of torvanic-cli: loading a profile as the editor's Open does, show and diff.
#include "CliCommands.h"

#include "CliOutput.h"
#include "SpedV4Device.h"

#include <sys/stat.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace Cli {

namespace {

constexpr double Neutral = 63.5;  // the stick's centre, between X = 63 and X = 64

// Stick position in per cent of the travel from the centre: negative on the brake half.
double StickPercent(int x) { return (x - Neutral) * 100.0 / Neutral; }
double OutputPercent(int y) { return y * 100.0 / 255.0; }

std::string Fixed(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

struct TSetting {
  std::string Name, Value;
};

std::vector<TSetting> Settings(const TSpedV4Device& profile) {
  int fwd = 0, brk = 0;
  profile.GetFrequencies(fwd, brk);
  return {{"deadband", std::to_string(profile.GetDeadband())},
          {"forward frequency", profile.FrequencyName(fwd)},
          {"brake frequency", profile.FrequencyName(brk)}};
}

std::string JsonName(std::string name) {
  for (char& c : name)
    if (c == ' ') c = '_';
  return name;
}

void Print(const std::string& text) { std::fputs((text + "\n").c_str(), stdout); }

}  // namespace

void LoadProfile(const std::string& file, TSpedV4Device& profile) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) throw TUsageError("Cannot open file \"" + file + "\": " + std::strerror(errno));
  profile.Clear();
  if (profile.LoadFromFile(file) != 0) throw TUsageError("Failed to load profile from file " + file);
}

int Show(const std::string& file, const TOptions& options) {
  TSpedV4Device profile;
  LoadProfile(file, profile);
  const auto settings = Settings(profile);
  if (options.Json) {
    std::vector<std::pair<std::string, std::string>> members{{"file", JsonString(file)}};
    members.push_back({"deadband", settings[0].Value});
    for (size_t i = 1; i < settings.size(); ++i)
      members.push_back({JsonName(settings[i].Name), JsonString(settings[i].Value)});
    std::vector<std::string> entries;
    for (int i = 0; i <= profile.LastIndex(); ++i) {
      const TPoint p = profile.GetPoint(i);
      entries.push_back(JsonObject({{"entry", std::to_string(i)},
                                    {"x", std::to_string(p.X)},
                                    {"stick_percent", Fixed(StickPercent(p.X))},
                                    {"y", std::to_string(p.Y)},
                                    {"output_percent", Fixed(OutputPercent(p.Y))},
                                    {"breakpoint", profile.IsBreakpoint(i) ? "true" : "false"}}));
    }
    members.push_back({"entries", JsonArray(entries)});
    Print(JsonObject(members));
    return esOK;
  }
  std::string head;
  for (const auto& s : settings) head += (head.empty() ? "" : ", ") + s.Name + " " + s.Value;
  Print(head);
  Print("entry    X  stick %    Y  output %  breakpoint");
  for (int i = 0; i <= profile.LastIndex(); ++i) {
    const TPoint p = profile.GetPoint(i);
    char line[96];
    std::snprintf(line, sizeof line, "%5d  %3d  %7.1f  %3d  %8.1f%s", i, p.X, StickPercent(p.X), p.Y,
                  OutputPercent(p.Y), profile.IsBreakpoint(i) ? "  yes" : "");
    Print(line);
  }
  return esOK;
}

int Diff(const std::string& a, const std::string& b, const TOptions& options) {
  TSpedV4Device pa, pb;
  LoadProfile(a, pa);
  LoadProfile(b, pb);
  std::vector<std::string> lines, items;
  const auto sa = Settings(pa), sb = Settings(pb);
  for (size_t i = 0; i < sa.size(); ++i) {
    if (sa[i].Value == sb[i].Value) continue;
    lines.push_back(sa[i].Name + ": " + sa[i].Value + " / " + sb[i].Value);
    items.push_back(JsonObject(
        {{"setting", JsonString(sa[i].Name)}, {"a", JsonString(sa[i].Value)}, {"b", JsonString(sb[i].Value)}}));
  }
  for (int i = 0; i <= pa.LastIndex(); ++i) {
    const TPoint p = pa.GetPoint(i), q = pb.GetPoint(i);
    const bool bpA = pa.IsBreakpoint(i), bpB = pb.IsBreakpoint(i);
    if (p == q && bpA == bpB) continue;
    auto side = [](const TPoint& pt, bool bp) {
      return "X " + std::to_string(pt.X) + " Y " + std::to_string(pt.Y) + (bp ? " breakpoint" : "");
    };
    lines.push_back("entry " + std::to_string(i) + ": " + side(p, bpA) + " / " + side(q, bpB));
    auto json = [](const TPoint& pt, bool bp) {
      return JsonObject(
          {{"x", std::to_string(pt.X)}, {"y", std::to_string(pt.Y)}, {"breakpoint", bp ? "true" : "false"}});
    };
    items.push_back(JsonObject({{"entry", std::to_string(i)}, {"a", json(p, bpA)}, {"b", json(q, bpB)}}));
  }
  if (options.Json)
    Print(JsonObject({{"a", JsonString(a)},
                      {"b", JsonString(b)},
                      {"equal", lines.empty() ? "true" : "false"},
                      {"differences", JsonArray(items)}}));
  else
    for (const auto& line : lines) Print(line);
  return lines.empty() ? esOK : esController;
}

}  // namespace Cli
