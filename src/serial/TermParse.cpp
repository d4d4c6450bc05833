#include "TermParse.h"

#include <charconv>
#include <cstdint>
#include <string_view>

const char* const IllegalTerminatorMessage =
    "Illegal terminator string.\rformat : #<asciicode>#<asciicode>#<...>\rexample: #13#10";
const char* const EmptyTerminatorMessage = "Terminator string cannot be empty!";

namespace {

// A decimal integer in the signed 32-bit range with an optional sign, nothing else.
bool ParseDecimal(std::string_view part, int32_t& value) {
  const char* first = part.data();
  const char* last = first + part.size();
  if (first != last && *first == '+') ++first;
  if (first == last || *first == '+' || (*first == '-' && first != part.data())) return false;
  auto [end, ec] = std::from_chars(first, last, value);
  return ec == std::errc() && end == last;
}

}  // namespace

TTermParse ParseTerminator(const std::string& text, std::string& bytes) {
  bytes.clear();
  // The parts are read in place, without a copy of the rest of the text for each.
  std::string_view rest(text);
  if (!rest.empty()) rest.remove_prefix(1);
  while (!rest.empty()) {
    const auto hash = rest.find('#');
    int32_t value = 0;
    if (!ParseDecimal(rest.substr(0, hash), value)) {
      bytes = "\r\n";
      return TTermParse::tpIllegal;
    }
    bytes.push_back(static_cast<char>(static_cast<uint32_t>(value) & 0xFF));
    rest = hash == std::string_view::npos ? std::string_view() : rest.substr(hash + 1);
  }
  return bytes.empty() ? TTermParse::tpEmpty : TTermParse::tpOK;
}

std::string FormatTerminator(const std::string& bytes) {
  std::string text;
  text.reserve(bytes.size() * 4);
  for (unsigned char c : bytes) {
    char digits[4];
    const auto end = std::to_chars(digits, digits + sizeof digits, static_cast<unsigned>(c)).ptr;
    text += '#';
    text.append(digits, end);
  }
  return text;
}

bool TakeChunk(std::string& buffer, const std::string& term, std::string& chunk) {
  size_t searched = 0;
  return TakeChunk(buffer, term, chunk, searched);
}

bool TakeChunk(std::string& buffer, const std::string& term, std::string& chunk, size_t& searched) {
  if (term.empty()) return false;
  const auto pos = buffer.find(term, searched);
  if (pos == std::string::npos) {
    // A terminator may still complete across the last term.size()-1 bytes.
    searched = buffer.size() >= term.size() ? buffer.size() - term.size() + 1 : 0;
    return false;
  }
  chunk.assign(buffer, 0, pos + term.size());
  buffer.erase(0, pos + term.size());
  searched = 0;  // the rest has not been searched for a whole terminator yet
  return true;
}
