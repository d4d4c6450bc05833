#pragma once

#include <compare>
#include <cstdint>

// A binary floating-point number with a 64-bit significand, rounded to nearest with ties to even
// after every operation: the extended format in which the profile's curve values are defined,
// computed with 64-bit integers only, so that every platform gives the same bits (on x86 this is
// what long double does; elsewhere long double is a different format or plain double).
//
// Only finite numbers: the exponent has the range of a 32-bit integer, far beyond anything the
// curve arithmetic reaches, so nothing overflows or underflows within it. A zero has a sign, as in
// IEEE arithmetic, so that conversions to double give the same -0.0 as the hardware.
class TExtended {
 public:
  TExtended() = default;  // +0
  explicit TExtended(int64_t value);
  // Throws std::domain_error for an infinity or a NaN.
  explicit TExtended(double value);

  // Rounded to the nearest double, ties to even; beyond the double range this gives an infinity.
  double ToDouble() const;
  // Rounded to the nearest integer, ties to even (what lrint does in the default rounding mode).
  // Throws std::domain_error when the result does not fit in 64 bits.
  int64_t RoundToInteger() const;

  friend TExtended operator+(const TExtended& a, const TExtended& b);
  friend TExtended operator-(const TExtended& a, const TExtended& b);
  friend TExtended operator*(const TExtended& a, const TExtended& b);
  // Throws std::domain_error for a zero divisor.
  friend TExtended operator/(const TExtended& a, const TExtended& b);
  friend TExtended Abs(TExtended a) {
    a.FNegative = false;
    return a;
  }
  // +0 and -0 are equal.
  friend std::strong_ordering operator<=>(const TExtended& a, const TExtended& b);
  friend bool operator==(const TExtended& a, const TExtended& b) { return (a <=> b) == 0; }

  // The exact value is (Negative() ? -1 : 1) * Significand() * 2^(Exponent() - 63); the
  // significand is 0 for a zero and has its top bit set otherwise.
  bool Negative() const { return FNegative; }
  int32_t Exponent() const { return FExponent; }
  uint64_t Significand() const { return FSignificand; }

 private:
  // Rounds the exact value (hi * 2^64 + lo) * 2^(exponent - 127) to 64 bits; the lowest bit of lo
  // may stand for further non-zero bits below it. A zero gets the given sign.
  static TExtended Round(bool negative, int64_t exponent, uint64_t hi, uint64_t lo);

  bool FNegative = false;
  int32_t FExponent = 0;
  uint64_t FSignificand = 0;
};
