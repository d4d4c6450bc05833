#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The in-memory form of an INI-style text: sections of lines, each line either "name=value" or
// kept as it stood. Reading and writing are pure; the file itself is handled elsewhere.
//
// Reading rules: lines end at CR LF, a lone CR or a lone LF; each line is trimmed of spaces and
// control characters; empty lines, lines beginning with ";" and lines before the first section are
// dropped. Names are matched without regard to ASCII letter case, and of several sections or keys
// with the same name the last one is read and overwritten.
class TIniText {
 public:
  struct TLine {
    std::string Name;  // the key, or the whole line when HasValue is false
    std::string Value;
    bool HasValue = false;
  };
  struct TSection {
    std::string Name;
    std::vector<TLine> Lines;
  };

  static TIniText Parse(std::string_view text);

  // The whole text: each section's header, its lines and one empty line, every line ended by CR LF.
  std::string Render() const;

  // The value of a key, or nothing when the section or the key is missing. The view stays valid
  // until this text is changed or destroyed.
  std::optional<std::string_view> Read(std::string_view section, std::string_view key) const;
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;

  // Replaces an existing key's line in place (with the name as given here), appends a new key at
  // the end of its section, or appends a new section at the end of the text.
  void Write(std::string_view section, std::string_view key, std::string value);

  const std::vector<TSection>& Sections() const { return FSections; }

 private:
  TSection* FindSection(std::string_view name);
  const TSection* FindSection(std::string_view name) const;

  std::vector<TSection> FSections;
};

// Decimal with an optional sign, or hexadecimal after "$", "0x" or "0X" (up to 32 bits, taken as
// two's complement). Nothing for an empty or malformed text or a decimal outside 32 bits.
std::optional<int32_t> ParseIniInteger(std::string_view text);

// Trims leading and trailing spaces and control characters (bytes up to 0x20).
std::string_view TrimIni(std::string_view text);

// Upper-case hexadecimal digits, two per byte, high digit first.
std::string HexEncode(const uint8_t* data, size_t size);

// Decodes pairs of hexadecimal digits (either case); a trailing odd digit is ignored. Nothing when
// any pair holds a character that is not a hexadecimal digit.
std::optional<std::vector<uint8_t>> HexDecode(std::string_view text);
