// Random and degenerate blocks, ranges and type lists: every run stays inside
// its range [start, end), except for the step into an edge at the range
// start, which may read the two samples before it. Under AddressSanitizer
// the other samples outside are poisoned, so that any read of them stops the
// test.
#include <cmath>

#include "engine_fixture.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define POISON(p, n) ((void)(p), (void)(n))
#define UNPOISON(p, n) ((void)(p), (void)(n))
#endif

using namespace meastest;
using namespace uzyv;

namespace {

// One of several signal shapes, including ones with tiny amplitudes and
// levels at the edges of the histogram layouts.
Samples makeSignal(Random& r, int32_t n) {
  Samples s(static_cast<std::size_t>(n));
  const int kind = r.between(0, 6);
  const int32_t amplitude = r.between(0, 3) == 0 ? r.between(1, 6) : r.between(10, 30000);
  const int32_t centre = r.between(0, 4) == 0 ? r.between(-2100, 2100) : r.between(-2000, 2000);
  const int32_t period = r.between(2, 300);
  int32_t walk = centre;
  for (int32_t i = 0; i < n; ++i) {
    double v = centre;
    switch (kind) {
      case 0: v += r.between(-amplitude, amplitude); break;
      case 1: v += (i % period < period / 2 ? amplitude : -amplitude) + r.between(-2, 2); break;
      case 2: v += amplitude * std::sin(6.283185307179586 * i / period); break;
      case 3: v += (i % period) * 2.0 * amplitude / period - amplitude; break;
      case 4: walk += r.between(-amplitude / 8 - 1, amplitude / 8 + 1); v = walk; break;
      case 5: v += (i % period == 0) ? amplitude : 0; break;
      default: v = r.between(0, 1) ? 32767 : -32768; break;
    }
    if (v > 32767) v = 32767;
    if (v < -32768) v = -32768;
    s[std::size_t(i)] = int16_t(v);
  }
  return s;
}

}  // namespace

TEST_F(EngineTest, RandomBlocksStayInsideTheirRange) {
  Random r{20240601};
  for (int round = 0; round < 3000; ++round) {
    const int32_t n = r.between(1, 600);
    const int32_t start = r.between(0, n - 1);
    const int32_t end = r.between(start + 1, n);
    ch0 = makeSignal(r, n);
    ch1 = r.between(0, 2) ? makeSignal(r, n) : Samples{};
    engine->ClearRequests();
    for (int32_t k = 0; k < kMeasSlots; ++k)
      if (r.between(0, 1)) engine->RequestType(k);
    in.sampleRate = r.between(0, 9) == 0 ? 0 : r.between(1, 1000000000);
    in.channel[0].samples = ch0.data();
    in.channel[1].samples = ch1.empty() ? nullptr : ch1.data();
    in.skipMask = ~1u & ~(ch1.empty() ? 0u : 2u);
    ASSERT_TRUE(engine->SetRange(-1, start, end));

    for (Samples* s : {&ch0, &ch1}) {
      if (s->empty()) continue;
      POISON(s->data(), std::size_t(start > 2 ? start - 2 : 0) * sizeof(int16_t));
      POISON(s->data() + end, std::size_t(n - end) * sizeof(int16_t));
    }
    engine->Run(&in);
    for (Samples* s : {&ch0, &ch1})
      if (!s->empty()) UNPOISON(s->data(), s->size() * sizeof(int16_t));

    // Whatever the data, edges and windows stay in the range.
    for (int32_t k : {UZYV_MEAS_RISE_TIME, UZYV_MEAS_FALL_TIME}) {
      if (!valid(k)) continue;
      EXPECT_LE(start > 0 ? start - 1 : 0, slot(k).windowStart) << round;
      EXPECT_LE(slot(k).windowStart, slot(k).windowEnd) << round;
      EXPECT_LT(slot(k).windowEnd, end) << round;
      EXPECT_GE(raw(k), 0) << round;
    }
    if (valid(UZYV_MEAS_VRMS)) EXPECT_TRUE(std::isfinite(raw(UZYV_MEAS_VRMS))) << round;
  }
}
