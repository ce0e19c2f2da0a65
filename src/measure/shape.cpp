// Edge shape and inter-channel timing: overshoot and preshoot as percentages
// of the amplitude top - base, rise and fall delay against the reference
// channel (in samples), and the phase derived from them (in degrees).
#include "measure/arith.h"
#include "measure/engine.h"

namespace uzyv {

namespace {
// part / (top - base) x 100.
double percentOfAmplitude(const MeasChannel& ch, int32_t part) {
  return divide(part, double(ch.top) - ch.base) * 100;
}

// Level results give the signal an amplitude of at least 5 counts.
bool hasAmplitude(const MeasChannel& ch) {
  return ch.slots[UZYV_MEAS_HIGH].raw - ch.slots[UZYV_MEAS_LOW].raw >= 5;
}
}  // namespace

// + Overshoot (positive) or - Overshoot: after the signal has crossed its
// mean, the peak beyond the top (base) level before it comes back through
// that level. Falling back through the mean after a peak ends the search.
static bool overshoot(MeasChannel* ch, const int16_t* s, int32_t type, bool positive) {
  if (!s || !ch) return false;
  if (ch->rangeStart < 0 || !hasAmplitude(*ch)) return false;
  const MeasSlot& range = ch->slots[UZYV_MEAS_CYCLE_MEAN];  // its window is the whole range
  int32_t from = range.windowStart;
  int32_t to = range.windowEnd;
  if (from < ch->spanStart) from = ch->spanStart;
  if (to > ch->spanEnd) to = ch->spanEnd;
  if (to <= from) return false;
  const int32_t mean = truncToInt(range.raw);
  const int32_t level = positive ? ch->top : ch->base;
  // Mirror the comparisons for the negative side: "beyond" means above for
  // the positive overshoot and below for the negative one.
  auto beyond = [positive](int32_t a, int32_t b) { return positive ? a > b : a < b; };
  const int32_t margin = positive ? 1 : -1;

  int32_t prev = positive ? 32767 : -32767;
  int32_t peak = positive ? -32767 : 32767;
  bool crossed = false;
  bool found = false;
  for (int32_t i = from; i < to; ++i) {
    const int32_t v = s[i];
    if (v == mean || (beyond(mean, prev) && beyond(v, mean))) {
      crossed = true;
    } else if (crossed) {
      if (!beyond(level, prev) && !beyond(v, level)) {  // back through the top (base) level
        if (beyond(peak, v + margin)) {
          found = true;
          break;
        }
      } else if (beyond(prev, mean) && beyond(mean, v) && beyond(peak, mean + 5 * margin)) {
        return false;  // back through the mean after a peak
      }
    }
    prev = v;
    if (beyond(v, peak)) peak = v;
  }
  if (!found) return false;
  produce(ch->slots[type], percentOfAmplitude(*ch, positive ? peak - ch->top : ch->base - peak));
  return true;
}

bool AqMeasurement::MeasurePosOvershoot(MeasChannel* ch, const int16_t* s, int32_t type) {
  return overshoot(ch, s, type, true);
}

bool AqMeasurement::MeasureNegOvershoot(MeasChannel* ch, const int16_t* s, int32_t type) {
  return overshoot(ch, s, type, false);
}

// RPreshoot (rising) or FPreshoot: walking back in time from the edge that
// Rise Time (Fall Time) located, the dip below the base (peak above the top)
// just before it. The walk stops halfway to a preceding opposite edge.
static bool preshoot(MeasChannel* ch, const int16_t* s, int32_t type, bool rising) {
  if (!s || !ch) return false;
  if (ch->rangeStart < 0 || !hasAmplitude(*ch)) return false;
  const MeasSlot& edge = ch->slots[rising ? UZYV_MEAS_RISE_TIME : UZYV_MEAS_FALL_TIME];
  const MeasSlot& other = ch->slots[rising ? UZYV_MEAS_FALL_TIME : UZYV_MEAS_RISE_TIME];
  int32_t from = ch->slots[type].windowStart;
  if (other.windowStart < edge.windowStart) from = int32_t((int64_t(other.windowEnd) + edge.windowStart) / 2);
  if (from < ch->spanStart) from = ch->spanStart;
  int32_t i = edge.windowStart - 1;
  if (i > ch->spanEnd - 1) i = ch->spanEnd - 1;
  // "beyond" is below the base for the rising preshoot, above the top for
  // the falling one.
  auto beyond = [rising](int32_t a, int32_t b) { return rising ? a < b : a > b; };
  const int32_t level = rising ? ch->base : ch->top;
  const int32_t margin = rising ? -1 : 1;

  int32_t prev = rising ? -32767 : 32767;  // the sample after i in time
  int32_t extreme = rising ? 32767 : -32767;
  bool found = false;
  for (; i >= from; --i) {
    const int32_t v = s[i];
    if (!beyond(level, prev) && !beyond(v, level) && beyond(extreme, level + margin)) {
      found = true;
      break;
    }
    prev = v;
    if (beyond(v, extreme)) extreme = v;
  }
  if (!found) return false;
  produce(ch->slots[type], percentOfAmplitude(*ch, rising ? ch->base - extreme : extreme - ch->top));
  return true;
}

bool AqMeasurement::MeasureRisePreshoot(MeasChannel* ch, const int16_t* s, int32_t type) {
  return preshoot(ch, s, type, true);
}

bool AqMeasurement::MeasureFallPreshoot(MeasChannel* ch, const int16_t* s, int32_t type) {
  return preshoot(ch, s, type, false);
}

double FindMidCrossing(const int16_t* s, int32_t a, int32_t b, bool rising) {
  const int32_t mid = (s[a] + s[b]) / 2;
  for (int32_t j = a + 1; j <= b; ++j) {
    const int32_t p = s[j - 1];
    const int32_t q = s[j];
    if (rising ? (p < mid && mid <= q) : (p > mid && mid >= q)) return (j - 1) + double(mid - p) / (q - p);
  }
  return double((int64_t(a) + b) / 2);
}

// Rise Delay (rising) or Fall Delay: the 50 % crossing of this channel's
// first edge minus that of the reference channel's, locating either edge
// first when its edge time has not been measured in this pass.
bool AqMeasurement::delay(MeasChannel* ch, const int16_t* s, int32_t type, int32_t edgeType, bool rising) {
  if (!s || !ch || !input) return false;
  const int32_t ref = ch->reference;
  if (ref < 0 || !present(ref)) return false;
  MeasChannel* refChannel = &channels[ref];
  if (refChannel == ch) return false;
  const int16_t* refSamples = input->channel[ref].samples;
  if (!refChannel->slots[edgeType].valid && !edgeTime(refChannel, refSamples, edgeType, rising)) return false;
  if (!ch->slots[edgeType].valid && !edgeTime(ch, s, edgeType, rising)) return false;
  const MeasSlot& mine = ch->slots[edgeType];
  const MeasSlot& theirs = refChannel->slots[edgeType];
  auto located = [](const MeasChannel& c, const MeasSlot& e) {
    return e.windowStart >= 0 && e.windowStart + 1 >= c.spanStart && e.windowStart <= e.windowEnd &&
           e.windowEnd < c.spanEnd;
  };
  if (!refSamples || !located(*ch, mine) || !located(*refChannel, theirs)) return false;
  const double t = FindMidCrossing(s, mine.windowStart, mine.windowEnd, rising);
  const double r = FindMidCrossing(refSamples, theirs.windowStart, theirs.windowEnd, rising);
  produce(ch->slots[type], t - r);
  return true;
}

bool AqMeasurement::MeasureRiseDelay(MeasChannel* ch, const int16_t* s, int32_t type) {
  return delay(ch, s, type, UZYV_MEAS_RISE_TIME, true);
}

bool AqMeasurement::MeasureFallDelay(MeasChannel* ch, const int16_t* s, int32_t type) {
  return delay(ch, s, type, UZYV_MEAS_FALL_TIME, false);
}

bool AqMeasurement::MeasurePhase(MeasChannel* ch, const int16_t* s, int32_t type) {
  if (!s || !ch) return false;
  if (ch->reference < 0 || !present(ch->reference)) return false;
  const MeasSlot* slot = ch->slots;
  if (!slot[UZYV_MEAS_PERIOD].valid) return false;
  // The delay of whichever edge comes first. A Fall Time that located no
  // edge in this pass leaves its window at the range start, which comes
  // first: Fall Delay is chosen then.
  const MeasSlot& rise = slot[UZYV_MEAS_RISE_TIME];
  const MeasSlot& fall = slot[UZYV_MEAS_FALL_TIME];
  int32_t chosen;
  if (rise.valid)
    chosen = rise.windowStart < fall.windowStart ? UZYV_MEAS_RISE_DELAY : UZYV_MEAS_FALL_DELAY;
  else if (fall.valid)
    chosen = UZYV_MEAS_FALL_DELAY;
  else
    return false;
  // A delay not measured in this pass would carry an earlier run's value.
  if (!slot[chosen].valid) return false;
  produce(ch->slots[type], divide(slot[chosen].raw * -360, slot[UZYV_MEAS_PERIOD].raw));
  return true;
}

}  // namespace uzyv
