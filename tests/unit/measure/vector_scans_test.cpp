// The vector scans, the four-table histogram and the Vrms sum taken in the
// level stage against the one-sample-at-a-time loops: the helpers on random
// blocks and levels, and whole runs of every type on random signals, long
// enough to cross the widening points of the vector sums, bit for bit.
#include <cmath>
#include <cstring>
#include <limits>

#include "engine_fixture.h"
#include "measure/scan.h"

using namespace meastest;
using namespace uzyv;

namespace {

// Runs `body` with the vector scans on and off and restores them.
template <class Body>
auto withScans(bool on, Body&& body) {
  const bool saved = g_vectorScans;
  g_vectorScans = on;
  auto result = body();
  g_vectorScans = saved;
  return result;
}

Samples noiseAround(Random& r, int32_t n, int32_t centre, int32_t spread) {
  Samples s(static_cast<std::size_t>(n));
  for (auto& v : s) {
    const int32_t x = centre + r.between(-spread, spread);
    v = int16_t(x < -32768 ? -32768 : x > 32767 ? 32767 : x);
  }
  return s;
}

// A signal for a whole run: square, sine or noise, some of them clipped at
// the ends of the code range, some flat, some on the narrow histogram.
Samples signal(Random& r, int32_t n) {
  Samples s(static_cast<std::size_t>(n));
  const int kind = r.between(0, 4);
  const int32_t amplitude = r.between(0, 4) == 0 ? r.between(0, 4) : r.between(10, 40000);
  const int32_t centre = r.between(-3000, 3000);
  const int32_t period = r.between(4, 5000);
  const int32_t noise = r.between(0, 20);
  for (int32_t i = 0; i < n; ++i) {
    double v = centre;
    switch (kind) {
      case 0: v += i % period < period / 2 ? amplitude : -amplitude; break;
      case 1: v += amplitude * std::sin(6.283185307179586 * i / period); break;
      case 2: v += (i % period) * 2.0 * amplitude / period - amplitude; break;
      case 3: v += r.between(-amplitude, amplitude); break;
      default: v += i % period == 0 ? amplitude : 0; break;
    }
    v += r.between(-noise, noise);
    s[std::size_t(i)] = int16_t(v > 32767 ? 32767 : v < -32768 ? -32768 : v);
  }
  return s;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

TEST(VectorScans, MatchTheSampleLoopsOnRandomBlocks) {
  Random r{99};
  for (int round = 0; round < 2000; ++round) {
    const int32_t n = r.between(0, round % 50 == 0 ? 300000 : 200);
    const int32_t spread = r.between(0, 3) == 0 ? 32768 : r.between(0, 50);
    const Samples s = noiseAround(r, n + 1, r.between(-32768, 32767), spread);
    const int32_t from = r.between(0, n);
    const int32_t to = r.between(0, 3) == 0 ? r.between(0, from) : r.between(from, n);
    const int64_t levels[] = {r.between(-32768, 32767), s[std::size_t(from)], int64_t(INT16_MIN),
                              int64_t(INT16_MAX), int64_t(INT16_MIN) - r.between(1, 5),
                              int64_t(INT16_MAX) + r.between(1, 5), int64_t(INT32_MIN), int64_t(INT32_MAX) + 1};
    const int64_t level = levels[r.between(0, 7)];
    const auto plain = withScans(false, [&] {
      const Extremes x = scanExtremes(s.data(), from, to, -32767, 32767);
      return std::vector<int64_t>{x.maximum, x.minimum, x.sum, findBelow(s.data(), from, to, level),
                                  findAbove(s.data(), from, to, level), countAbove(s.data(), from, to, level)};
    });
    const auto fast = withScans(true, [&] {
      const Extremes x = scanExtremes(s.data(), from, to, -32767, 32767);
      return std::vector<int64_t>{x.maximum, x.minimum, x.sum, findBelow(s.data(), from, to, level),
                                  findAbove(s.data(), from, to, level), countAbove(s.data(), from, to, level)};
    });
    ASSERT_EQ(plain, fast) << "round " << round << " n " << n << " [" << from << ", " << to << ") level " << level;
  }
}

// Two engines, one with the vector scans and one without, on the same runs.
TEST_F(EngineTest, WholeRunsMatchTheSampleLoops) {
  AqMeasurement reference;
  ASSERT_TRUE(reference.Allocate(2));
  Random r{4711};
  for (int round = 0; round < 400; ++round) {
    const int32_t n = r.between(2, round % 20 == 0 ? 200000 : 6000);
    ch0 = signal(r, n);
    ch1 = r.between(0, 3) ? signal(r, n) : Samples{};
    const int32_t start = r.between(0, 3) ? 0 : r.between(0, n - 1);
    const int32_t end = r.between(0, 3) ? n : r.between(start + 1, n);
    in.sampleRate = r.between(1, 1000000000);
    // Calibrations with every bit of the mantissa in use; large gains
    // carry the last bits of the Vrms sum into its truncated result.
    auto real = [&r](double scale) { return scale * (double(r.next()) / 4294967296.0 - 0.5); };
    for (int i = 0; i < 2; ++i) {
      in.channel[i].zeroLevel = real(200.0);
      const int32_t g = r.between(0, 9);
      in.channel[i].gain = g == 0 ? 0.0 : g < 5 ? std::fabs(real(10.0)) : std::fabs(real(1e9));
      in.channel[i].baseOffset = real(1000.0);
      in.channel[i].voltOffset = real(10.0);
      in.channel[i].multiplier = r.between(1, 100);
    }
    in.channel[0].samples = ch0.data();
    in.channel[1].samples = ch1.empty() ? nullptr : ch1.data();
    in.skipMask = ~1u & ~(ch1.empty() ? 0u : 2u);
    const bool allTypes = r.between(0, 1) == 1;
    engine->ClearRequests();
    reference.ClearRequests();
    for (int32_t k = 0; k < kMeasSlots; ++k) {
      if (!allTypes && r.between(0, 1)) continue;
      engine->RequestType(k);
      reference.RequestType(k);
    }
    ASSERT_TRUE(engine->SetRange(-1, start, end));
    ASSERT_TRUE(reference.SetRange(-1, start, end));

    const bool fastOk = withScans(true, [&] { return engine->Run(&in); });
    const bool plainOk = withScans(false, [&] { return reference.Run(&in); });
    ASSERT_EQ(plainOk, fastOk) << round;
    for (int c = 0; c < 2; ++c) {
      const MeasChannel& a = reference.channels[c];
      const MeasChannel& b = engine->channels[c];
      ASSERT_EQ(a.top, b.top) << round;
      ASSERT_EQ(a.base, b.base) << round;
      ASSERT_EQ(a.rangeStart, b.rangeStart) << round;
      ASSERT_EQ(a.rangeEnd, b.rangeEnd) << round;
      ASSERT_EQ(a.cycleFound, b.cycleFound) << round;
      ASSERT_EQ(a.positivePulse, b.positivePulse) << round;
      ASSERT_EQ(a.negativePulse, b.negativePulse) << round;
      for (int32_t k = 0; k < kMeasSlots; ++k) {
        const MeasSlot& x = a.slots[k];
        const MeasSlot& y = b.slots[k];
        ASSERT_EQ(x.valid, y.valid) << "round " << round << " channel " << c << " type " << k;
        ASSERT_EQ(x.windowStart, y.windowStart) << "round " << round << " channel " << c << " type " << k;
        ASSERT_EQ(x.windowEnd, y.windowEnd) << "round " << round << " channel " << c << " type " << k;
        if (!x.valid) continue;
        ASSERT_TRUE(sameBits(x.raw, y.raw)) << "round " << round << " channel " << c << " type " << k << ": "
                                            << x.raw << " vs " << y.raw;
        ASSERT_TRUE(sameBits(x.value, y.value)) << "round " << round << " channel " << c << " type " << k;
      }
    }
  }
}
