// The vector alignment and conversion of the reads against the
// one-sample-at-a-time loops, bit for bit: random blocks with the extreme
// codes, every kind of shift (including weights that overshoot the code
// range, and NaN), random calibrations, millivolts and microvolts, and
// lengths that leave every possible tail.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "acquisition/alignment.h"

using namespace uzyv;

namespace {

// Runs `body` with the vector reads on and off and restores them.
template <class Body>
void withVectorReads(bool on, Body&& body) {
  const bool saved = g_vectorReads;
  g_vectorReads = on;
  body();
  g_vectorReads = saved;
}

std::vector<int16_t> codes(std::mt19937& rng, std::size_t n) {
  std::vector<int16_t> v(n);
  const int kind = int(rng() % 3);
  for (auto& c : v) {
    if (kind == 0)
      c = int16_t(int32_t(rng() % 65536) - 32768);
    else if (kind == 1)
      c = rng() % 2 ? INT16_MAX : INT16_MIN;
    else
      c = int16_t(int32_t(rng() % 200) - 100);
  }
  return v;
}

Alignment randomShift(std::mt19937& rng) {
  Alignment a;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  switch (rng() % 5) {
    case 0: a.d = 0, a.e = 0.5, a.f = 0.5; break;            // half-sample path
    case 1: a.d = -3, a.e = 0.0, a.f = 1.0; break;
    case 2: a.d = 1, a.e = 1.75, a.f = 0.75; break;            // beyond the code range
    case 3: a.d = int32_t(rng() % 2), a.e = nan, a.f = 0.5; break;
    default: {
      const double g = double(int32_t(rng() % 8000) - 4000) / 997.0;
      a.d = int32_t(g);
      a.e = std::fabs(g - a.d);
      a.f = std::fabs(1.0 - a.e);
    }
  }
  return a;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

TEST(VectorReads, AlignmentAndConversionMatchTheSampleLoops) {
  std::mt19937 rng(31);
  auto real = [&rng](double scale) { return scale * (double(rng()) / 4294967296.0 - 0.5); };
  for (int round = 0; round < 500; ++round) {
    // Long records take the streaming stores, from any output alignment
    // (the skews reach every 32-byte offset of the values, every 16-byte
    // offset of the codes).
    const int32_t length = int32_t(rng() % 100) + (round % 40 == 0 ? 300000 : 0);
    const std::size_t skew = rng() % 4;
    const auto block = codes(rng, std::size_t(length) + 1);
    const Alignment shift = randomShift(rng);
    const Conversion conversion(real(100.0), real(2000.0), round % 7 == 0 ? 0.0 : real(2.0),
                                real(2e7), int32_t(rng() % 201) - 100, rng() % 2 == 0);

    std::vector<int16_t> plainCodes(std::size_t(length) + 1 + 2 * skew, 7), fastCodes = plainCodes;
    std::vector<double> plainValues(std::size_t(length) + 1 + skew, -1.0), fastValues = plainValues;
    std::vector<double> plainConverted = plainValues, fastConverted = plainValues;
    withVectorReads(false, [&] {
      alignCodes(block.data(), length, shift, plainCodes.data() + 2 * skew);
      alignAndConvert(block.data(), length, shift, conversion, plainValues.data() + skew);
      convertCodes(block.data(), plainConverted.data(), length, conversion);
    });
    withVectorReads(true, [&] {
      alignCodes(block.data(), length, shift, fastCodes.data() + 2 * skew);
      alignAndConvert(block.data(), length, shift, conversion, fastValues.data() + skew);
      convertCodes(block.data(), fastConverted.data(), length, conversion);
    });
    ASSERT_EQ(plainCodes, fastCodes) << "round " << round;
    for (std::size_t i = 0; i < plainValues.size(); ++i)
      ASSERT_TRUE(sameBits(plainValues[i], fastValues[i])) << "round " << round << " at " << i;
    for (std::size_t i = 0; i <= std::size_t(length); ++i) {
      ASSERT_TRUE(sameBits(plainConverted[i], fastConverted[i])) << "round " << round << " at " << i;
    }
  }
}
