// The mask arithmetic: tolerance conversion, the sliding-window limits and
// the comparison of a capture.
#include "passfail/mask.h"

#include <algorithm>

namespace uzyv {

namespace {
// A time tolerance in samples, truncated toward zero. Anything beyond 2^62
// samples covers every reference, so larger values are held at that bound.
int64_t samplesTruncated(double v) {
  constexpr double kBound = 4611686018427387904.0;  // 2^62
  if (v >= kBound) return int64_t(1) << 62;
  if (v <= -kBound) return -(int64_t(1) << 62);
  return int64_t(v);
}

// An amplitude tolerance in codes: the truncation must lie in 0 .. 65535.
bool codesTruncated(double v, int32_t& codes) {
  if (!(v > -1.0 && v < 65536.0)) return false;  // NaN fails too
  codes = int32_t(v);
  return true;
}
}  // namespace

Code maskTolerances(int64_t rate, int64_t tolBefore, int64_t tolAfter, int32_t tolBelow, int32_t tolAbove,
                    int32_t factor, double divisor, int32_t refOffset, MaskTolerances& out) {
  if (!maskRateUsable(rate) || divisor == 0.0) return UZYV_ERR_MASK;
  MaskTolerances t;
  const bool upFits = codesTruncated(double(tolAbove) / 1000000.0 * double(factor) / divisor, t.up);
  const bool downFits = codesTruncated(double(tolBelow) / 1000000.0 * double(factor) / divisor, t.down);
  t.back = samplesTruncated(double(rate) * double(tolBefore) / 1e12);
  t.ahead = samplesTruncated(double(rate) * double(tolAfter) / 1e12);
  t.refShift = int32_t(int64_t(refOffset) / sampleIntervalPs(rate));  // |offset / interval| <= |offset|
  if (!upFits || !downFits) return UZYV_ERR_MASK;
  out = t;
  return kOk;
}

void buildMaskLimits(const int16_t* reference, int32_t count, const MaskTolerances& tolerances, int16_t* upper,
                     int16_t* lower, int32_t* scratch) {
  // Both window ends only move forward with i, so a queue of candidate
  // positions per limit (values falling for the maximum, rising for the
  // minimum) gives each window's extreme at its front; every position enters
  // and leaves each queue once.
  int32_t* maxQueue = scratch;
  int32_t* minQueue = scratch + count;
  int32_t maxHead = 0, maxTail = 0, minHead = 0, minTail = 0;
  int64_t next = 0;  // the next position to enter the queues
  for (int64_t i = 0; i < count; ++i) {
    const int64_t first = std::max<int64_t>(0, i - tolerances.back);
    const int64_t last = std::min<int64_t>(i + tolerances.ahead, int64_t(count) - 1);
    for (; next <= last; ++next) {
      const int16_t v = reference[next];
      while (maxTail > maxHead && reference[maxQueue[maxTail - 1]] <= v) --maxTail;
      maxQueue[maxTail++] = int32_t(next);
      while (minTail > minHead && reference[minQueue[minTail - 1]] >= v) --minTail;
      minQueue[minTail++] = int32_t(next);
    }
    while (maxHead < maxTail && maxQueue[maxHead] < first) ++maxHead;
    while (minHead < minTail && minQueue[minHead] < first) ++minHead;
    int32_t hi = -9999;
    int32_t lo = 9999;
    if (first <= last) {  // position `last` is still queued, so neither queue is empty
      hi = std::max<int32_t>(hi, reference[maxQueue[maxHead]]);
      lo = std::min<int32_t>(lo, reference[minQueue[minHead]]);
    }
    upper[i] = int16_t(std::min(hi + tolerances.up, 2047));
    lower[i] = int16_t(std::max(lo - tolerances.down, -2048));
  }
}

int32_t firstMaskFailure(const int16_t* samples, int32_t n, int64_t g, const PassFailMask& mask) {
  const int64_t refShift = mask.refShift;
  // Steps j < L keep sample j + g and mask position j - refShift below n;
  // steps before `from` have one of them negative, steps from `to` on reach
  // past the mask.
  const int64_t steps = std::min<int64_t>(n, int64_t(n) - std::max(-refShift, g));
  const int64_t from = std::max({int64_t(0), -g, refShift});
  const int64_t to = std::min(steps, int64_t(mask.length) + refShift);
  const int16_t* upper = mask.upper();
  const int16_t* lower = mask.lower();
  for (int64_t j = from; j < to; ++j) {
    const int16_t s = samples[j + g];
    const int64_t k = j - refShift;
    if (s > upper[k] || s < lower[k]) return int32_t(j);
  }
  return -1;
}

}  // namespace uzyv
