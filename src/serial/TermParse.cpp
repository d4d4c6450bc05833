#include "TermParse.h"

#include <charconv>
#include <cstdint>

const char* const IllegalTerminatorMessage =
    "Illegal terminator string.\rformat : #<asciicode>#<asciicode>#<...>\rexample: #13#10";
const char* const EmptyTerminatorMessage = "Terminator string cannot be empty!";

namespace {

// A decimal integer in the signed 32-bit range with an optional sign, nothing else.
bool ParseDecimal(const std::string& part, int32_t& value) {
  const char* first = part.data();
  const char* last = first + part.size();
  if (first != last && *first == '+')
    ++first;
  if (first == last || *first == '+' || (*first == '-' && first != part.data()))
    return false;
  auto [end, ec] = std::from_chars(first, last, value);
  return ec == std::errc() && end == last;
}

} // namespace

TTermParse ParseTerminator(const std::string& text, std::string& bytes) {
  bytes.clear();
  std::string rest = text.empty() ? text : text.substr(1);
  while (!rest.empty()) {
    const auto hash = rest.find('#');
    const std::string part = rest.substr(0, hash);
    rest = hash == std::string::npos ? std::string() : rest.substr(hash + 1);
    int32_t value = 0;
    if (!ParseDecimal(part, value)) {
      bytes = "\r\n";
      return TTermParse::tpIllegal;
    }
    bytes.push_back(static_cast<char>(static_cast<uint32_t>(value) & 0xFF));
  }
  return bytes.empty() ? TTermParse::tpEmpty : TTermParse::tpOK;
}

std::string FormatTerminator(const std::string& bytes) {
  std::string text;
  for (unsigned char c : bytes)
    text += "#" + std::to_string(c);
  return text;
}

bool TakeChunk(std::string& buffer, const std::string& term, std::string& chunk) {
  if (term.empty())
    return false;
  const auto pos = buffer.find(term);
  if (pos == std::string::npos)
    return false;
  chunk = buffer.substr(0, pos + term.size());
  buffer.erase(0, pos + term.size());
  return true;
}
