// The base-10 logarithm of the decibel scales, from basic IEEE double
// operations alone. The C runtime's log10 belongs to the host (on Windows it
// is the system's msvcrt.dll, which rounds its last bit differently on
// 32-bit and 64-bit hosts); this one gives the same bits in every build.
// Its error stays below one unit in the last place.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace uzyv {

inline double decimalLog(double x) {
  if (std::isnan(x)) return x;
  if (x < 0.0) return std::numeric_limits<double>::quiet_NaN();
  if (x == 0.0) return -std::numeric_limits<double>::infinity();
  if (std::isinf(x)) return x;

  // x = f * 2^e with f in [sqrt(1/2), sqrt(2)); both steps are exact.
  int e = 0;
  double f = std::frexp(x, &e);
  if (f < 0.70710678118654752440) {
    f *= 2.0;
    --e;
  }
  // ln f = ln(1 + g) = 2 atanh(s) with s = g / (2 + g), |s| < 0.172:
  // ln(1 + g) = g - h + s (h + R), h = g^2 / 2, R = 2 (z/3 + z^2/5 + ...),
  // z = s^2 < 0.0295; ten terms of R leave less than 2^-60 of ln f.
  const double g = f - 1.0;  // exact
  const double h = 0.5 * g * g;
  const double s = g / (2.0 + g);
  const double z = s * s;
  double series = 2.0 / 21.0;
  for (int k = 9; k >= 1; --k) series = series * z + 2.0 / double(2 * k + 1);
  const double r = z * series;

  // ln f as hi + lo with hi cut to 21 significant bits, so that hi times the
  // 32-bit upper part of 1 / ln 10 is exact; e times the 40-bit upper part
  // of log10(2) is exact too.
  const double hi = std::bit_cast<double>(std::bit_cast<uint64_t>(g - h) & ~uint64_t(0xFFFFFFFF));
  const double lo = (g - hi) - h + s * (h + r);
  constexpr double kInvLn10Hi = 0x1.bcb7b152p-2;
  constexpr double kInvLn10Lo = 0x1.b9438ca9aadd5p-36;
  constexpr double kLog10Of2Hi = 0x1.34413509f6p-2;
  constexpr double kLog10Of2Lo = 0x1.9fef311f12b36p-42;
  const double de = double(e);
  const double whole = de * kLog10Of2Hi;
  const double upper = hi * kInvLn10Hi;
  double lower = de * kLog10Of2Lo + (lo + hi) * kInvLn10Lo + lo * kInvLn10Hi;
  const double sum = whole + upper;
  lower += (whole - sum) + upper;
  return sum + lower;
}

}  // namespace uzyv
