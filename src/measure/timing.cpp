// Timing and edge routines: frequency and period of the located cycle, the
// average frequency of the range, duty cycles and widths, rise and fall
// times of the first edges, and the edge counts. Times are in samples.
#include "measure/arith.h"
#include "measure/engine.h"
#include "measure/scan.h"

namespace uzyv {

namespace {
// origin + fraction x span, truncated: an edge level.
int32_t edgeLevel(double origin, double span, double fraction) { return truncToInt(origin + fraction * span); }
}  // namespace

double InterpolateCrossing(const int16_t* s, int32_t level, int32_t from, int32_t to) {
  if (!s) return -1;
  for (int32_t i = from < 0 ? 0 : from; i < to; ++i) {
    const int32_t a = s[i];
    const int32_t b = s[i + 1];
    if (a == level) return i;
    if ((a < level && level < b) || (a > level && level > b)) return i + (double(level) - a) / (b - a);
  }
  return -1;
}

bool AqMeasurement::MeasureFreqPeriod(MeasChannel* ch, const int16_t* s, int32_t) {
  if (!s || !ch || !input) return false;
  MeasSlot& frequency = ch->slots[UZYV_MEAS_FREQUENCY];
  MeasSlot& period = ch->slots[UZYV_MEAS_PERIOD];
  const int32_t first = ch->rangeStart;  // first crossing of the cycle
  const int32_t last = ch->rangeEnd;     // third crossing
  if (!ch->cycleFound || last < 1 || first < ch->spanStart || first >= ch->spanEnd || last - 1 < ch->spanStart ||
      last >= ch->spanEnd) {
    frequency.valid = period.valid = 0;
    return false;
  }
  const int32_t a = s[last - 1];
  const int32_t b = s[last];
  const int32_t p = s[first];
  // Where between samples last - 1 and last the waveform has the value it
  // had at the first crossing.
  const double f = a == b ? 0.0 : double(p - a) / (b - a);
  const double samples = (last - (1 - f)) - first;
  produce(period, samples);
  produce(frequency, divide(double(input->sampleRate), samples));
  return true;
}

bool AqMeasurement::MeasureAvgFreq(MeasChannel* ch, const int16_t* s, int32_t type) {
  if (!s || !ch || !input) return false;
  MeasSlot& out = ch->slots[type];
  const int32_t from = out.windowStart;
  const int32_t to = out.windowEnd;
  if (from < 0 || to < from) return false;
  out.raw = 0;
  out.valid = 0;
  if (!readable(*ch, from, to)) return false;
  const int32_t high = truncToInt(ch->slots[UZYV_MEAS_HIGH].raw);
  const int32_t low = truncToInt(ch->slots[UZYV_MEAS_LOW].raw);
  const int64_t span = int64_t(high) - low;
  const int32_t upper = truncToInt(low + 0.55 * double(span));
  const int32_t lower = truncToInt(low + 0.45 * double(span));
  const int64_t mid = (int64_t(low) + high) / 2;

  const bool startsHigh = s[from] >= mid;
  bool isHigh = startsHigh;
  bool seen = false;
  int32_t previous = 0;
  int64_t sum = 0;
  int32_t periods = 0;
  // From one transition to the next: a high state ends at a sample at or
  // below the lower level, a low state at one at or above the upper level.
  for (int32_t i = from; i < to; ++i) {
    i = isHigh ? findBelow(s, i, to, int64_t(lower) + 1) : findAbove(s, i, to, int64_t(upper) - 1);
    if (i >= to) break;
    if (isHigh == startsHigh) {  // the transition that leaves the initial state
      if (seen) {
        sum += i - previous;
        ++periods;
      }
      previous = i;
      seen = true;
    }
    isHigh = !isHigh;
  }
  if (sum == 0 || periods == 0) return false;
  produce(out, divide(double(input->sampleRate), double(sum)) * periods);
  return true;
}

bool AqMeasurement::MeasureDutyWidth(MeasChannel* ch, const int16_t* s, int32_t) {
  if (!s || !ch) return false;
  if (ch->widthsDone) return true;
  const int32_t start = ch->rangeStart;
  const int32_t end = ch->rangeEnd;
  if (!readable(*ch, start, end)) return false;
  const int64_t threshold =
      ch->cycleFound ? (int64_t(ch->top) + ch->base) / 2
                     : truncToInt(ch->slots[UZYV_MEAS_HIGH].raw + ch->slots[UZYV_MEAS_LOW].raw) / 2;
  const int32_t above = countAbove(s, start, end, threshold);
  const int32_t below = end - start - above;
  MeasSlot* slot = ch->slots;
  const double length = end - start;
  slot[UZYV_MEAS_POS_DUTY].raw = above / length * 100;
  slot[UZYV_MEAS_NEG_DUTY].raw = below / length * 100;
  slot[UZYV_MEAS_POS_DUTY].valid = slot[UZYV_MEAS_NEG_DUTY].valid = ch->cycleFound ? 1 : 0;
  slot[UZYV_MEAS_POS_WIDTH].raw = above;
  slot[UZYV_MEAS_POS_WIDTH].valid = ch->positivePulse ? 1 : 0;
  slot[UZYV_MEAS_NEG_WIDTH].raw = below;
  slot[UZYV_MEAS_NEG_WIDTH].valid = ch->negativePulse ? 1 : 0;
  ch->widthsDone = 1;
  return true;
}

// Rise Time (rising) or Fall Time: the first edge of the window between the
// lower and the upper edge level, interpolated at both ends. The slot's
// window becomes the edge: the sample where it started and the one where it
// completed.
bool AqMeasurement::edgeTime(MeasChannel* ch, const int16_t* s, int32_t type, bool rising) {
  if (!s || !ch) return false;
  MeasSlot& out = ch->slots[type];
  const int32_t from = out.windowStart;
  int32_t to = out.windowEnd;
  if (from < 0 || ch->flat) return false;
  if (to > ch->spanEnd) to = ch->spanEnd;
  if (from < ch->spanStart || from >= to) return false;
  const int32_t amplitude = ch->top - ch->base;
  const int32_t lower = edgeLevel(ch->base, amplitude, ch->lowReference);
  const int32_t upper = edgeLevel(ch->base, amplitude, ch->highReference);
  // A rising edge leaves the lower level and reaches the upper one; a
  // falling edge leaves the upper level and reaches the lower one.
  const int32_t leave = rising ? lower : upper;
  const int32_t reach = rising ? upper : lower;
  auto before = [rising](int32_t a, int32_t b) { return rising ? a < b : a > b; };  // a is on the far side of b

  int32_t prev = rising ? 32767 : -32767;
  bool crossed = false;
  int32_t candidate = 0;
  int32_t edgeStart = -1;
  int32_t edgeEnd = -1;
  for (int32_t i = from; i < to; ++i) {
    const int32_t v = s[i];
    if ((before(prev, leave) && before(leave, v)) || v == leave) {
      crossed = true;
      candidate = i;
      if (!before(v, reach)) {
        // Leaves and reaches within one step: the edge is that step. Sample
        // 0 has no earlier sample, so there the edge is that sample alone.
        edgeStart = i > 0 ? i - 1 : i;
        edgeEnd = i;
        break;
      }
    } else if (crossed && before(prev, reach) && !before(v, reach)) {
      edgeStart = candidate;
      edgeEnd = i;
      break;
    }
    prev = v;
  }
  if (edgeEnd < 0) return false;

  // The steps into the edge's ends may begin before the range: the caller's
  // array holds those samples. A step that would begin before sample 0 is no
  // crossing.
  double t1 = edgeStart - 1 < 0 ? -1 : InterpolateCrossing(s, leave, edgeStart - 1, edgeStart);
  if (t1 == -1) t1 = edgeStart;
  double t2 = edgeEnd - 1 < 0 ? -1 : InterpolateCrossing(s, reach, edgeEnd - 1, edgeEnd);
  if (t2 == -1 || t2 < t1) t2 = edgeEnd;
  produce(out, t2 - t1);
  out.windowStart = edgeStart;
  out.windowEnd = edgeEnd;
  return true;
}

bool AqMeasurement::MeasureRiseTime(MeasChannel* ch, const int16_t* s, int32_t) {
  return edgeTime(ch, s, UZYV_MEAS_RISE_TIME, true);
}

bool AqMeasurement::MeasureFallTime(MeasChannel* ch, const int16_t* s, int32_t) {
  return edgeTime(ch, s, UZYV_MEAS_FALL_TIME, false);
}

bool AqMeasurement::MeasureEdgeCounts(MeasChannel* ch, const int16_t* s, int32_t) {
  if (!s || !ch) return false;
  MeasSlot* slot = ch->slots;
  const int32_t from = slot[UZYV_MEAS_RISE_EDGE_COUNT].windowStart;
  const int32_t to = slot[UZYV_MEAS_RISE_EDGE_COUNT].windowEnd;
  if (from < 0 || ch->flat || !readable(*ch, from, to)) return false;
  const double high = slot[UZYV_MEAS_HIGH].raw;
  const double low = slot[UZYV_MEAS_LOW].raw;
  const int32_t lower = edgeLevel(low, high - low, ch->lowReference);
  const int32_t upper = edgeLevel(low, high - low, ch->highReference);
  bool isHigh = s[from] > (high + low) * 0.5;
  int32_t rising = 0;
  int32_t falling = 0;
  for (int32_t i = from; i < to; ++i) {
    i = isHigh ? findBelow(s, i, to, lower) : findAbove(s, i, to, upper);
    if (i >= to) break;
    if (isHigh)
      ++falling;
    else
      ++rising;
    isHigh = !isHigh;
  }
  produce(slot[UZYV_MEAS_RISE_EDGE_COUNT], rising);
  produce(slot[UZYV_MEAS_FALL_EDGE_COUNT], falling);
  produce(slot[UZYV_MEAS_EDGE_COUNT], double(rising) + falling);
  for (int32_t k : {UZYV_MEAS_FALL_EDGE_COUNT, UZYV_MEAS_EDGE_COUNT}) {
    slot[k].windowStart = from;
    slot[k].windowEnd = to;
  }
  return true;
}

}  // namespace uzyv
