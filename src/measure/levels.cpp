// The level stage (extremes, mean, histogram top and base, cycle search) and
// the amplitude routines Vrms and Cycle Vrms. Levels are raw sample counts.
#include <cmath>

#include "measure/arith.h"
#include "measure/engine.h"

namespace uzyv {

bool AqMeasurement::MeasureLevels(MeasChannel* ch, const int16_t* s) {
  if (!s || !ch) return false;
  const int32_t start = ch->rangeStart;
  const int32_t end = ch->rangeEnd;
  if (start < 0 || start >= end || !readable(*ch, start, end)) return false;

  int32_t maximum = -32767;
  int32_t minimum = 32767;
  int64_t sum = 0;
  for (int32_t i = start; i < end; ++i) {
    const int32_t v = s[i];
    if (v > maximum) maximum = v;
    if (v < minimum) minimum = v;
    sum += v;
  }
  const int64_t mean = sum / (end - start);
  MeasSlot* slot = ch->slots;
  produce(slot[UZYV_MEAS_MAX], maximum);
  produce(slot[UZYV_MEAS_MIN], minimum);
  produce(slot[UZYV_MEAS_MEAN], double(mean));
  if (maximum - minimum >= 5) {
    ch->flat = 0;
    return true;
  }
  produce(slot[UZYV_MEAS_HIGH], maximum);
  produce(slot[UZYV_MEAS_LOW], minimum);
  produce(slot[UZYV_MEAS_MID], (maximum + minimum) / 2);
  ch->flat = 1;
  ch->cycleFound = 0;
  ch->positivePulse = ch->negativePulse = 0;
  return false;
}

bool AqMeasurement::MeasureTopBase(MeasChannel* ch, const int16_t* s) {
  if (!s || !ch || !tables_) return false;
  const int32_t start = ch->rangeStart;
  const int32_t end = ch->rangeEnd;
  if (start < 0 || start >= end || !readable(*ch, start, end)) return false;
  MeasSlot* slot = ch->slots;
  const int32_t threshold = truncToInt((end - start) * 0.05);
  const int32_t maximum = truncToInt(slot[UZYV_MEAS_MAX].raw);
  const int32_t minimum = truncToInt(slot[UZYV_MEAS_MIN].raw);
  const int32_t meanLevel = truncToInt(slot[UZYV_MEAS_MEAN].raw);
  if (maximum < -32768 || maximum > 32767 || minimum < -32768 || minimum > 32767 || meanLevel < -32768 ||
      meanLevel > 32767)
    return false;

  const bool narrow = maximum + 2048 < 4096;
  const int32_t size = narrow ? 4096 : kHistogramBins;
  const int32_t offset = narrow ? 2048 : 32768;
  const int32_t meanBin = meanLevel + offset;
  const int32_t maxBin = maximum + offset;
  const int32_t minBin = minimum + offset;
  if (maxBin > 65536 || minBin < 0) return false;
  if (meanBin < 0 || meanBin >= size) return false;

  int32_t* const hist = tables_.get();
  int32_t* const next = hist + kHistogramBins;  // next-difference table
  int32_t* const prev = next + kHistogramBins;  // previous-difference table
  for (int32_t b = 0; b < size; ++b) {
    hist[b] = 0;
    next[b] = -1;
    prev[b] = -1;
  }
  for (int32_t i = start; i < end; ++i) {
    const int32_t b = s[i] + offset;
    if (b < 0 || b >= size) return false;  // a sample beyond the extremes the level stage saw
    ++hist[b];
  }
  // Differences to the nearest occupied neighbours, for the occupied bins
  // 0 .. size - 2, each table in one sweep.
  for (int32_t b = 0, lastOccupied = -1; b <= size - 2; ++b) {
    if (!hist[b]) continue;
    if (lastOccupied >= 0) prev[b] = hist[b] - hist[lastOccupied];
    lastOccupied = b;
  }
  for (int32_t b = size - 2, nextOccupied = hist[size - 1] ? size - 1 : -1; b >= 0; --b) {
    if (!hist[b]) continue;
    if (nextOccupied >= 0) next[b] = hist[nextOccupied] - hist[b];
    nextOccupied = b;
  }

  // The most populated level on one side of the mean, searched from the
  // outside in. A strong level (above the threshold) is frozen by more than
  // five further occupied bins without a new maximum; a weak winner among
  // more than five occupied bins gives way to the first local peak.
  auto search = [&](int32_t from, int32_t to, int32_t step, const int32_t* diff, bool below) {
    int32_t best = 0, bestBin = 0, run = 0, occupied = 0, firstPeak = -1;
    bool stopped = false;
    for (int32_t b = from; b != to; b += step) {
      const int32_t h = hist[b];
      if (!h) continue;
      ++occupied;
      if (!stopped) {
        if (h > best) {
          best = h;
          bestBin = b;
          run = 0;
        } else if (best > threshold) {
          ++run;
          if (run > 5) stopped = true;
        }
      }
      if (firstPeak == -1 && (below ? diff[b] < 0 : diff[b] > 0)) firstPeak = b;
    }
    if (occupied == 0) return meanBin;
    if (hist[bestBin] < threshold && occupied > 5 && firstPeak != -1) return firstPeak;
    return bestBin;
  };
  const int32_t baseBin = search(0, meanBin, 1, next, true);
  const int32_t topBin = search(size - 1, meanBin, -1, prev, false);

  ch->top = topBin - offset;
  ch->base = baseBin - offset;
  produce(slot[UZYV_MEAS_HIGH], ch->top);
  produce(slot[UZYV_MEAS_LOW], ch->base);
  produce(slot[UZYV_MEAS_AMPLITUDE], topBin - baseBin);
  produce(slot[UZYV_MEAS_VPP], maximum - minimum);
  produce(slot[UZYV_MEAS_MID], (baseBin + topBin) / 2 - offset);
  slot[UZYV_MEAS_CYCLE_MEAN].raw = meanLevel;  // valid only when a cycle is found
  return true;
}

Crossings FindCrossings(const int16_t* s, int32_t start, int32_t end, int32_t low, int32_t high) {
  Crossings c;
  int32_t state = 0;
  for (int32_t i = start; i < end; ++i) {
    const int32_t v = s[i];
    const int32_t now = v > high ? 1 : v < low ? 2 : state;
    if (state != 0 && now != state) {
      c.index[c.count++] = i;
      if (c.count == 3) {
        c.state = now;
        return c;
      }
    }
    state = now;
  }
  c.state = state;
  return c;
}

bool AqMeasurement::FindCycle(MeasChannel* ch, const int16_t* s) {
  if (!s || !ch) return false;
  if (ch->rangeStart < 0 || ch->rangeEnd < ch->rangeStart) return false;
  if (ch->rangeStart < ch->spanStart || ch->rangeEnd > ch->spanEnd) return false;
  const double high = ch->slots[UZYV_MEAS_HIGH].raw;
  const double low = ch->slots[UZYV_MEAS_LOW].raw;
  const double mid = (high + low) * 0.5;
  const double d = (high - low) * 0.2;
  const Crossings c = FindCrossings(s, ch->rangeStart, ch->rangeEnd, truncToInt(mid - d), truncToInt(mid + d));
  if (c.count == 3) {
    ch->rangeStart = c.index[0];
    ch->rangeEnd = c.index[2];
    ch->positivePulse = ch->negativePulse = 1;
    return true;
  }
  if (c.count == 2) {
    const bool endsAbove = c.state == 1;  // above, below, above: a low pulse
    ch->negativePulse = endsAbove ? 1 : 0;
    ch->positivePulse = endsAbove ? 0 : 1;
    return false;
  }
  ch->positivePulse = ch->negativePulse = 0;
  return false;
}

bool AqMeasurement::MeasureRms(MeasChannel* ch, const int16_t* s, int32_t type) {
  if (!s || !ch || !input) return false;
  if (type != UZYV_MEAS_VRMS && type != UZYV_MEAS_CYCLE_VRMS) return false;
  MeasSlot& vrms = ch->slots[UZYV_MEAS_VRMS];
  MeasSlot& out = ch->slots[type];
  int32_t from = vrms.windowStart;
  int32_t to = vrms.windowEnd;
  if (type == UZYV_MEAS_CYCLE_VRMS) {
    if (!ch->cycleFound) {
      out.raw = vrms.raw;
      out.valid = vrms.valid;
      return true;
    }
    from = ch->rangeStart;
    to = ch->rangeEnd;
  }
  if (from < ch->spanStart || to > ch->spanEnd || from >= to) return false;
  const MeasInputChannel& cal = input->channel[currentChannel < kMeasInputChannels ? currentChannel : 0];
  const double zero = divide(cal.voltOffset * 1000 - cal.baseOffset, cal.gain) + cal.zeroLevel;
  double sum = 0;
  for (int32_t i = from; i < to; ++i) {
    const double e = s[i] - zero;
    sum += e * e;
  }
  const double rms = std::sqrt(sum / (to - from));
  double raw = std::trunc(rms * (double(cal.multiplier) / 10) * cal.gain * 10000);
  // Without a usable gain there is no voltage to report.
  if (!std::isfinite(raw)) return false;
  // The result is an integer, and an integer has no negative zero.
  if (raw == 0) raw = 0;
  produce(out, raw);
  return true;
}

}  // namespace uzyv
