// The portable extended arithmetic against the x87 long double, bit for bit, on the forms of
// operands the curve uses. TORVANIC_EXTENDED_SETS and TORVANIC_EXTENDED_SEED choose a longer or
// another run than the default.
#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "CurveArithmetic.h"

namespace {

using TPortable = TCurveArithmetic<TExtended>;

// Values whose rounding is known: ties in both directions, a double rounding through the extended
// format, a subnormal and a carry into the next power of two.
TEST(Extended, KnownRoundings) {
  const double third = (TExtended(int64_t(1)) / TExtended(int64_t(3))).ToDouble();
  EXPECT_EQ(third, 1.0 / 3.0);
  EXPECT_EQ((TExtended(int64_t(1)) / TExtended(int64_t(3))).Significand(), 0xAAAAAAAAAAAAAAABull);
  // 2^64 + 1 does not fit in 64 bits: the tie goes to the even significand, 2^64.
  const TExtended big = TExtended(int64_t(1) << 62) * TExtended(4.0) + TExtended(int64_t(1));
  EXPECT_EQ(big.Significand(), 1ull << 63);
  EXPECT_EQ(big.Exponent(), 64);
  // 1 + 2^-53 + 2^-64 rounds to 1 + 2^-53 in extended, which is a tie that goes down as a double.
  const TExtended x = TExtended(1.0) + TExtended(std::ldexp(1.0, -53)) + TExtended(std::ldexp(1.0, -64));
  EXPECT_EQ(x.ToDouble(), 1.0);
  EXPECT_EQ(TExtended(std::ldexp(1.0, -1074)).ToDouble(), std::ldexp(1.0, -1074));
  EXPECT_EQ((TExtended(0.5) - TExtended(0.5)).ToDouble(), 0.0);
  EXPECT_FALSE(std::signbit((TExtended(0.5) - TExtended(0.5)).ToDouble()));
  EXPECT_TRUE(std::signbit((TExtended(int64_t(0)) * TExtended(-2.0)).ToDouble()));
  for (auto [v, rounded] : {std::pair{0.5, 0}, {1.5, 2}, {2.5, 2}, {-2.5, -2}, {-3.5, -4}, {2.4999, 2}})
    EXPECT_EQ(TExtended(v).RoundToInteger(), rounded) << v;
  EXPECT_LT(TExtended(-1.0), TExtended(-0.5));
  EXPECT_EQ(TExtended(0.0), TExtended(-0.0));
  // The curve's own case: 241.5 exactly, yet just below it in this arithmetic.
  const double slope = TPortable::Slope(201 - 255, 90 - 70);
  EXPECT_EQ(RoundToInteger(TPortable::Value(75, slope, TPortable::Intercept(255, 70, slope))), 241);
}

#if defined(__x86_64__) || defined(__i386__)
static_assert(std::numeric_limits<long double>::digits == 64, "x87 extended long double expected");
using TX87 = TCurveArithmetic<long double>;

uint64_t Bits(double v) { return std::bit_cast<uint64_t>(v); }

long double AsLongDouble(const TExtended& v) {
  const long double m = std::ldexp(static_cast<long double>(v.Significand()), v.Exponent() - 63);
  return v.Negative() ? -m : m;
}

// Operands of the curve's range (table bytes, their differences and the doubles made from them)
// half of the time, and wide-ranging ones otherwise: any 32-bit integer, doubles with any
// significand (often with trailing zeros, which makes ties) and exponents well beyond 2^±64.
struct TOperands {
  std::mt19937_64 Rng;
  explicit TOperands(uint64_t seed) : Rng(seed) {}
  bool Curve = true;
  int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(Rng); }
  int Byte() { return Curve ? Int(0, 255) : Int(std::numeric_limits<int>::min(), std::numeric_limits<int>::max()); }
  int Distance() {
    const int d = Curve ? Int(1, 255) : Byte();
    return d == 0 ? 1 : d;
  }
  int Diff() { return Curve ? Int(-255, 255) : Byte(); }
  double Real() {
    uint64_t fraction = Rng() & ((uint64_t(1) << 52) - 1);
    fraction &= ~uint64_t(0) << Int(0, 52);
    const double m = std::bit_cast<double>((uint64_t(1023) << 52) | fraction);
    return std::ldexp(Int(0, 1) ? -m : m, Int(-70, 70));
  }
  double Slope() { return Curve ? TX87::Slope(Diff(), Distance()) : Real(); }
  double Intercept(double slope) { return Curve ? TX87::Intercept(Byte(), Byte(), slope) : Real(); }
};

uint64_t SetCount() {
  const char* given = std::getenv("TORVANIC_EXTENDED_SETS");
  return given && *given ? std::stoull(given) : 10'000'000;
}

TEST(Extended, CurveFormsMatchTheX87BitForBit) {
  const char* seed = std::getenv("TORVANIC_EXTENDED_SEED");
  TOperands in(seed && *seed ? std::stoull(seed) : 20240601);
  const uint64_t sets = SetCount();
  uint64_t mismatches = 0;
  for (uint64_t n = 0; n < sets && mismatches < 10; ++n) {
    in.Curve = (n & 1) == 0;
    const int dy = in.Diff(), dx = in.Distance();
    const int yb = in.Byte(), xb = in.Byte(), x = in.Byte(), y = in.Byte(), d = in.Diff();
    const double slope = in.Slope(), intercept = in.Intercept(slope);
    const long double expected = TX87::Value(x, slope, intercept);
    const TExtended value = TPortable::Value(x, slope, intercept);
    const bool ok = Bits(TPortable::Slope(dy, dx)) == Bits(TX87::Slope(dy, dx)) &&
                    Bits(TPortable::Intercept(yb, xb, slope)) == Bits(TX87::Intercept(yb, xb, slope)) &&
                    Bits(TPortable::Deviation(y, d, slope, yb)) == Bits(TX87::Deviation(y, d, slope, yb)) &&
                    AsLongDouble(value) == expected && value.Negative() == std::signbit(expected) &&
                    (std::fabs(expected) >= 0x1p62L || RoundToInteger(value) == RoundToInteger(expected));
    if (!ok) {
      ++mismatches;
      ADD_FAILURE() << "set " << n << ": dy " << dy << " dx " << dx << " yb " << yb << " xb " << xb << " x " << x
                    << " y " << y << " d " << d << " slope " << std::hexfloat << slope << " intercept " << intercept;
    }
  }
  EXPECT_EQ(mismatches, 0u) << "of " << sets << " operand sets";
}
// The operations themselves on operands with full 64-bit significands, which the curve's small
// integers do not produce: a wrong quotient digit or a lost carry shows here first.
TEST(Extended, OperationsMatchTheX87BitForBit) {
  std::mt19937_64 rng(7);
  auto operand = [&rng](TExtended& e, long double& x) {
    const uint64_t sig = rng() | (uint64_t(1) << 63);
    const int shift = int(rng() % 64);  // often trailing zeros, which makes ties and exact results
    const uint64_t trimmed = shift == 63 ? uint64_t(1) << 63 : sig & (~uint64_t(0) << shift);
    const int exp = int(rng() % 160) - 80;
    const bool neg = rng() & 1;
    x = std::ldexp(static_cast<long double>(trimmed), exp - 63) * (neg ? -1 : 1);
    e = TExtended(std::ldexp(static_cast<double>(trimmed >> 11), exp - 52) * (neg ? -1 : 1));
    // Fill in the low 11 bits exactly: e = hi + lo.
    e = e + TExtended(std::ldexp(static_cast<double>(trimmed & 0x7FF), exp - 63) * (neg ? -1 : 1));
  };
  for (int n = 0; n < 1'000'000; ++n) {
    TExtended a, b;
    long double x, y;
    operand(a, x);
    operand(b, y);
    ASSERT_EQ(AsLongDouble(a), x);
    ASSERT_EQ(AsLongDouble(a + b), x + y) << n;
    ASSERT_EQ(AsLongDouble(a - b), x - y) << n;
    ASSERT_EQ(AsLongDouble(a * b), x * y) << n;
    ASSERT_EQ(AsLongDouble(a / b), x / y) << n;
    ASSERT_EQ(Bits((a * b).ToDouble()), Bits(static_cast<double>(x * y))) << n;
    ASSERT_EQ(a < b, x < y) << n;
  }
}
#endif

}  // namespace
