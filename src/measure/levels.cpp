// The level stage (extremes, mean, histogram top and base, cycle search) and
// the amplitude routines Vrms and Cycle Vrms. Levels are raw sample counts.
#include <cmath>
#include <cstring>

#include "measure/arith.h"
#include "measure/engine.h"
#include "measure/scan.h"

namespace uzyv {

bool AqMeasurement::MeasureLevels(MeasChannel* ch, const int16_t* s) {
  if (!s || !ch) return false;
  const int32_t start = ch->rangeStart;
  const int32_t end = ch->rangeEnd;
  if (start < 0 || start >= end || !readable(*ch, start, end)) return false;

  const Extremes x = scanExtremes(s, start, end, -32767, 32767);
  const int32_t maximum = x.maximum;
  const int32_t minimum = x.minimum;
  const int64_t sum = x.sum;
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
  // Bins [low, high] of the three tables are in use; every bin outside them
  // is unoccupied. The counting pass with the extremes as bounds fills only
  // the bins of the extremes; a sample beyond them (extremes that were not
  // measured on these samples) takes the pass over every bin.
  int32_t low = 0, high = size - 1;
  if (!(g_vectorScans && minBin <= maxBin && countLevels(ch, s, start, end, offset, minBin, maxBin))) {
    for (int32_t b = 0; b < size; ++b) hist[b] = 0;
    for (int32_t i = start; i < end; ++i) {
      const int32_t b = s[i] + offset;
      if (b < 0 || b >= size) return false;  // a sample beyond the extremes the level stage saw
      ++hist[b];
    }
  } else {
    low = minBin;
    high = maxBin;
  }
  for (int32_t b = low; b <= high; ++b) {
    next[b] = -1;
    prev[b] = -1;
  }
  // Differences to the nearest occupied neighbours, for the occupied bins
  // 0 .. size - 2, each table in one sweep.
  for (int32_t b = low, lastOccupied = -1; b <= size - 2 && b <= high; ++b) {
    if (!hist[b]) continue;
    if (lastOccupied >= 0) prev[b] = hist[b] - hist[lastOccupied];
    lastOccupied = b;
  }
  for (int32_t b = high < size - 2 ? high : size - 2, nextOccupied = high == size - 1 && hist[size - 1] ? size - 1 : -1;
       b >= low; --b) {
    if (!hist[b]) continue;
    if (nextOccupied >= 0) next[b] = hist[nextOccupied] - hist[b];
    nextOccupied = b;
  }

  // The most populated level on one side of the mean, searched from the
  // outside in. A strong level (above the threshold) is frozen by more than
  // five further occupied bins without a new maximum; a weak winner among
  // more than five occupied bins gives way to the first local peak.
  // Only bins [low, high] can be occupied, so each search starts and ends
  // within them.
  auto search = [&](int32_t from, int32_t to, int32_t step, const int32_t* diff, bool below) {
    int32_t best = 0, bestBin = 0, run = 0, occupied = 0, firstPeak = -1;
    bool stopped = false;
    if (step > 0) {
      if (from < low) from = low;
      if (to > high + 1) to = high + 1;
    } else {
      if (from > high) from = high;
      if (to < low - 1) to = low - 1;
    }
    for (int32_t b = from; step > 0 ? b < to : b > to; b += step) {
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
  const double zero = rmsZero(cal);
  double sum = 0;
  const SquareSum* ready = currentChannel >= 0 && currentChannel < kMeasInputChannels ? &squares_[currentChannel]
                                                                                      : nullptr;
  if (ready && ready->matches(ch, s, from, to, zero)) {
    sum = ready->sum;  // the same sum, taken in the level stage's pass
  } else {
    for (int32_t i = from; i < to; ++i) {
      const double e = s[i] - zero;
      sum += e * e;
    }
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

double AqMeasurement::rmsZero(const MeasInputChannel& cal) {
  return divide(cal.voltOffset * 1000 - cal.baseOffset, cal.gain) + cal.zeroLevel;
}

bool AqMeasurement::SquareSum::matches(const MeasChannel* c, const int16_t* s, int32_t f, int32_t t,
                                       double z) const {
  return ready && channel == c && samples == s && from == f && to == t && std::memcmp(&zero, &z, sizeof z) == 0;
}

namespace {
// Counts samples [start, end) into four tables in turn, so that runs of
// equal samples do not wait on each other's increments, and adds up the
// squared deviations from `zero` in sample order when `squares` is given.
// False at the first sample outside bins [minBin, maxBin].
template <bool kSquares>
bool countInto(int32_t* const* t, const int16_t* s, int32_t start, int32_t end, int32_t offset, int32_t minBin,
               int32_t maxBin, double zero, double* squares) {
  const uint32_t span = uint32_t(maxBin - minBin);
  const int32_t shift = offset - minBin;
  double sum = 0;
  int32_t i = start;
  for (; i + 4 <= end; i += 4) {
    const int32_t v0 = s[i], v1 = s[i + 1], v2 = s[i + 2], v3 = s[i + 3];
    const uint32_t b0 = uint32_t(v0 + shift), b1 = uint32_t(v1 + shift), b2 = uint32_t(v2 + shift),
                   b3 = uint32_t(v3 + shift);
    if ((b0 > span) | (b1 > span) | (b2 > span) | (b3 > span)) return false;
    ++t[0][b0];
    ++t[1][b1];
    ++t[2][b2];
    ++t[3][b3];
    if (kSquares) {
      const double e0 = v0 - zero, e1 = v1 - zero, e2 = v2 - zero, e3 = v3 - zero;
      sum += e0 * e0;
      sum += e1 * e1;
      sum += e2 * e2;
      sum += e3 * e3;
    }
  }
  for (; i < end; ++i) {
    const int32_t v = s[i];
    const uint32_t b = uint32_t(v + shift);
    if (b > span) return false;
    ++t[0][b];
    if (kSquares) {
      const double e = v - zero;
      sum += e * e;
    }
  }
  if (kSquares) *squares = sum;
  return true;
}
}  // namespace

bool AqMeasurement::countLevels(MeasChannel* ch, const int16_t* s, int32_t start, int32_t end, int32_t offset,
                                int32_t minBin, int32_t maxBin) {
  int32_t* const hist = tables_.get();
  // The tables after the three of the level search, each seen from minBin.
  int32_t* t[4] = {hist + minBin, hist + 3 * kHistogramBins, hist + 4 * kHistogramBins, hist + 5 * kHistogramBins};
  const std::size_t bins = std::size_t(maxBin - minBin) + 1;
  // Fewer samples than bins seldom meet the same bin twice in a row; they
  // go into one table, which spares clearing and merging the other three.
  const bool interleaved = std::size_t(end - start) >= bins;
  if (!interleaved) t[1] = t[2] = t[3] = t[0];
  for (int k = 0; k < (interleaved ? 4 : 1); ++k) std::memset(t[k], 0, bins * sizeof(int32_t));

  SquareSum* squares = nullptr;
  if (currentChannel >= 0 && currentChannel < kMeasInputChannels && input) {
    const MeasSlot& vrms = ch->slots[UZYV_MEAS_VRMS];
    // The Vrms routine will sum these very samples when it is requested
    // and its window is the level stage's range.
    if ((vrms.flags & kSlotRequested) && vrms.windowStart == start && vrms.windowEnd == end)
      squares = &squares_[currentChannel];
  }
  bool ok;
  if (squares) {
    SquareSum& q = *squares;
    q = SquareSum{};
    q.zero = rmsZero(input->channel[currentChannel]);
    ok = countInto<true>(t, s, start, end, offset, minBin, maxBin, q.zero, &q.sum);
    if (ok) {
      q.channel = ch;
      q.samples = s;
      q.from = start;
      q.to = end;
      q.ready = true;
    }
  } else {
    ok = countInto<false>(t, s, start, end, offset, minBin, maxBin, 0.0, nullptr);
  }
  if (!ok) return false;
  if (interleaved)
    for (std::size_t b = 0; b < bins; ++b) t[0][b] += t[1][b] + t[2][b] + t[3][b];
  return true;
}

}  // namespace uzyv
