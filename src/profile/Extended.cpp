#include "Extended.h"

#include <bit>
#include <limits>
#include <stdexcept>

namespace {

constexpr uint64_t kTop = uint64_t(1) << 63;

// A 128-bit unsigned value as two halves.
struct TWide {
  uint64_t Hi = 0, Lo = 0;
};

// Shifts right by 0..127 bits (128 and more give 0); the bits shifted out are jammed into the
// lowest bit, which keeps "something non-zero was below" for the rounding.
TWide ShiftRightJam(TWide v, int64_t shift) {
  if (shift == 0) return v;
  if (shift >= 128) return TWide{0, (v.Hi | v.Lo) != 0};
  uint64_t lost;
  if (shift >= 64) {
    const int s = int(shift - 64);
    lost = v.Lo | (s == 0 ? 0 : v.Hi << (64 - s));
    v = TWide{0, s == 0 ? v.Hi : v.Hi >> s};
  } else {
    const int s = int(shift);
    lost = v.Lo << (64 - s);
    v = TWide{v.Hi >> s, (v.Lo >> s) | (v.Hi << (64 - s))};
  }
  v.Lo |= lost != 0;
  return v;
}

// The full 128-bit product of two 64-bit values, from 32-bit halves.
TWide MulWide(uint64_t a, uint64_t b) {
  const uint64_t aLo = a & 0xFFFFFFFF, aHi = a >> 32, bLo = b & 0xFFFFFFFF, bHi = b >> 32;
  const uint64_t ll = aLo * bLo, lh = aLo * bHi, hl = aHi * bLo, hh = aHi * bHi;
  const uint64_t mid = (ll >> 32) + (lh & 0xFFFFFFFF) + (hl & 0xFFFFFFFF);
  return TWide{hh + (lh >> 32) + (hl >> 32) + (mid >> 32), (mid << 32) | (ll & 0xFFFFFFFF)};
}

// (u1 * 2^64 + u0) / v for a v with its top bit set and u1 < v, so that the quotient fits in
// 64 bits; the remainder goes to rem. Long division in 32-bit digits, each estimated from the
// divisor's top digit and corrected at most twice.
uint64_t DivWide(uint64_t u1, uint64_t u0, uint64_t v, uint64_t& rem) {
  constexpr uint64_t base = uint64_t(1) << 32;
  const uint64_t vHi = v >> 32, vLo = v & 0xFFFFFFFF;
  const uint64_t uHi = u0 >> 32, uLo = u0 & 0xFFFFFFFF;
  auto digit = [&](uint64_t top, uint64_t next) {
    uint64_t q = top / vHi, rhat = top - q * vHi;
    while (q >= base || q * vLo > ((rhat << 32) | next)) {
      --q;
      rhat += vHi;
      if (rhat >= base) break;
    }
    return q;
  };
  const uint64_t q1 = digit(u1, uHi);
  const uint64_t mid = (u1 << 32) + uHi - q1 * v;  // exact modulo 2^64, and below v
  const uint64_t q0 = digit(mid, uLo);
  rem = (mid << 32) + uLo - q0 * v;
  return (q1 << 32) | q0;
}

// value >> shift (1..64) rounded to nearest, ties to even. The result may carry into one bit
// above the kept ones.
uint64_t ShiftRightRound(uint64_t value, int shift) {
  const uint64_t kept = shift == 64 ? 0 : value >> shift;
  const uint64_t rest = shift == 64 ? value : value & ((uint64_t(1) << shift) - 1);
  const uint64_t half = uint64_t(1) << (shift - 1);
  return kept + (rest > half || (rest == half && (kept & 1)));
}

// a + b or a - b for magnitudes with a >= b, each given as significand and exponent.
TWide AlignedSum(uint64_t aSig, uint64_t bSig, int64_t expDiff, bool subtract, bool& carry) {
  const TWide b = ShiftRightJam(TWide{bSig, 0}, expDiff);
  TWide r;
  if (subtract) {
    r.Lo = 0 - b.Lo;
    r.Hi = aSig - b.Hi - (b.Lo != 0);
    carry = false;
  } else {
    r.Lo = b.Lo;
    r.Hi = aSig + b.Hi;
    carry = r.Hi < aSig;
  }
  return r;
}

}  // namespace

TExtended TExtended::Round(bool negative, int64_t exponent, uint64_t hi, uint64_t lo) {
  TExtended r;
  r.FNegative = negative;
  if (hi == 0 && lo == 0) return r;
  // Normalize so that the top bit of hi is set.
  const int shift = hi != 0 ? std::countl_zero(hi) : 64 + std::countl_zero(lo);
  if (shift >= 64) {
    hi = lo << (shift - 64);
    lo = 0;
  } else if (shift > 0) {
    hi = (hi << shift) | (lo >> (64 - shift));
    lo <<= shift;
  }
  exponent -= shift;
  if (lo > kTop || (lo == kTop && (hi & 1))) {
    if (++hi == 0) {
      hi = kTop;
      ++exponent;
    }
  }
  if (exponent < std::numeric_limits<int32_t>::min() || exponent > std::numeric_limits<int32_t>::max())
    throw std::overflow_error("extended exponent out of range");
  r.FExponent = int32_t(exponent);
  r.FSignificand = hi;
  return r;
}

TExtended::TExtended(int64_t value) {
  if (value == 0) return;
  FNegative = value < 0;
  const uint64_t magnitude = FNegative ? 0 - uint64_t(value) : uint64_t(value);
  const int zeros = std::countl_zero(magnitude);
  FSignificand = magnitude << zeros;
  FExponent = 63 - zeros;
}

TExtended::TExtended(double value) {
  const uint64_t bits = std::bit_cast<uint64_t>(value);
  FNegative = (bits >> 63) != 0;
  const int biased = int((bits >> 52) & 0x7FF);
  const uint64_t fraction = bits & ((uint64_t(1) << 52) - 1);
  if (biased == 0x7FF) throw std::domain_error("not a finite number");
  if (biased == 0) {
    if (fraction == 0) return;
    // Subnormal: the value is fraction * 2^-1074.
    const int zeros = std::countl_zero(fraction);
    FSignificand = fraction << zeros;
    FExponent = -1074 + 63 - zeros;
    return;
  }
  FSignificand = ((uint64_t(1) << 52) | fraction) << 11;
  FExponent = biased - 1023;
}

double TExtended::ToDouble() const {
  const uint64_t sign = uint64_t(FNegative) << 63;
  if (FSignificand == 0) return std::bit_cast<double>(sign);
  if (FExponent > 1023) return std::bit_cast<double>(sign | (uint64_t(0x7FF) << 52));
  if (FExponent >= -1022) {
    // 53 bits; a carry out of them moves into the exponent field by itself.
    const uint64_t m = ShiftRightRound(FSignificand, 11);
    const uint64_t bits = (uint64_t(FExponent + 1022) << 52) + m;
    if ((bits >> 52) >= 0x7FF) return std::bit_cast<double>(sign | (uint64_t(0x7FF) << 52));
    return std::bit_cast<double>(sign | bits);
  }
  // Subnormal: as many bits as lie above 2^-1074; rounding up to 2^52 gives the smallest normal.
  const int64_t shift = 11 + (-1022 - int64_t(FExponent));
  if (shift > 64) return std::bit_cast<double>(sign);
  return std::bit_cast<double>(sign | ShiftRightRound(FSignificand, int(shift)));
}

int64_t TExtended::RoundToInteger() const {
  if (FSignificand == 0) return 0;
  uint64_t magnitude;
  if (FExponent >= 63) {
    throw std::domain_error("extended value out of the integer range");
  } else if (FExponent < -1) {
    magnitude = 0;  // below one half
  } else {
    magnitude = ShiftRightRound(FSignificand, 63 - FExponent);
  }
  if (magnitude > (FNegative ? kTop : kTop - 1)) throw std::domain_error("extended value out of the integer range");
  return FNegative ? int64_t(0 - magnitude) : int64_t(magnitude);
}

TExtended operator+(const TExtended& a, const TExtended& b) {
  if (b.FSignificand == 0) {
    if (a.FSignificand != 0) return a;
    TExtended zero;
    zero.FNegative = a.FNegative && b.FNegative;
    return zero;
  }
  if (a.FSignificand == 0) return b;
  // The larger magnitude first.
  const bool aLarger = a.FExponent > b.FExponent || (a.FExponent == b.FExponent && a.FSignificand >= b.FSignificand);
  const TExtended& big = aLarger ? a : b;
  const TExtended& small = aLarger ? b : a;
  const bool subtract = a.FNegative != b.FNegative;
  if (subtract && a.FExponent == b.FExponent && a.FSignificand == b.FSignificand) return TExtended();
  bool carry = false;
  TWide sum =
      AlignedSum(big.FSignificand, small.FSignificand, int64_t(big.FExponent) - small.FExponent, subtract, carry);
  int64_t exponent = big.FExponent;
  if (carry) {
    sum = ShiftRightJam(sum, 1);
    sum.Hi |= kTop;
    ++exponent;
  }
  return TExtended::Round(big.FNegative, exponent, sum.Hi, sum.Lo);
}

TExtended operator-(const TExtended& a, const TExtended& b) {
  TExtended negated = b;
  negated.FNegative = !b.FNegative;
  return a + negated;
}

TExtended operator*(const TExtended& a, const TExtended& b) {
  const bool negative = a.FNegative != b.FNegative;
  const TWide p = MulWide(a.FSignificand, b.FSignificand);
  return TExtended::Round(negative, int64_t(a.FExponent) + b.FExponent + 1, p.Hi, p.Lo);
}

TExtended operator/(const TExtended& a, const TExtended& b) {
  if (b.FSignificand == 0) throw std::domain_error("division by zero");
  const bool negative = a.FNegative != b.FNegative;
  if (a.FSignificand == 0) {
    TExtended zero;
    zero.FNegative = negative;
    return zero;
  }
  // a/b lies in (1/2, 2): its integer bit, 64 bits below it, one more and the remainder as the
  // sticky bit give at least 64 significant bits and the rounding.
  const uint64_t d = b.FSignificand;
  const bool whole = a.FSignificand >= d;
  uint64_t r = 0;
  const uint64_t q = DivWide(whole ? a.FSignificand - d : a.FSignificand, 0, d, r);
  const bool next = r >= d - r;  // 2r >= d without overflow
  const uint64_t last = next ? r - (d - r) : r;
  // The quotient times 2^65 is whole:q:next; place it at the top of the 128 bits.
  const uint64_t hi = (uint64_t(whole) << 63) | (q >> 1);
  const uint64_t lo = (q << 63) | (uint64_t(next) << 62) | (last != 0);
  return TExtended::Round(negative, int64_t(a.FExponent) - b.FExponent, hi, lo);
}

std::strong_ordering operator<=>(const TExtended& a, const TExtended& b) {
  const bool aZero = a.FSignificand == 0, bZero = b.FSignificand == 0;
  if (aZero && bZero) return std::strong_ordering::equal;
  const bool aNeg = a.FNegative && !aZero, bNeg = b.FNegative && !bZero;
  if (aNeg != bNeg) return aNeg ? std::strong_ordering::less : std::strong_ordering::greater;
  // Same sign: compare the magnitudes (a zero is the smallest), reversed for negative numbers.
  std::strong_ordering magnitude = std::strong_ordering::equal;
  if (aZero || bZero)
    magnitude = aZero ? std::strong_ordering::less : std::strong_ordering::greater;
  else if (a.FExponent != b.FExponent)
    magnitude = a.FExponent <=> b.FExponent;
  else
    magnitude = a.FSignificand <=> b.FSignificand;
  return aNeg ? 0 <=> magnitude : magnitude;
}
