#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

class TIniText;

// One entry of the profile table, byte for byte as the profile file stores it.
struct TCurvePoint {
  uint8_t X;           // stick position, 0..127 in the V4 layout
  uint8_t Y;           // output, 0..255
  uint8_t Breakpoint;  // 1 = set by the user, 0 = derived by interpolation
};
static_assert(sizeof(TCurvePoint) == 3, "TCurvePoint must be three packed bytes");

// A profile point (X, Y in profile units) or a screen point (column, row in pixels).
struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

// A profile file that cannot be read or written; the message names the file and the
// operating system's reason.
class EFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The profile object: a table of 256 entries of which 0..LastIndex() are used, the deadband
// level and the forward and brake frequency indices. Everything that depends on the controller
// model is reached through the virtual operations; this base class gives neutral defaults.
//
// Operations do no range checking: callers keep entry indices in 0..LastIndex(), levels in
// 0..MaxDeadband() and frequency indices in 0..LastFrequencyIndex().
class TSpeedoDevice {
 public:
  static constexpr int TableSize = 256;

  TSpeedoDevice();
  virtual ~TSpeedoDevice();
  TSpeedoDevice(const TSpeedoDevice&) = delete;
  TSpeedoDevice& operator=(const TSpeedoDevice&) = delete;

  // Model-dependent operations (the order is that of the original virtual slots).
  virtual void Clear();
  virtual int LastIndex() const;
  virtual int MaxDeadband() const;
  virtual void SetDeadband(int level);
  virtual int GetDeadband() const;
  virtual bool InDeadband(int index) const;
  virtual void SetFrequencies(int fwd, int brk);
  virtual void GetFrequencies(int& fwd, int& brk) const;
  virtual int LastFrequencyIndex() const;
  virtual std::string FrequencyName(int index) const;
  virtual int FormatVersion() const;

  // Copies all 256 entries and the three settings; no interpolation, no virtual call.
  void Assign(const TSpeedoDevice& source);
  // True when both hold the same entries and settings: everything that Assign copies.
  bool SameAs(const TSpeedoDevice& other) const;
  void Interpolate();
  TPoint GetPoint(int index) const;
  int GetY(int index) const;
  void SetY(int index, uint8_t value);
  bool IsBreakpoint(int index) const;
  void SetBreakpoint(int index);
  void ClearBreakpoint(int index);
  int PrevBreakpoint(int index) const;
  int NextBreakpoint(int index) const;
  int IndexOfX(int32_t x) const;
  void DetectDeadband();
  void FitCurve(double tolerance);

  // The deadband level without virtual dispatch.
  int Deadband() const { return FDeadband; }

  // Profile file (.spp). SaveToFile returns 0 or throws EFileError; LoadFromFile returns
  // 0 (loaded) or 1 (version mismatch, profile unchanged) or throws EFileError.
  // File names are UTF-8 paths.
  int SaveToFile(const std::string& fileName);
  int LoadFromFile(const std::string& fileName);
  // The same in memory: SaveToText gives the bytes SaveToFile writes into a new file;
  // LoadFromText reads such a text by the rules of LoadFromFile and returns what it would.
  std::string SaveToText() const;
  // The bytes SaveToFile writes over a file that holds `existing`.
  std::string SaveToText(std::string_view existing) const;
  int LoadFromText(std::string_view text);

 protected:
  void WriteIni(TIniText& ini) const;
  int ReadIni(const TIniText& ini);

  int32_t FDeadband = 0;
  int32_t FFwdFreq = 0;
  int32_t FBrkFreq = 0;
  TCurvePoint FPoints[TableSize] = {};
};
