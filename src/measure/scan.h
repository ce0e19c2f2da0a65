// Sample scans shared by the measurement routines: extremes and sum, the
// search for the next sample beyond a level, and counts above a level. Each
// gives exactly what the one-sample-at-a-time loop gives; with vector scans
// off (the tests' reference) that loop is what runs.
#pragma once

#include <cstdint>

namespace uzyv {

// On by default; the tests turn it off to run every scan, the histogram and
// the sums of squares one sample at a time.
extern bool g_vectorScans;

struct Extremes {
  int32_t maximum;
  int32_t minimum;
  int64_t sum;
};

// The largest and smallest of samples [from, to) and of the given starting
// values, and the sum of the samples.
Extremes scanExtremes(const int16_t* s, int32_t from, int32_t to, int32_t maximum, int32_t minimum);

// The first index in [from, to) whose sample is below `level` (above it),
// or `to` when there is none.
int32_t findBelow(const int16_t* s, int32_t from, int32_t to, int64_t level);
int32_t findAbove(const int16_t* s, int32_t from, int32_t to, int64_t level);

// How many of samples [from, to) lie above `level`.
int32_t countAbove(const int16_t* s, int32_t from, int32_t to, int64_t level);

}  // namespace uzyv
