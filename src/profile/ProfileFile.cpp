// The profile file (.spp): an INI-style text with the settings and the table as hexadecimal text.
#include <algorithm>

#include "FileIO.h"
#include "IniText.h"
#include "SpeedoDevice.h"

namespace {

constexpr const char* kSettings = "Settings";
constexpr const char* kData = "Data";

TIniText ReadIniFile(const std::string& fileName) {
  const auto content = ReadWholeFile(fileName);
  return content ? TIniText::Parse(*content) : TIniText{};
}

}  // namespace

int TSpeedoDevice::SaveToFile(const std::string& fileName) {
  // Other sections and keys of an existing file are kept in place.
  TIniText ini = ReadIniFile(fileName);
  WriteIni(ini);
  WriteWholeFile(fileName, ini.Render());
  return 0;
}

std::string TSpeedoDevice::SaveToText() const {
  TIniText ini;
  WriteIni(ini);
  return ini.Render();
}

std::string TSpeedoDevice::SaveToText(std::string_view existing) const {
  TIniText ini = TIniText::Parse(existing);
  WriteIni(ini);
  return ini.Render();
}

int TSpeedoDevice::LoadFromFile(const std::string& fileName) { return ReadIni(ReadIniFile(fileName)); }

int TSpeedoDevice::LoadFromText(std::string_view text) { return ReadIni(TIniText::Parse(text)); }

void TSpeedoDevice::WriteIni(TIniText& ini) const {
  const int count = LastIndex() + 1;
  const auto* image = reinterpret_cast<const uint8_t*>(FPoints);
  ini.Write(kSettings, "DB", std::to_string(FDeadband));
  ini.Write(kSettings, "FFQ", FrequencyName(FFwdFreq));
  ini.Write(kSettings, "BFQ", FrequencyName(FBrkFreq));
  ini.Write(kSettings, "Version", std::to_string(FormatVersion()));
  ini.Write(kData, "Data", HexEncode(image, static_cast<size_t>(count) * sizeof(TCurvePoint)));
}

int TSpeedoDevice::ReadIni(const TIniText& ini) {
  if (ini.ReadInteger(kSettings, "Version", 0) != FormatVersion()) return 1;

  Clear();
  // A level outside the model's range would index past the deadband table later on.
  FDeadband = std::clamp(ini.ReadInteger(kSettings, "DB", 1), 0, MaxDeadband());

  // Names are matched exactly; the last match wins and no match keeps the default index.
  auto findFrequency = [&](const char* key, int32_t& index) {
    const std::string fallback = FrequencyName(0);
    const std::string_view name = ini.Read(kSettings, key).value_or(fallback);
    for (int i = 0; i <= LastFrequencyIndex(); ++i)
      if (FrequencyName(i) == name) index = i;
  };
  findFrequency("FFQ", FFwdFreq);
  findFrequency("BFQ", FBrkFreq);

  // The table is taken only as a whole: the right length, hexadecimal digits throughout, and X
  // values that increase strictly (interpolation divides by the distance between them).
  const int count = LastIndex() + 1;
  const size_t size = static_cast<size_t>(count) * sizeof(TCurvePoint);
  const std::string_view hex = ini.Read(kData, "Data").value_or(std::string_view());
  if (hex.size() / 2 != size) return 0;
  const auto bytes = HexDecode(hex.substr(0, size * 2));
  if (!bytes) return 0;
  for (int i = 1; i < count; ++i)
    if ((*bytes)[3 * i] <= (*bytes)[3 * (i - 1)]) return 0;
  std::copy(bytes->begin(), bytes->end(), reinterpret_cast<uint8_t*>(FPoints));
  // Any set flag byte counts as a breakpoint. Interpolation and breakpoint removal look for the
  // value 1 only, so another value would be drawn as a breakpoint yet be moved like a derived entry.
  for (int i = 0; i < count; ++i)
    if (FPoints[i].Breakpoint != 0) FPoints[i].Breakpoint = 1;
  return 0;
}
