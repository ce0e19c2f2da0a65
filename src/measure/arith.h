// Arithmetic of the measurement routines that stays defined for every input:
// double-to-integer truncation that cannot overflow and a quotient that
// never divides by zero.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace uzyv {

// Truncation toward zero. Values beyond int32 saturate and NaN gives 0; the
// routines only meet those when their input is not a sample block at all.
inline int32_t truncToInt(double x) {
  if (!(x > -2147483649.0)) return std::isnan(x) ? 0 : std::numeric_limits<int32_t>::min();
  if (!(x < 2147483648.0)) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(x);
}

// a / b with the IEEE result, but without dividing when b is zero: a signed
// infinity for a non-zero a, NaN for a zero or NaN a.
inline double divide(double a, double b) {
  if (b != 0) return a / b;
  if (std::isnan(a) || a == 0) return std::numeric_limits<double>::quiet_NaN();
  return std::signbit(a) != std::signbit(b) ? -std::numeric_limits<double>::infinity()
                                            : std::numeric_limits<double>::infinity();
}

}  // namespace uzyv
