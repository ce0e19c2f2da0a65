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

  // x = f * 2^e with f in [sqrt(1/2), sqrt(2)), from the bits; exact.
  int e = 0;
  if (x < 0x1p-1022) {  // subnormal: scale into the normal range first
    x *= 0x1p54;
    e = -54;
  }
  const uint64_t bits = std::bit_cast<uint64_t>(x);
  e += int(bits >> 52) - 1023;
  double f = std::bit_cast<double>((bits & ((uint64_t(1) << 52) - 1)) | (uint64_t(1023) << 52));
  if (f >= 1.41421356237309504880) {
    f *= 0.5;
    ++e;
  }
  // ln f = ln(1 + g) = 2 atanh(s) with s = g / (2 + g), |s| < 0.172:
  // ln(1 + g) = g - h + s (h + R), h = g^2 / 2, R = 2 (z/3 + z^2/5 + ...),
  // z = s^2 < 0.0295; ten terms of R leave less than 2^-60 of ln f.
  const double g = f - 1.0;  // exact
  const double h = 0.5 * g * g;
  const double s = g / (2.0 + g);
  const double z = s * s;
  constexpr double kTerms[10] = {2.0 / 3,  2.0 / 5,  2.0 / 7,  2.0 / 9,  2.0 / 11,
                                 2.0 / 13, 2.0 / 15, 2.0 / 17, 2.0 / 19, 2.0 / 21};
  double series = kTerms[9];
  for (int k = 8; k >= 0; --k) series = series * z + kTerms[k];
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
