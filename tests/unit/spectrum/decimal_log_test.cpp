// The decibel scales' own base-10 logarithm: edge values, and the error
// against the extended-precision logarithm over the whole double range.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "spectrum/decimal_log.h"

using uzyv::decimalLog;

namespace {

TEST(DecimalLog, EdgeValues) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(-inf, decimalLog(0.0));
  EXPECT_EQ(-inf, decimalLog(-0.0));
  EXPECT_EQ(inf, decimalLog(inf));
  EXPECT_TRUE(std::isnan(decimalLog(-1e-300)));
  EXPECT_TRUE(std::isnan(decimalLog(-inf)));
  EXPECT_TRUE(std::isnan(decimalLog(std::numeric_limits<double>::quiet_NaN())));
  EXPECT_EQ(0.0, decimalLog(1.0));
  // Exact powers of ten give their exponent exactly: 20 dB per decade.
  double power = 1.0;
  for (int k = 0; k <= 22; ++k, power *= 10.0) EXPECT_EQ(double(k), decimalLog(power)) << k;
}

// Error in units of the last place of the extended-precision reference.
double ulpError(double x) {
  const long double reference = std::log10(static_cast<long double>(x));
  const double rounded = double(reference);
  if (rounded == 0.0) return std::fabs(decimalLog(x)) == 0.0 ? 0.0 : 1e9;
  const double ulp = std::nextafter(std::fabs(rounded), std::numeric_limits<double>::infinity()) - std::fabs(rounded);
  return double(std::fabs(static_cast<long double>(decimalLog(x)) - reference) / ulp);
}

TEST(DecimalLog, WithinOneUnitInTheLastPlace) {
  std::mt19937_64 rng(3);
  double worst = 0.0;
  auto check = [&](double x) {
    const double e = ulpError(x);
    if (e > worst) worst = e;
    ASSERT_LE(e, 1.0) << "log10 of " << x;
  };
  // Any positive finite double, subnormals included, by its bits.
  for (int i = 0; i < 200000; ++i) {
    const double x = std::bit_cast<double>(rng() >> 1);
    if (std::isfinite(x) && x > 0.0) check(x);
  }
  // Close to 1, where the logarithm itself is small, and about the
  // reduction's edges at sqrt(1/2) and sqrt(2).
  for (int i = 1; i <= 20000; ++i) {
    check(1.0 + i * 0x1p-40);
    check(1.0 - i * 0x1p-41);
    check(std::nextafter(0.70710678118654752440, 0.0) + i * 0x1p-50);
    check(1.41421356237309504880 - i * 0x1p-49);
  }
  check(std::numeric_limits<double>::denorm_min());
  check(std::numeric_limits<double>::max());
  RecordProperty("worst_ulp", std::to_string(worst));
}

}  // namespace
