#include "IniText.h"

#include <utility>

namespace {

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char ca = static_cast<unsigned char>(a[i]);
    unsigned char cb = static_cast<unsigned char>(b[i]);
    if (ca >= 'a' && ca <= 'z') ca = static_cast<unsigned char>(ca - 'a' + 'A');
    if (cb >= 'a' && cb <= 'z') cb = static_cast<unsigned char>(cb - 'a' + 'A');
    if (ca != cb) return false;
  }
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The line that starts at `start`, without its end; `start` moves past the end (CR LF, a lone CR
// or a lone LF). Called only while start < text.size().
std::string_view NextLine(std::string_view text, size_t& start) {
  const size_t from = start;
  size_t end = from;
  while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
  start = end + 1;
  if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ++start;
  return text.substr(from, end - from);
}

}  // namespace

std::string_view TrimIni(std::string_view text) {
  size_t b = 0;
  size_t e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
  return text.substr(b, e - b);
}

TIniText TIniText::Parse(std::string_view text) {
  TIniText ini;
  ini.FSections.reserve(4);  // a profile has two
  for (size_t start = 0; start < text.size();) {
    const std::string_view line = TrimIni(NextLine(text, start));
    if (line.empty() || line.front() == ';') continue;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      ini.FSections.push_back(TSection{std::string(TrimIni(line.substr(1, line.size() - 2))), {}});
      ini.FSections.back().Lines.reserve(8);  // a profile's sections have fewer lines than that
      continue;
    }
    if (ini.FSections.empty()) continue;
    std::vector<TLine>& lines = ini.FSections.back().Lines;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos)
      lines.push_back(TLine{std::string(line), {}, false});
    else
      lines.push_back(TLine{std::string(TrimIni(line.substr(0, eq))), std::string(TrimIni(line.substr(eq + 1))), true});
  }
  return ini;
}

std::string TIniText::Render() const {
  // Sized first: grown line by line, the text would be copied again for every doubling.
  size_t size = 0;
  for (const TSection& s : FSections) {
    size += s.Name.size() + 6;
    for (const TLine& l : s.Lines) size += l.Name.size() + l.Value.size() + 3;
  }
  std::string out;
  out.reserve(size);
  for (const TSection& s : FSections) {
    out += '[';
    out += s.Name;
    out += "]\r\n";
    for (const TLine& l : s.Lines) {
      out += l.Name;
      if (l.HasValue) {
        out += '=';
        out += l.Value;
      }
      out += "\r\n";
    }
    out += "\r\n";
  }
  return out;
}

const TIniText::TSection* TIniText::FindSection(std::string_view name) const {
  for (auto it = FSections.rbegin(); it != FSections.rend(); ++it)
    if (SameName(it->Name, name)) return &*it;
  return nullptr;
}

TIniText::TSection* TIniText::FindSection(std::string_view name) {
  return const_cast<TSection*>(std::as_const(*this).FindSection(name));
}

std::optional<std::string_view> TIniText::Read(std::string_view section, std::string_view key) const {
  const TSection* s = FindSection(section);
  if (!s) return std::nullopt;
  for (auto it = s->Lines.rbegin(); it != s->Lines.rend(); ++it)
    if (it->HasValue && SameName(it->Name, key)) return it->Value;
  return std::nullopt;
}

int32_t TIniText::ReadInteger(std::string_view section, std::string_view key, int32_t def) const {
  const auto text = Read(section, key);
  if (!text) return def;
  return ParseIniInteger(*text).value_or(def);
}

void TIniText::Write(std::string_view section, std::string_view key, std::string value) {
  TSection* s = FindSection(section);
  if (!s) {
    FSections.push_back(TSection{std::string(section), {}});
    s = &FSections.back();
  }
  TLine line{std::string(key), std::move(value), true};
  for (auto it = s->Lines.rbegin(); it != s->Lines.rend(); ++it) {
    if (it->HasValue && SameName(it->Name, key)) {
      *it = std::move(line);
      return;
    }
  }
  s->Lines.push_back(std::move(line));
}

std::optional<int32_t> ParseIniInteger(std::string_view text) {
  if (text.empty()) return std::nullopt;
  size_t digitsAt = 0;
  if (text[0] == '$')
    digitsAt = 1;
  else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    digitsAt = 2;
  if (digitsAt > 0) {
    const std::string_view digits = text.substr(digitsAt);
    if (digits.empty()) return std::nullopt;
    uint64_t v = 0;
    for (char c : digits) {
      const int d = HexDigit(c);
      if (d < 0) return std::nullopt;
      v = v * 16 + static_cast<uint64_t>(d);
      if (v > 0xFFFFFFFFull) return std::nullopt;
    }
    return static_cast<int32_t>(static_cast<uint32_t>(v));
  }
  size_t i = 0;
  bool negative = false;
  if (text[0] == '+' || text[0] == '-') {
    negative = text[0] == '-';
    i = 1;
  }
  if (i == text.size()) return std::nullopt;
  int64_t v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    v = v * 10 + (text[i] - '0');
    if (v > 2147483648LL) return std::nullopt;
  }
  if (negative) v = -v;
  if (v > 2147483647LL) return std::nullopt;
  return static_cast<int32_t>(v);
}

std::string HexEncode(const uint8_t* data, size_t size) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out(size * 2, '0');
  for (size_t i = 0; i < size; ++i) {
    out[2 * i] = digits[data[i] >> 4];
    out[2 * i + 1] = digits[data[i] & 0x0F];
  }
  return out;
}

std::optional<std::vector<uint8_t>> HexDecode(std::string_view text) {
  std::vector<uint8_t> bytes(text.size() / 2);
  for (size_t i = 0; i < bytes.size(); ++i) {
    const int hi = HexDigit(text[2 * i]);
    const int lo = HexDigit(text[2 * i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    bytes[i] = static_cast<uint8_t>(hi * 16 + lo);
  }
  return bytes;
}
