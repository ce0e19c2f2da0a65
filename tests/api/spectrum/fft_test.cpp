// uZyvSDKGetFFTData as an application sees it: no group needed, the size
// rule, the three scales, the windows and the refusals.
#include <cmath>
#include <limits>
#include <vector>

#include "support/sdk.h"

using namespace sdktest;

namespace {

constexpr double kUntouched = -777.0;

std::vector<double> cosine(int count, double amplitude, int cycles, int period) {
  std::vector<double> v(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) v[std::size_t(i)] = amplitude * std::cos(2 * std::acos(-1.0) * cycles * i / period);
  return v;
}

class FftTest : public SdkTest {
 protected:
  int32_t fft(const std::vector<double>& samples, int32_t count, int32_t scale, int32_t window,
              std::vector<double>& out) {
    out.assign(4100, kUntouched);
    return SDK(uZyvSDKGetFFTData)(samples.data(), count, scale, window, out.data());
  }
};

}  // namespace

TEST_F(FftTest, SizeRuleDecidesHowManyValuesAreWritten) {
  const struct {
    int32_t count;
    int32_t result;
    int written;
  } cases[] = {{1, 1, 0}, {2, 1, 2}, {1500, 1, 1024}, {3000, 1, 2048}, {4095, 1, 2048},
               {4096, 0, 0}, {0, 0, 0}, {-8, 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.count);
    // Samples from 2048 on are NaN: reading any of them would spoil every bin.
    std::vector<double> samples(4100, std::numeric_limits<double>::quiet_NaN());
    for (int i = 0; i < 2048; ++i) samples[std::size_t(i)] = std::sin(i * 0.1);
    std::vector<double> out;
    EXPECT_EQ(c.result, fft(samples, c.count, 0, 2, out));
    for (int i = 0; i < c.written; ++i) ASSERT_FALSE(std::isnan(out[std::size_t(i)])) << i;
    for (int i = c.written; i < 4100; ++i) ASSERT_EQ(kUntouched, out[std::size_t(i)]) << i;
    EXPECT_EQ(0, lastError());  // refused sizes leave LastError alone
  }
}

TEST_F(FftTest, NullPointersAreRefusedWithCode1) {
  std::vector<double> samples(64, 1.0), out(64, kUntouched);
  EXPECT_EQ(0, SDK(uZyvSDKGetFFTData)(nullptr, 64, 0, 2, out.data()));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
  EXPECT_EQ(0, SDK(uZyvSDKGetFFTData)(samples.data(), 64, 0, 2, nullptr));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
  EXPECT_EQ(kUntouched, out[0]);
  // A null pointer is reported before the size is looked at.
  EXPECT_EQ(0, SDK(uZyvSDKGetFFTData)(nullptr, 0, 0, 2, out.data()));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
}

// A cosine of 500 mV amplitude exactly on bin 32 of 256: with window 0 (the
// middle half, mean weight 1/2, RMS sqrt(1/2)) the bin reads
// 500 * 0.5 / sqrt(0.5) = 500 / sqrt(2) in the unit of the input.
TEST_F(FftTest, CosineOnABinInEachScale) {
  const auto samples = cosine(256, 500.0, 32, 256);
  const double linear = 500.0 / std::sqrt(2.0);
  const struct {
    int32_t scale;
    double value;
  } cases[] = {{0, linear}, {1, 20 * std::log10(linear / 1000)}, {2, 20 * std::log10(linear / 1000 / 0.2236)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scale);
    std::vector<double> out;
    ASSERT_EQ(1, fft(samples, 256, c.scale, 0, out));
    int peak = 0;
    for (int j = 0; j < 128; ++j)
      if (out[std::size_t(2 * j)] > out[std::size_t(2 * peak)]) peak = j;
    EXPECT_EQ(32, peak);
    EXPECT_NEAR(c.value, out[64], 1e-6 * std::fabs(c.value));
    EXPECT_EQ(out[64], out[65]);
    EXPECT_EQ(kUntouched, out[256]);
  }
}

// A cosine between bins with the Hanning window: its peak is in the nearest
// bin, and the constant part of the input shows up in bin 0, doubled like
// every other bin.
TEST_F(FftTest, HanningPeakAndDoubledBinZero) {
  auto samples = cosine(1024, 1.0, 101, 1024 * 2);  // 50.5 cycles in 1024 samples
  for (double& s : samples) s += 3.0;
  std::vector<double> out;
  ASSERT_EQ(1, fft(samples, 1024, 0, 2, out));
  int peak = 5;  // bins 1 and 2 hold the window's leakage of the constant
  for (int j = 5; j < 512; ++j)
    if (out[std::size_t(2 * j)] > out[std::size_t(2 * peak)]) peak = j;
  EXPECT_TRUE(peak == 50 || peak == 51) << peak;
  // Bin 0 of a constant c with weights w: c * sum(w) / N * 2 / RMS; for the
  // Hanning window sum(w)/N ~ 0.5 and RMS ~ sqrt(3/8).
  EXPECT_NEAR(3.0 * 0.5 * 2 / std::sqrt(3.0 / 8), out[0], 0.01);
}

TEST_F(FftTest, Window0IgnoresTheOuterQuarters) {
  std::vector<double> samples(512, 0.0);
  for (int i = 0; i < 128; ++i) samples[std::size_t(i)] = 1000.0 * std::sin(i * 0.3);
  for (int i = 384; i < 512; ++i) samples[std::size_t(i)] = -250.0 + i;
  std::vector<double> out;
  ASSERT_EQ(1, fft(samples, 512, 0, 0, out));
  for (int i = 0; i < 512; ++i) ASSERT_EQ(0.0, out[std::size_t(i)]) << i;
}

TEST_F(FftTest, AllZeroInputGivesZeroOrMinusInfinity) {
  const std::vector<double> samples(128, 0.0);
  for (int32_t scale : {0, 1, 2}) {
    std::vector<double> out;
    ASSERT_EQ(1, fft(samples, 128, scale, 4, out));
    for (int i = 0; i < 128; ++i) {
      if (scale == 0)
        ASSERT_EQ(0.0, out[std::size_t(i)]);
      else
        ASSERT_EQ(-std::numeric_limits<double>::infinity(), out[std::size_t(i)]);
    }
  }
}

TEST_F(FftTest, UnknownScaleWritesNothingAndSucceeds) {
  const auto samples = cosine(64, 1.0, 3, 64);
  for (int32_t scale : {7, 3, -1}) {
    std::vector<double> out;
    EXPECT_EQ(1, fft(samples, 64, scale, 2, out));
    for (int i = 0; i < 64; ++i) ASSERT_EQ(kUntouched, out[std::size_t(i)]);
  }
  EXPECT_EQ(0, lastError());
}

// An unknown window type before any window was built uses unit weights: a
// cosine on bin 8 then reads its own amplitude.
TEST_F(FftTest, UnknownWindowBeforeAnyWindowMeansNoWindow) {
  const auto samples = cosine(128, 2.0, 8, 128);
  std::vector<double> out;
  ASSERT_EQ(1, fft(samples, 128, 0, 9, out));
  EXPECT_NEAR(2.0, out[16], 1e-9);
  EXPECT_NEAR(0.0, out[20], 1e-9);
}

// The spectrum works on the numbers alone: with a group open, after a
// shutdown, and the same way every time.
TEST_F(FftTest, IndependentOfGroups) {
  const auto samples = cosine(256, 10.0, 5, 256);
  std::vector<double> before, during, after;
  ASSERT_EQ(1, fft(samples, 256, 1, 3, before));
  ASSERT_EQ(2, openGroup());
  ASSERT_EQ(1, fft(samples, 256, 1, 3, during));
  SDK(uZyvSDKShutdown)();
  ASSERT_EQ(1, fft(samples, 256, 1, 3, after));
  EXPECT_EQ(before, during);
  EXPECT_EQ(before, after);
}
