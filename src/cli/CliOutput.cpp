#include "CliOutput.h"

#include "ConnectionCheck.h"
#include "Interrupt.h"

#include <unistd.h>
#include <cstdio>

namespace Cli {

void Say(const std::string& message) {
  std::string text = message;
  for (char& c : text)
    if (c == '\r') c = '\n';
  std::fprintf(stderr, "torvanic-cli: %s\n", text.c_str());
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (const unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char hex[8];
          std::snprintf(hex, sizeof hex, "\\u%04x", c);
          out += hex;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string JsonObject(const std::vector<std::pair<std::string, std::string>>& members) {
  std::string out = "{";
  for (const auto& [name, value] : members) out += (out.size() > 1 ? ", " : "") + JsonString(name) + ": " + value;
  return out + "}";
}

std::string JsonArray(const std::vector<std::string>& items) {
  std::string out = "[";
  for (const auto& item : items) out += (out.size() > 1 ? ", " : "") + item;
  return out + "]";
}

std::string FindingsText(const std::vector<TFinding>& findings) {
  std::string text;
  for (const auto& f : findings) {
    if (!text.empty()) text += "\n\n";
    text += f.Text;
    for (const auto& command : f.Commands) text += "\n    " + command;
  }
  return text;
}

namespace {
const char* KindName(TFindingKind kind) {
  switch (kind) {
    case fkNoPort: return "no-port";
    case fkNoPermission: return "no-permission";
    case fkBusy: return "busy";
    case fkGone: return "gone";
    case fkLoopBack: return "loop-back";
    case fkSilent: return "silent";
    case fkGarbled: return "garbled";
    case fkConnected: return "connected";
    case fkOpenFailed: return "open-failed";
  }
  return "unknown";
}
}  // namespace

std::string FindingsJson(const std::string& port, const std::vector<TFinding>& findings) {
  std::vector<std::string> items;
  for (const auto& f : findings) {
    std::vector<std::string> commands;
    for (const auto& c : f.Commands) commands.push_back(JsonString(c));
    items.push_back(JsonObject(
        {{"kind", JsonString(KindName(f.Kind))}, {"text", JsonString(f.Text)}, {"commands", JsonArray(commands)}}));
  }
  return JsonObject({{"port", port.empty() ? "null" : JsonString(port)}, {"findings", JsonArray(items)}});
}

TProgress::TProgress() : FTerminal(::isatty(STDERR_FILENO) == 1) {}

void TProgress::Start(const std::string&, const std::string& message, int maximum) {
  FStarted = true;
  FMessage = message;
  FNote.clear();
  FSteps = 0;
  FMaximum = maximum;
  Draw();
}

void TProgress::Message(const std::string& message) {
  FNote = message;
  Draw();
}

void TProgress::Step() {
  ++FSteps;
  Draw();
}

void TProgress::Finish() {
  if (FTerminal) std::fputs("\r\033[K", stderr);
}

bool TProgress::Cancelled() { return Interrupt::Requested(); }

void TProgress::Draw() {
  if (!FTerminal || FMaximum <= 0) return;
  constexpr int Width = 40;
  const int filled = FSteps * Width / FMaximum;
  std::fprintf(stderr, "\r%s [%s%s] %d/%d%s\033[K", FMessage.c_str(),
               std::string(static_cast<size_t>(filled), '#').c_str(),
               std::string(static_cast<size_t>(Width - filled), '.').c_str(), FSteps, FMaximum,
               FNote.empty() ? "" : ("  " + FNote).c_str());
  std::fflush(stderr);
}

}  // namespace Cli
