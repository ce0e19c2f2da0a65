// The sample scans, eight samples at a time with SSE2 where the host has it.
#include "measure/scan.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace uzyv {

bool g_vectorScans = true;

namespace {

Extremes plainExtremes(const int16_t* s, int32_t from, int32_t to, int32_t maximum, int32_t minimum) {
  int64_t sum = 0;
  for (int32_t i = from; i < to; ++i) {
    const int32_t v = s[i];
    if (v > maximum) maximum = v;
    if (v < minimum) minimum = v;
    sum += v;
  }
  return {maximum, minimum, sum};
}

int32_t plainFindBelow(const int16_t* s, int32_t from, int32_t to, int64_t level) {
  for (int32_t i = from; i < to; ++i)
    if (s[i] < level) return i;
  return to < from ? from : to;
}

int32_t plainFindAbove(const int16_t* s, int32_t from, int32_t to, int64_t level) {
  for (int32_t i = from; i < to; ++i)
    if (s[i] > level) return i;
  return to < from ? from : to;
}

int32_t plainCountAbove(const int16_t* s, int32_t from, int32_t to, int64_t level) {
  int32_t above = 0;
  for (int32_t i = from; i < to; ++i)
    if (s[i] > level) ++above;
  return above;
}

#if defined(__SSE2__)
inline __m128i load8(const int16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// Index of the first set lane of a 16-bit lane comparison mask.
inline int32_t firstLane(int mask) { return int32_t(__builtin_ctz(unsigned(mask)) / 2); }

// The first index from `i` on (in whole vectors before `to`) whose lane
// comparison holds, or the first index no whole vector covers.
template <class Compare>
int32_t findVector(const int16_t* s, int32_t& i, int32_t to, Compare compare) {
  for (; i + 32 <= to; i += 32) {
    const __m128i a = compare(load8(s + i)), b = compare(load8(s + i + 8));
    const __m128i c = compare(load8(s + i + 16)), d = compare(load8(s + i + 24));
    if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d)))) {
      if (int m = _mm_movemask_epi8(a)) return i + firstLane(m);
      if (int m = _mm_movemask_epi8(b)) return i + 8 + firstLane(m);
      if (int m = _mm_movemask_epi8(c)) return i + 16 + firstLane(m);
      return i + 24 + firstLane(_mm_movemask_epi8(d));
    }
  }
  for (; i + 8 <= to; i += 8)
    if (int m = _mm_movemask_epi8(compare(load8(s + i)))) return i + firstLane(m);
  return -1;
}
#endif

}  // namespace

Extremes scanExtremes(const int16_t* s, int32_t from, int32_t to, int32_t maximum, int32_t minimum) {
#if defined(__SSE2__)
  if (g_vectorScans && to - from >= 16) {
    // Lanes of extremes, and sums of sample pairs in 32-bit lanes, widened
    // into 64 bits before 2^15 pairs can overflow them.
    __m128i hi = _mm_set1_epi16(INT16_MIN), lo = _mm_set1_epi16(INT16_MAX);
    const __m128i ones = _mm_set1_epi16(1);
    int64_t sum = 0;
    int32_t i = from;
    while (i + 8 <= to) {
      __m128i pairs = _mm_setzero_si128();
      const int32_t blockEnd = to - i > 8 * 16384 ? i + 8 * 16384 : to;
      for (; i + 8 <= blockEnd; i += 8) {
        const __m128i v = load8(s + i);
        hi = _mm_max_epi16(hi, v);
        lo = _mm_min_epi16(lo, v);
        pairs = _mm_add_epi32(pairs, _mm_madd_epi16(v, ones));
      }
      alignas(16) int32_t lanes[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(lanes), pairs);
      sum += int64_t(lanes[0]) + lanes[1] + lanes[2] + lanes[3];
    }
    alignas(16) int16_t his[8], los[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(his), hi);
    _mm_store_si128(reinterpret_cast<__m128i*>(los), lo);
    for (int k = 0; k < 8; ++k) {
      if (his[k] > maximum) maximum = his[k];
      if (los[k] < minimum) minimum = los[k];
    }
    const Extremes tail = plainExtremes(s, i, to, maximum, minimum);
    return {tail.maximum, tail.minimum, sum + tail.sum};
  }
#endif
  return plainExtremes(s, from, to, maximum, minimum);
}

int32_t findBelow(const int16_t* s, int32_t from, int32_t to, int64_t level) {
#if defined(__SSE2__)
  if (g_vectorScans && to - from >= 8) {
    if (level > INT16_MAX) return from;  // every sample lies below
    if (level <= INT16_MIN) return to;
    const __m128i l = _mm_set1_epi16(int16_t(level));
    int32_t i = from;
    const int32_t found = findVector(s, i, to, [l](__m128i v) { return _mm_cmplt_epi16(v, l); });
    return found >= 0 ? found : plainFindBelow(s, i, to, level);
  }
#endif
  return plainFindBelow(s, from, to, level);
}

int32_t findAbove(const int16_t* s, int32_t from, int32_t to, int64_t level) {
#if defined(__SSE2__)
  if (g_vectorScans && to - from >= 8) {
    if (level < INT16_MIN) return from;  // every sample lies above
    if (level >= INT16_MAX) return to;
    const __m128i l = _mm_set1_epi16(int16_t(level));
    int32_t i = from;
    const int32_t found = findVector(s, i, to, [l](__m128i v) { return _mm_cmpgt_epi16(v, l); });
    return found >= 0 ? found : plainFindAbove(s, i, to, level);
  }
#endif
  return plainFindAbove(s, from, to, level);
}

int32_t countAbove(const int16_t* s, int32_t from, int32_t to, int64_t level) {
#if defined(__SSE2__)
  if (g_vectorScans && to - from >= 8) {
    if (level < INT16_MIN) return to - from;
    if (level >= INT16_MAX) return 0;
    const __m128i l = _mm_set1_epi16(int16_t(level));
    const __m128i ones = _mm_set1_epi16(1);
    int32_t above = 0;
    int32_t i = from;
    // Per-lane counts in 16 bits, widened before 2^15 vectors.
    while (i + 8 <= to) {
      __m128i counts = _mm_setzero_si128();
      const int32_t blockEnd = to - i > 8 * 32767 ? i + 8 * 32767 : to;
      for (; i + 8 <= blockEnd; i += 8) counts = _mm_sub_epi16(counts, _mm_cmpgt_epi16(load8(s + i), l));
      alignas(16) int32_t lanes[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(lanes), _mm_madd_epi16(counts, ones));
      above += lanes[0] + lanes[1] + lanes[2] + lanes[3];
    }
    return above + plainCountAbove(s, i, to, level);
  }
#endif
  return plainCountAbove(s, from, to, level);
}

}  // namespace uzyv
