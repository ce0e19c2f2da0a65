// The library end to end against the simulated instrument: autoset on the
// default signals, the read and conversion of configured signals, trigger
// alignment, measurement, spectrum and mask test, and the configuration file.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/sdk.h"

namespace {

using namespace sdktest;

class Instrument : public SdkTest {
 protected:
  void SetUp() override {
    SdkTest::SetUp();
    zyvsim_defaults()->instrument = 1;
  }

  void open() { ASSERT_EQ(2, openGroup()); }

  ZyvSimSignal& signal(int32_t channel) { return zyvsim_config(0)->devices[channel / 2].signals[channel % 2]; }

  // A capture with the cached settings, waited for.
  void capture() {
    ASSERT_EQ(1, SDK(uZyvSDKCaptureEx)());
    int polls = 0;
    while (SDK(uZyvSDKDataReady)() == 0) ASSERT_LT(++polls, 1000) << "no data";
  }

  int32_t recordLength() {
    int32_t n = 0;
    EXPECT_EQ(1, SDK(uZyvSDKGetRecordLength)(&n));
    return n;
  }

  int64_t sampleRate() {
    int64_t r = 0;
    EXPECT_EQ(1, SDK(uZyvSDKGetSampleRate)(&r));
    return r;
  }

  // Device 0 in millivolts, both channels.
  std::vector<double> readMillivolts() {
    std::vector<double> out(2 * std::size_t(recordLength()));
    const int32_t multipliers[2] = {1, 1};
    EXPECT_EQ(1, SDK(uZyvSDKReadDbl_mv)(0, nullptr, out.data(), multipliers));
    return out;
  }

  struct Raw {
    std::vector<int16_t> samples;
    double zero[2], base[2], gain[2];
    int32_t timeOffset = 0;
  };
  Raw readRaw(bool unshifted = false) {
    Raw r;
    r.samples.resize(2 * std::size_t(recordLength()));
    EXPECT_NE(0, SDK(uZyvSDKReadExRaw)(0, nullptr, r.samples.data(), r.zero, r.base, r.gain,
                                       unshifted ? &r.timeOffset : nullptr));
    return r;
  }

  // The trigger event's index in the record: the middle, moved by the
  // trigger position.
  double triggerIndex() {
    int64_t pos = 0;
    EXPECT_EQ(1, SDK(uZyvSDKGetTrigPos)(&pos));
    return recordLength() / 2 + double(pos) * double(sampleRate()) / 1e12;
  }

  // All 30 types of channel 0 against channel 1, from just before the
  // trigger point to the end of the record.
  struct Results {
    uint8_t valid[30] = {};
    double value[30] = {};
  };
  Results measure(const Raw& r) {
    const int32_t n = recordLength();
    MeasParams p{};
    p.sampleRate = sampleRate();
    for (int i = 0; i < 2; ++i) {
      p.zeroLevel[i] = r.zero[i];
      p.baseOffset[i] = r.base[i];
      p.gain[i] = r.gain[i];
      p.multiplier[i] = 1;
      p.samples[i] = const_cast<int16_t*>(r.samples.data()) + std::size_t(i) * std::size_t(n);
    }
    int32_t types[31];
    for (int i = 0; i < 30; ++i) types[i] = i;
    types[30] = -1;
    Results out;
    const int32_t start = int32_t(triggerIndex()) - 2;
    EXPECT_EQ(1, SDK(uZyvSDKMeasurement)(types, start, n, &p, nullptr, out.valid, out.value));
    return out;
  }
};

constexpr double kCodeCounts8 = 16.0;  // read counts per 8-bit code

TEST_F(Instrument, AutosetFillsTheScreenAndSamplesEachPeriod100To250Times) {
  open();
  ASSERT_EQ(1, SDK(uZyvSDKAutoset)());
  int32_t voltDiv = 0;
  ASSERT_EQ(1, SDK(uZyvSDKGetVoltDiv)(0, &voltDiv));
  // 3 Vpp lies between one and four divisions first at 2 V/div.
  EXPECT_EQ(2000000, voltDiv);
  const double perPeriod = double(sampleRate()) / 1000.0;
  EXPECT_GE(perPeriod, 100.0);
  EXPECT_LE(perPeriod, 250.0);
  EXPECT_EQ(10000, recordLength());
}

TEST_F(Instrument, MeasuringAfterAutoset) {
  open();
  ASSERT_EQ(1, SDK(uZyvSDKAutoset)());
  capture();
  const Raw r = readRaw();
  const Results m = measure(r);
  const double step = kCodeCounts8 * r.gain[0] / 1000.0;  // volts per code
  ASSERT_TRUE(m.valid[0] && m.valid[6] && m.valid[10] && m.valid[25]);
  EXPECT_NEAR(1000.0, m.value[0], 5.0) << "Frequency within 0.5 %";
  EXPECT_NEAR(3.0, m.value[6], 2 * step) << "Vpp within two quantisation steps";
  EXPECT_NEAR(50.0, m.value[10], 1.0) << "+ Duty";
  // Phase is the delay of channel 0's edge against channel 1's, times -360
  // over the period: channel 1 trails by a quarter period, so +90 degrees.
  EXPECT_NEAR(90.0, m.value[25], 5.0) << "Phase";
}

struct ReadCase {
  int32_t voltDiv, position, offset, bits;
  double dc;
};

TEST_F(Instrument, ConfiguredPeakToPeakReadsBackWithinTheQuantisation) {
  const ReadCase cases[] = {
      {1000000, 8000, 0, 8, 0.0},         {500000, 8000, 0, 8, 0.0},     {2000000, 11000, 0, 8, 0.0},
      {1000000, 8000, 1500000, 8, 1.5},   {500000, 8000, 3000000, 12, 3.0}, {5000000, 5000, 0, 12, -2.0},
  };
  for (const ReadCase& c : cases) {
    unloadSdk();
    zyvsim_reset();
    zyvsim_defaults()->instrument = 1;
    zyvsim_defaults()->devices[0].signals[0].dcLevel = c.dc;
    zyvsim_defaults()->devices[0].signals[0].noise = 0.0;  // the quantisation alone
    reloadSdk();
    open();
    ASSERT_EQ(1, SDK(uZyvSDKSetVoltDiv)(0, c.voltDiv));
    ASSERT_EQ(1, SDK(uZyvSDKSetVoltPos)(0, c.position));
    ASSERT_EQ(1, SDK(uZyvSDKSetVoltOfs)(0, c.offset));
    ASSERT_EQ(1, SDK(uZyvSDKSetHwBit)(c.bits));
    ASSERT_EQ(1, SDK(uZyvSDKSetSampleRate)(1000000));
    ASSERT_EQ(1, SDK(uZyvSDKSetEdgeTrig)(0, 0, int64_t(c.dc * 1e6)));
    capture();
    const std::vector<double> mv = readMillivolts();
    const auto ch0 = std::vector<double>(mv.begin(), mv.begin() + recordLength());
    const auto [lo, hi] = std::minmax_element(ch0.begin(), ch0.end());
    const double codeMv = c.voltDiv / 1000.0 / (c.bits == 8 ? 25.0 : 400.0);
    EXPECT_NEAR(3000.0, *hi - *lo, codeMv + 1e-9) << c.voltDiv << " uV/div, " << c.bits << " bits";
    EXPECT_NEAR(c.dc * 1000.0, 0.5 * (*hi + *lo), codeMv + 1e-9) << "the offset and position are undone";
  }
}

TEST_F(Instrument, CodesSaturateAtTheConverterEnds) {
  open();
  ASSERT_EQ(1, SDK(uZyvSDKSetVoltDiv)(0, 200000));  // 3 Vpp is 15 divisions
  capture();
  const Raw r = readRaw();
  const auto first = r.samples.begin(), last = r.samples.begin() + recordLength();
  EXPECT_EQ(2032, *std::max_element(first, last)) << "code 255";
  EXPECT_EQ(-2048, *std::min_element(first, last)) << "code 0";
}

TEST_F(Instrument, TriggeredCapturesPutTheEventAtTheTriggerPosition) {
  open();
  ASSERT_EQ(1, SDK(uZyvSDKSetVoltDiv)(1, 500000));
  ASSERT_EQ(1, SDK(uZyvSDKSetSampleRate)(200000));  // 200 samples per period
  ASSERT_EQ(1, SDK(uZyvSDKSetTrigPos)(250000000));  // 50 samples right of the middle
  // Channel 1's sine with an offset: the library subtracts it from the level.
  ASSERT_EQ(1, SDK(uZyvSDKSetVoltOfs)(1, 400000));
  ASSERT_EQ(1, SDK(uZyvSDKSetEdgeTrig)(1, 1, 600000));  // falling through 0.6 V
  std::vector<int32_t> offsets;
  for (int k = 0; k < 6; ++k) {
    capture();
    const std::vector<double> mv = readMillivolts();
    const std::size_t n = std::size_t(triggerIndex()), length = std::size_t(recordLength());
    ASSERT_EQ(1050u, n);
    const double at = mv[length + n], before = mv[length + n - 3], after = mv[length + n + 3];
    EXPECT_NEAR(600.0, at, 25.0) << "capture " << k;
    EXPECT_GT(before, after) << "a falling edge";
    offsets.push_back(readRaw(true).timeOffset);
  }
  std::sort(offsets.begin(), offsets.end());
  EXPECT_NE(offsets.front(), offsets.back()) << "the alignment has work to do";
  for (int32_t t : offsets) {
    EXPECT_LE(t, 0);
    EXPECT_GT(t, -5000000);  // within one sample period
  }
}

TEST_F(Instrument, NormalModeWaitsForATriggerUntilForced) {
  open();
  ASSERT_EQ(1, SDK(uZyvSDKSetWaitMode)(1, 0));
  ASSERT_EQ(1, SDK(uZyvSDKSetEdgeTrig)(0, 0, 5000000));  // above the 3 Vpp square
  ASSERT_EQ(1, SDK(uZyvSDKCaptureEx)());
  for (int k = 0; k < 10; ++k) EXPECT_EQ(0, SDK(uZyvSDKDataReady)());
  std::vector<double> out(2 * std::size_t(recordLength()), 7.0);
  const int32_t multipliers[2] = {1, 1};
  EXPECT_EQ(0, SDK(uZyvSDKReadDbl_mv)(0, nullptr, out.data(), multipliers)) << "no data yet";
  EXPECT_EQ(UZYV_ERR_RUNTIME_7, lastError());
  ASSERT_EQ(1, SDK(uZyvSDKForceTrig)());
  EXPECT_NE(0, SDK(uZyvSDKDataReady)());
  int32_t status = 0;
  EXPECT_EQ(1, SDK(uZyvSDKReadDbl_mv)(0, &status, out.data(), multipliers));
  EXPECT_EQ(0, status & 1) << "not triggered";
}

TEST_F(Instrument, SpectrumPeaksInTheBinOf1kHz) {
  open();
  ASSERT_EQ(1, SDK(uZyvSDKAutoset)());
  capture();
  const std::vector<double> mv = readMillivolts();
  std::vector<double> spectrum(2048);
  ASSERT_EQ(1, SDK(uZyvSDKGetFFTData)(mv.data(), 2048, 1, 2, spectrum.data()));
  int best = 1;
  for (int j = 1; j < 1024; ++j)
    if (spectrum[std::size_t(2 * j)] > spectrum[std::size_t(2 * best)]) best = j;
  EXPECT_EQ(int(std::lround(1000.0 * 2048 / double(sampleRate()))), best);
}

TEST_F(Instrument, CaptureOfTheSameSignalPassesItsMaskAndOneOf120PercentFails) {
  open();
  ASSERT_EQ(1, SDK(uZyvSDKAutoset)());
  capture();
  const Raw ref = readRaw(true);
  const int32_t n = recordLength();
  int32_t voltDiv = 0;
  ASSERT_EQ(1, SDK(uZyvSDKGetVoltDiv)(0, &voltDiv));
  const int32_t tolerance = voltDiv / 10;  // 0.1 division, microvolts
  const int64_t twoSamples = 2 * 1000000000000LL / sampleRate();
  double divisor = ref.gain[0];
  ASSERT_EQ(1, SDK(uZyvSDKPassFailInit)(ref.samples.data(), n, sampleRate(), twoSamples, twoSamples, tolerance,
                                        tolerance, 1000, &divisor, ref.timeOffset));
  int32_t result = 0;
  for (int k = 0; k < 3; ++k) {
    capture();
    ASSERT_EQ(1, SDK(uZyvSDKPassFailCheck)(0, &result));
    EXPECT_EQ(-1, result) << "capture " << k;
  }
  signal(0).amplitude *= 1.2;
  capture();
  ASSERT_EQ(1, SDK(uZyvSDKPassFailCheck)(0, &result));
  EXPECT_GE(result, 0);
}

TEST_F(Instrument, ConfigurationFileOfTheWorkingFolderIsReadAtInitialisation) {
  const std::string folder = tempFolder() + "bench" + separator();
  ASSERT_TRUE(makeFolder(folder));
  ASSERT_TRUE(copyFile(runtimeFolder("default") + "Zyvrun.dll", folder + "Zyvrun.dll"));
  ASSERT_TRUE(writeFile(folder + "zyvsim.ini",
                        "devices = 1\n"
                        "ch0.shape = sine   ; a 2.4 kHz sine of 1 Vpp around 0.5 V\n"
                        "ch0.frequency = 2.4 kHz\n"
                        "ch0.amplitude = 1 Vpp\n"
                        "ch0.dc = 500 mV\n"));
  ASSERT_EQ(1, SDK(uZyvSDKSetWorkDir)(folder.c_str()));
  ASSERT_EQ(1, SDK(uZyvSDKInit)()) << "devices = 1";
  ASSERT_EQ(1, SDK(uZyvSDKSetVoltDiv)(0, 200000));
  ASSERT_EQ(1, SDK(uZyvSDKSetEdgeTrig)(0, 0, 500000));
  capture();
  const std::vector<double> mv = readMillivolts();
  const auto [lo, hi] = std::minmax_element(mv.begin(), mv.begin() + recordLength());
  EXPECT_NEAR(1000.0, *hi - *lo, 2 * 8.0);
  EXPECT_NEAR(500.0, 0.5 * (*hi + *lo), 8.0);
  const ZyvSimSignal& s = zyvsim_config(0)->devices[0].signals[0];
  EXPECT_EQ(ZYVSIM_SHAPE_SINE, s.shape);
  EXPECT_DOUBLE_EQ(2400.0, s.frequency);
  EXPECT_EQ(1, zyvsim_config(0)->deviceCount);
}

TEST_F(Instrument, TestsKeepControlOverTheInstrument) {
  open();
  // Faults and the call log work as on the scripted runtime.
  zyvsim_fail(0, "uZyvCapture", -1, 0, 3);
  EXPECT_EQ(0, SDK(uZyvSDKCaptureEx)());
  EXPECT_EQ(UZYV_ERR_RECORD_LENGTH, lastError());
  zyvsim_clear_faults(0);
  capture();
  EXPECT_FALSE(calls(0, "uZyvCapture").empty());
  ZyvSimCaptureInfo info{};
  ASSERT_EQ(1, zyvsim_capture_info(0, &info));
  EXPECT_EQ(1, info.captures);
  EXPECT_EQ(1, info.triggered);
  // Scripting a read makes the instance scripted: the codes and the
  // calibration are then the test's.
  const std::vector<int16_t> codes(6096, 123);
  zyvsim_set_samples(0, 0, 0, codes.data(), int32_t(codes.size()));
  zyvsim_config(0)->devices[0].calibration[0] = 0.5;
  const Raw r = readRaw();
  EXPECT_EQ(123, r.samples[0]);
  EXPECT_EQ(0.5, r.gain[0]);
  EXPECT_EQ(0, zyvsim_config(0)->instrument);
}

}  // namespace
