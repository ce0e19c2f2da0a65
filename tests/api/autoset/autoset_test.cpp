// Autoset against the simulated runtime's scripted signal summaries: the
// volts/div search, the trigger it caches, the sample rate from the rate
// reading, the state it leaves behind, and its refusals and time limit.
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "support/sdk.h"

using namespace sdktest;

namespace {

constexpr int32_t kMid8 = 128;

ZyvSimSummary summary(int32_t max0, int32_t min0, int32_t max1, int32_t min1, int32_t rate = 0) {
  return ZyvSimSummary{max0, min0, max1, min1, rate};
}

class Autoset : public SdkTest {
 protected:
  void SetUp() override {
    SdkTest::SetUp();
    zyvsim_defaults()->deviceCount = devices();
    ASSERT_EQ(devices(), openGroup());
  }
  virtual int32_t devices() const { return 2; }

  // Calibration of one input as the device reports it: V = (code - zero) x gain + base,
  // the code taken relative to the middle code and scaled as autoset does.
  void calibrate(int32_t device, int32_t input, double gain, double zero = 0.0, double base = 0.0) {
    double* c = zyvsim_config(0)->devices[device].calibration + 3 * input;
    c[0] = gain;
    c[1] = zero;
    c[2] = base;
  }

  int32_t run() {
    zyvsim_clear_log(0);
    return SDK(uZyvSDKAutoset)();
  }

  std::vector<int32_t> voltDivs() {
    std::vector<int32_t> out;
    for (int32_t ch = 0; ch < 2 * devices(); ++ch) {
      int32_t v = -1;
      EXPECT_EQ(1, SDK(uZyvSDKGetVoltDiv)(ch, &v));
      out.push_back(v);
    }
    return out;
  }

  // The values sent with a setting ID on a channel since the last clear.
  std::vector<int64_t> sent(int32_t channel, int32_t id) {
    std::vector<int64_t> out;
    for (const ZyvSimCall& c : calls(0, "uZyvSetting"))
      if (c.arg[0] == channel && c.arg[1] == id) out.push_back(settingValue(c));
    return out;
  }

  // The levels of the edge-trigger records sent since the last clear.
  std::vector<int32_t> triggerLevels() {
    std::vector<int32_t> out;
    for (const ZyvSimCall& c : calls(0, "uZyvSetting")) {
      if (c.arg[1] != 10 || c.blockSize != 20) continue;
      int32_t record[5];
      std::memcpy(record, c.block, sizeof record);
      EXPECT_EQ(0, record[0]) << "edge record";
      EXPECT_EQ(0, record[2]) << "source 0";
      EXPECT_EQ(0, record[3]) << "mode 0";
      out.push_back(record[4]);
    }
    return out;
  }

  // The trigger autoset cached, as the next extended capture start sends it.
  int32_t cachedTriggerLevel() {
    zyvsim_clear_log(0);
    EXPECT_EQ(1, SDK(uZyvSDKCaptureEx)());
    const std::vector<int32_t> levels = triggerLevels();
    EXPECT_EQ(1u, levels.size());
    return levels.empty() ? 0 : levels[0];
  }
};

using Values = std::vector<int64_t>;
using VoltDivs = std::vector<int32_t>;

const Values kFullLadder = {10000000, 5000000, 2000000, 1000000, 500000, 200000,
                            100000,   50000,   20000,   10000,   5000,   2000};

}  // namespace

TEST_F(Autoset, EachChannelKeepsTheStepAtWhichItFirstMatched) {
  // ch0 leaves the window at the coarsest step; ch1 carries 3000 mV peak to
  // peak (codes +-75 around the middle, 16 x 1.25 mV a code); ch2 shows no
  // signal; ch3 reaches both limits of the window without leaving it.
  const ZyvSimSummary d0 = summary(219, kMid8, 203, 53), d1 = summary(kMid8, kMid8, 218, 38);
  zyvsim_set_summary(0, 0, &d0);
  zyvsim_set_summary(0, 1, &d1);
  calibrate(0, 1, 1.25);
  ASSERT_EQ(1, run());

  EXPECT_EQ((VoltDivs{10000000, 2000000, 2000, 2000000}), voltDivs());
  EXPECT_EQ((Values{10000000}), sent(0, 17)) << "a matched channel is not set again";
  EXPECT_EQ((Values{10000000, 5000000, 2000000}), sent(1, 17));
  EXPECT_EQ(kFullLadder, sent(2, 17));
  EXPECT_EQ((Values{10000000, 5000000, 2000000}), sent(3, 17)) << "(218 - 38) x 16 = 2880 mV";
  EXPECT_TRUE(sent(0, 7).empty()) << "the ladder goes out under the extended volts/div ID";
}

TEST_F(Autoset, MatchLimitsAreStrict) {
  // One code beyond a window limit leaves the window, a code on the limit
  // does not; at 16 mV a code a span of up to 180 codes (2880 mV) first
  // matches at 1000 mV/div. A span equal to T or to 4 T does not match: 2000
  // mV at 20 mV a code waits for 1000 mV/div, and 40000 mV at 400 mV a code,
  // too large for 10000 mV/div, never matches.
  struct Case {
    int32_t max, min;
    double gain;
    int32_t voltDiv;
  };
  const Case cases[] = {{219, 128, 1.0, 10000000}, {128, 37, 1.0, 10000000}, {218, 128, 1.0, 1000000},
                        {128, 38, 1.0, 1000000},   {178, 78, 1.25, 1000000},  {178, 78, 25.0, 2000}};
  for (const Case& c : cases) {
    const ZyvSimSummary s = summary(c.max, c.min, kMid8, kMid8);
    zyvsim_set_summary(0, 0, &s);
    calibrate(0, 0, c.gain);
    ASSERT_EQ(1, run());
    int32_t v = 0;
    SDK(uZyvSDKGetVoltDiv)(0, &v);
    EXPECT_EQ(c.voltDiv, v) << c.max << " / " << c.min << " x " << c.gain;
  }
}

TEST_F(Autoset, TwelveBitResolutionUsesItsOwnWindowAndUnitScale) {
  ASSERT_EQ(1, SDK(uZyvSDKSetHwBit)(12));
  // Window 608 .. 3488 around 2048, one millivolt a code at gain 1.
  ZyvSimSummary d0 = summary(3489, 2048, 3488, 608), d1 = summary(2048, 607, 2148, 1948);
  zyvsim_set_summary(0, 0, &d0);
  zyvsim_set_summary(0, 1, &d1);
  ASSERT_EQ(1, run());
  // ch1: 2880 mV matches at 2000 mV/div; ch3: 200 mV at 100 mV/div (it would
  // be 3200 mV with the 8-bit code scale).
  EXPECT_EQ((VoltDivs{10000000, 2000000, 10000000, 100000}), voltDivs());
}

TEST_F(Autoset, RecordedLevelsFollowTheLatestMatchingStepAndSetTheCachedTrigger) {
  calibrate(0, 0, 1.25);  // 20 mV a code
  std::vector<ZyvSimSummary> script;
  for (int step = 0; step < 12; ++step) {
    if (step <= 2)
      script.push_back(summary(203, 53, kMid8, kMid8));  // -1500 .. 1500 mV, matches at 2000
    else
      script.push_back(summary(213, 83, kMid8, kMid8));  // -900 .. 1700 mV, matches again at 1000 only
  }
  zyvsim_script_summaries(0, 0, script.data(), int32_t(script.size()));
  ASSERT_EQ(1, run());
  EXPECT_EQ(0, zyvsim_scripted_left(0, 0)) << "one query per step";

  int32_t v = 0;
  SDK(uZyvSDKGetVoltDiv)(0, &v);
  EXPECT_EQ(2000000, v);
  const std::vector<int32_t> during = triggerLevels();
  ASSERT_EQ(40u, during.size());
  for (int32_t level : during) EXPECT_EQ(160000, level) << "the new trigger is cached, not sent";
  EXPECT_EQ(400000, cachedTriggerLevel()) << "(-900 + 1700) x 1000 x 0.5 microvolts";
}

TEST_F(Autoset, TriggerLevelWhenChannelZeroNeverMatched) {
  // Channel 0 is flat at its middle code; the level is the middle of what it
  // showed at the last step, or 0 when that is not a number (a span that is
  // not a number never matches either).
  struct Case {
    double base;
    int32_t level;
  };
  const Case cases[] = {{0.0, 0}, {100.0, 100000}, {-2.5, -2500}, {std::numeric_limits<double>::quiet_NaN(), 0}};
  for (const Case& c : cases) {
    calibrate(0, 0, 1.0, 0.0, c.base);
    ASSERT_EQ(1, run());
    int32_t v = 0;
    SDK(uZyvSDKGetVoltDiv)(0, &v);
    EXPECT_EQ(2000, v) << c.base;
    EXPECT_EQ(c.level, cachedTriggerLevel()) << c.base;
  }
}

TEST_F(Autoset, TriggerLevelIsLimitedToTheRecordsRange) {
  // The 32-bit level of the trigger record: levels beyond it saturate,
  // infinite ones too; a level that is not a number gives 0. Channel 0 shows
  // either its middle code at every step (never matched: the level is the
  // base offset) or codes above the window (matched at once).
  constexpr double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* what;
    double gain, base;
    int32_t max0, min0;
    int32_t level;
  } cases[] = {
      {"inside", 1.0, 100.0, kMid8, kMid8, 100000},
      {"beyond the upper bound", 1.0, 1e12, kMid8, kMid8, INT32_MAX},
      {"beyond the lower bound", 1.0, -1e12, kMid8, kMid8, INT32_MIN},
      {"sum overflows to infinity", 1.0, 5e304, kMid8, kMid8, INT32_MAX},
      {"+infinity", 1.0, inf, kMid8, kMid8, INT32_MAX},
      {"-infinity", 1.0, -inf, kMid8, kMid8, INT32_MIN},
      {"not a number", 1.0, std::numeric_limits<double>::quiet_NaN(), kMid8, kMid8, 0},
      {"infinite gain, matched", inf, 0.0, 230, 200, INT32_MAX},
      {"-infinite gain, matched", -inf, 0.0, 230, 200, INT32_MIN},
  };
  for (const Case& c : cases) {
    calibrate(0, 0, c.gain, 0.0, c.base);
    ZyvSimSummary s = summary(c.max0, c.min0, kMid8, kMid8);
    zyvsim_set_summary(0, 0, &s);
    ASSERT_EQ(1, run()) << c.what;
    EXPECT_EQ(c.level, cachedTriggerLevel()) << c.what;
  }
}

TEST_F(Autoset, SampleRateFromTheLastReadingOfDeviceZero) {
  struct Case {
    int32_t reading;
    int64_t rate;
  };
  const Case cases[] = {
      {1, 100000},          {500, 100000000},        {0, 500000000},          {-1, 500000000},
      {3, 500000},          {2500000, 500000000000}, {1073742, 100000000000}, {INT32_MAX, 500000000000},
      {INT32_MIN, 500000000}, {1250, 250000000},
  };
  // Readings of the search steps and of device 1 are not used.
  std::vector<ZyvSimSummary> steps(12, summary(kMid8, kMid8, kMid8, kMid8, 7));
  ZyvSimSummary other = summary(kMid8, kMid8, kMid8, kMid8, 1);
  zyvsim_set_summary(0, 1, &other);
  for (const Case& c : cases) {
    zyvsim_script_summaries(0, 0, steps.data(), int32_t(steps.size()));
    ZyvSimSummary last = summary(kMid8, kMid8, kMid8, kMid8, c.reading);
    zyvsim_set_summary(0, 0, &last);
    ASSERT_EQ(1, run());
    int64_t rate = 0;
    ASSERT_EQ(1, SDK(uZyvSDKGetSampleRate)(&rate));
    EXPECT_EQ(c.rate, rate) << c.reading;
    EXPECT_EQ((Values{500000000, c.rate}), sent(0, 11)) << c.reading;
  }
}

TEST_F(Autoset, LeavesTheInstrumentsInAKnownState) {
  ASSERT_EQ(1, SDK(uZyvSDKSetRecordLength)(4096));
  ASSERT_EQ(1, SDK(uZyvSDKSetWaitMode)(3, 77));
  for (int32_t ch = 0; ch < 4; ++ch) {
    ASSERT_EQ(1, SDK(uZyvSDKSetVoltPos)(ch, 100));
    ASSERT_EQ(1, SDK(uZyvSDKSetVoltOfs)(ch, 5000));
    ASSERT_EQ(1, SDK(uZyvSDKSetBWL)(ch, 2));
    ASSERT_EQ(1, SDK(uZyvSDKSetCoupling)(ch, 1));
    ASSERT_EQ(1, SDK(uZyvSDKSetChOnOff)(ch, 0));
  }
  ASSERT_EQ(1, run());

  int32_t length = 0, mode = -1;
  int64_t param = 0;
  ASSERT_EQ(1, SDK(uZyvSDKGetRecordLength)(&length));
  ASSERT_EQ(1, SDK(uZyvSDKGetWaitMode)(&mode, &param));
  EXPECT_EQ(10000, length);
  EXPECT_EQ(0, mode);
  EXPECT_EQ(77, param) << "mode 0 keeps the parameter";
  EXPECT_EQ((Values{14096}), sent(0, 12));
  EXPECT_EQ((Values{0}), sent(0, 13));
  for (int32_t ch = 0; ch < 4; ++ch) {
    int32_t pos = 0, ofs = -1, bwl = -1, coupling = -1;
    SDK(uZyvSDKGetVoltPos)(ch, &pos);
    SDK(uZyvSDKGetVoltOfs)(ch, &ofs);
    SDK(uZyvSDKGetBWL)(ch, &bwl);
    SDK(uZyvSDKGetCoupling)(ch, &coupling);
    EXPECT_EQ((VoltDivs{8000, 0, 0, 0}), (VoltDivs{pos, ofs, bwl, coupling})) << ch;
    EXPECT_EQ(1, SDK(uZyvSDKGetChOnOff)(ch)) << ch;
    EXPECT_EQ((Values{8000}), sent(ch, 8));
    EXPECT_EQ((Values{0}), sent(ch, 9));
    EXPECT_EQ((Values{0}), sent(ch, 2));
    EXPECT_EQ((Values{0}), sent(ch, 1));
    EXPECT_EQ((Values{1}), sent(ch, 3));
  }
  EXPECT_EQ((VoltDivs{2000, 2000, 2000, 2000}), voltDivs());
  EXPECT_EQ(0, cachedTriggerLevel());
}

TEST_F(Autoset, SetsUpThenCapturesReadsAndQueriesInOrder) {
  ASSERT_EQ(1, run());
  // S: a setting (with its ID), C: capture, W: data-ready poll, R: read,
  // Q: signal summary; arming, trigger records and calibration reads left out.
  std::string order;
  for (const ZyvSimCall& c : calls(0)) {
    const std::string e = c.entry;
    if (e == "uZyvSetting" && c.arg[1] != 5 && c.arg[1] != 10) order += "S" + std::to_string(c.arg[1]) + " ";
    if (e == "uZyvCapture") order += "C";
    if (e == "uZyvDataReady") order += "W";
    if (e == "uZyvReadEx") order += "R";
    if (e == "ZyvHwInfo") order += "Q";
  }
  std::string expected = "S12 S11 S13 ";
  for (int ch = 0; ch < 4; ++ch) expected += "S8 S9 S2 S1 S3 ";
  for (int k = 0; k < 16; ++k) expected += "CWRR";
  for (int step = 0; step < 12; ++step) expected += "S17 S17 S17 S17 CWRRCWRRQQ";
  expected += "QS11 ";
  EXPECT_EQ(expected, order);

  const auto queries = calls(0, "ZyvHwInfo");
  ASSERT_EQ(25u, queries.size());
  for (std::size_t k = 0; k < queries.size(); ++k) {
    EXPECT_EQ(k == 24 ? 0 : int64_t(k % 2), queries[k].arg[0]);
    EXPECT_EQ(306, queries[k].arg[1]);
    ASSERT_EQ(24, queries[k].blockSize);
    int32_t request = 0;
    std::memcpy(&request, queries[k].block, 4);
    EXPECT_EQ(3, request) << "set before the first query and passed on unchanged";
  }
}

TEST_F(Autoset, FailuresOnTheWayAreLeftInLastError) {
  struct Case {
    const char* entry;
    int64_t match;
    int32_t runtimeCode;
    int32_t lastError;
    std::size_t polls;
  };
  // A refused capture start is not waited for, but the devices are still
  // read; a refused final rate is still cached.
  const Case cases[] = {{"uZyvCapture", -1, 1, UZYV_ERR_RUNTIME_1, 0},
                        {"uZyvSetting", 11, 2, UZYV_ERR_VOLTDIV, 40},
                        {"uZyvReadEx", 1, 7, UZYV_ERR_RUNTIME_7, 40}};
  const ZyvSimSummary reading = summary(kMid8, kMid8, kMid8, kMid8, 1);
  zyvsim_set_summary(0, 0, &reading);
  for (const Case& c : cases) {
    zyvsim_clear_faults(0);
    zyvsim_fail(0, c.entry, c.match, 0, c.runtimeCode);
    ASSERT_EQ(1, run()) << c.entry;
    EXPECT_EQ(c.lastError, lastError()) << c.entry;
    EXPECT_EQ(40u, calls(0, "uZyvCapture").size()) << c.entry;
    EXPECT_EQ(c.polls, calls(0, "uZyvDataReady").size()) << c.entry;
    EXPECT_EQ(80u, calls(0, "uZyvReadEx").size()) << c.entry;
    int64_t rate = 0;
    SDK(uZyvSDKGetSampleRate)(&rate);
    EXPECT_EQ(100000, rate) << c.entry;
  }
}

TEST_F(Autoset, WaitForDataIsLimited) {
  zyvsim_fail(0, "uZyvDataReady", -1, 0, 0);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(1, run());
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(seconds, 1.9) << "the first capture is waited for";
  EXPECT_LT(seconds, 10.0);

  // After the first wait ran out, each capture is polled once and read.
  std::vector<int> polls;
  int reads = 0;
  for (const ZyvSimCall& c : calls(0)) {
    const std::string e = c.entry;
    if (e == "uZyvCapture") polls.push_back(0);
    if (e == "uZyvDataReady" && !polls.empty()) ++polls.back();
    if (e == "uZyvReadEx") ++reads;
  }
  ASSERT_EQ(40u, polls.size());
  EXPECT_GT(polls[0], 1);
  for (std::size_t k = 1; k < polls.size(); ++k) EXPECT_EQ(1, polls[k]) << k;
  EXPECT_EQ(80, reads);
  EXPECT_EQ(25u, calls(0, "ZyvHwInfo").size()) << "the run goes on to its end";
}

namespace {
class AutosetRefused : public SdkTest {};
}  // namespace

TEST_F(AutosetRefused, BeforeTheStartUp) {
  EXPECT_EQ(0, SDK(uZyvSDKAutoset)());
  EXPECT_EQ(UZYV_ERR_NOT_OPEN, lastError());
}

TEST_F(AutosetRefused, ClosedGroupIsNotTouched) {
  ASSERT_EQ(2, openGroup());
  ASSERT_EQ(1, SDK(uZyvSDKShutdown)());
  zyvsim_clear_log(0);
  EXPECT_EQ(0, SDK(uZyvSDKAutoset)());
  EXPECT_EQ(UZYV_ERR_NOT_OPEN, lastError());
  EXPECT_EQ(0, zyvsim_log_count(0));
}

TEST_F(AutosetRefused, RuntimeWithoutTheSummaryEntrySilently) {
  ASSERT_EQ(2, openGroup(0, "nohwinfo"));
  EXPECT_EQ(0, SDK(uZyvSDKSelectGroup)(20));  // LastError 21
  zyvsim_clear_log(0);
  EXPECT_EQ(0, SDK(uZyvSDKAutoset)());
  EXPECT_EQ(UZYV_ERR_GROUP_INDEX, lastError()) << "LastError unchanged";
  EXPECT_EQ(0, zyvsim_log_count(0)) << "nothing sent";
  int32_t length = 0;
  SDK(uZyvSDKGetRecordLength)(&length);
  EXPECT_EQ(2000, length);
}

namespace {
// More channels than six devices have.
class AutosetLargeGroup : public Autoset {
  int32_t devices() const override { return 8; }
};
}  // namespace

TEST_F(AutosetLargeGroup, EveryChannelOfTheGroupIsSearched) {
  ZyvSimSummary last = summary(kMid8, kMid8, kMid8, 10);
  zyvsim_set_summary(0, 7, &last);
  ASSERT_EQ(1, run());
  VoltDivs expected(16, 2000);
  expected[15] = 10000000;
  EXPECT_EQ(expected, voltDivs());
  EXPECT_EQ(12u * 8u + 1u, calls(0, "ZyvHwInfo").size());
}
