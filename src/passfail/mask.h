// The pass/fail mask: per-position upper and lower raw-code limits built
// from a reference waveform, and the test of a capture against them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/result.h"

namespace uzyv {

struct PassFailMask {
  std::vector<int16_t> limits;  // `upper` then `lower`, `length` codes each
  int32_t length = 0;
  int32_t refShift = 0;  // the reference's time offset in samples

  const int16_t* upper() const { return limits.data(); }
  const int16_t* lower() const { return limits.data() + length; }
};

// The library's one mask, a member of the library object; null before the
// first successful build.
PassFailMask* passFailMask();
void replacePassFailMask(std::unique_ptr<PassFailMask> mask);  // null discards

// Sample rates the mask arithmetic accepts: 1 .. 10^12 samples per second,
// so that the interval 10^12 div rate is at least one picosecond.
inline constexpr int64_t kPicosecondsPerSecond = 1000000000000;
inline bool maskRateUsable(int64_t rate) { return rate >= 1 && rate <= kPicosecondsPerSecond; }
inline int64_t sampleIntervalPs(int64_t rate) { return kPicosecondsPerSecond / rate; }

// The tolerances of a build in codes and samples.
struct MaskTolerances {
  int32_t up = 0;      // codes over the reference
  int32_t down = 0;    // codes under it
  int64_t back = 0;    // samples looked back (may be negative)
  int64_t ahead = 0;   // samples looked ahead (may be negative)
  int32_t refShift = 0;
};

// Converts a build's arguments; UZYV_ERR_MASK when the rate is not usable,
// the divisor is 0, or an amplitude tolerance is not 0 .. 65535 codes.
Code maskTolerances(int64_t rate, int64_t tolBefore, int64_t tolAfter, int32_t tolBelow, int32_t tolAbove,
                    int32_t factor, double divisor, int32_t refOffset, MaskTolerances& out);

// upper[i] and lower[i] for each of `count` reference positions: the largest
// and smallest code within [i - back, i + ahead] (clipped to the reference;
// -9999 and 9999 when that is empty), widened by up and down and limited to
// 2047 and -2048. Linear in count; `scratch` holds 2 x count entries.
void buildMaskLimits(const int16_t* reference, int32_t count, const MaskTolerances& tolerances, int16_t* upper,
                     int16_t* lower, int32_t* scratch);

// Step number of the first of n samples outside the mask for a capture
// shift g, or -1; mask positions from `length` on are never compared.
int32_t firstMaskFailure(const int16_t* samples, int32_t n, int64_t g, const PassFailMask& mask);

}  // namespace uzyv
