// The measurement exports: the one-call form, the staged form, their errors
// and the hardware-version query they make through the runtime.
#include <cstring>
#include <vector>

#include "support/sdk.h"

using namespace sdktest;

namespace {

using Samples = std::vector<int16_t>;

// A +-1000 count square wave, high while (i + shift) mod period < high.
Samples square(int n, int period, int high, int shift) {
  Samples s(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) s[std::size_t(i)] = int16_t((i + shift) % period < high ? 1000 : -1000);
  return s;
}

class MeasExport : public SdkTest {
 protected:
  void SetUp() override {
    SdkTest::SetUp();
    ASSERT_EQ(2, openGroup());
    std::memset(&params, 0, sizeof params);
    params.sampleRate = 1000000;
    for (int i = 0; i < 2; ++i) {
      params.gain[i] = 1;  // one count = 1 mV
      params.multiplier[i] = 1;
    }
    params.samples[0] = ch0.data();
  }

  // Runs uZyvSDKMeasurement on the list (ended by -1 here) over [start, end).
  int32_t measure(std::vector<int32_t> types, int32_t start = 0, int32_t end = 400, uint8_t* abort = nullptr) {
    types.push_back(UZYV_MEAS_LIST_END);
    valid.assign(types.size(), 7);
    values.assign(types.size(), -99);
    return SDK(uZyvSDKMeasurement)(types.data(), start, end, &params, abort, valid.data(), values.data());
  }
  bool untouched() const {
    for (std::size_t j = 0; j < valid.size(); ++j)
      if (valid[j] != 7 || values[j] != -99) return false;
    return true;
  }
  int32_t stage(int32_t channel, const Samples& s, int64_t rate = 1000000) {
    return SDK(uZyvSDKMeasExInit)(channel, 0, 0.0, 0.0, 0.0, 1.0, 1, rate, 0, s.data());
  }

  Samples ch0 = square(400, 100, 50, 65);  // rises at 35, falls at 85, ...
  Samples ch1 = square(400, 100, 50, 90);  // the same 25 samples earlier
  MeasParams params;
  std::vector<uint8_t> valid;
  std::vector<double> values;
};

}  // namespace

TEST_F(MeasExport, ResultsComeBackInListOrderInInterfaceUnits) {
  EXPECT_EQ(1, measure({UZYV_MEAS_FREQUENCY, 2500 + UZYV_MEAS_MAX, UZYV_MEAS_PHASE, UZYV_MEAS_PERIOD}));
  EXPECT_EQ(1, valid[0]);
  EXPECT_DOUBLE_EQ(10000, values[0]);
  EXPECT_EQ(1, valid[1]);
  EXPECT_DOUBLE_EQ(1.0, values[1]);
  EXPECT_EQ(0, valid[2]);  // no reference channel
  EXPECT_EQ(-99, values[2]);
  EXPECT_EQ(1, valid[3]);
  EXPECT_DOUBLE_EQ(100e-6, values[3]);
}

TEST_F(MeasExport, QueriesDevice0sHardwareVersionFirst) {
  zyvsim_clear_log(0);
  EXPECT_EQ(1, measure({UZYV_MEAS_MAX}));
  const std::vector<ZyvSimCall> log = calls(0);
  ASSERT_EQ(1u, log.size());
  EXPECT_STREQ("uZyvGetHwInfo", log[0].entry);
  EXPECT_EQ(0, log[0].arg[0]);
  EXPECT_EQ(3, log[0].arg[1]);

  // A failed query refuses all three exports that make it, whatever the
  // runtime's own error code.
  zyvsim_fail(0, "uZyvGetHwInfo", 0, 0, 5);
  EXPECT_EQ(0, measure({UZYV_MEAS_MAX}));
  EXPECT_EQ(UZYV_ERR_HW_VERSION, lastError());
  EXPECT_TRUE(untouched());
  EXPECT_EQ(0, stage(0, ch0));
  EXPECT_EQ(UZYV_ERR_HW_VERSION, lastError());
  EXPECT_EQ(0, SDK(uZyvSDKMeasExStart)(0, 400, nullptr));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());  // nothing staged: refused before the query
  zyvsim_clear_faults(0);
  EXPECT_EQ(1, stage(0, ch0));
  zyvsim_fail(0, "uZyvGetHwInfo", 0, 0, 5);
  EXPECT_EQ(0, SDK(uZyvSDKMeasExStart)(0, 400, nullptr));
  EXPECT_EQ(UZYV_ERR_HW_VERSION, lastError());
}

using MeasExportBeforeStartUp = SdkTest;

TEST_F(MeasExportBeforeStartUp, HardwareQueryFailsWithoutARuntime) {
  Samples s = square(400, 100, 50, 0);
  MeasParams p{};
  p.samples[0] = s.data();
  int32_t types[] = {UZYV_MEAS_MAX, -1};
  uint8_t valid = 7;
  double value = -99;
  EXPECT_EQ(0, SDK(uZyvSDKMeasurement)(types, 0, 400, &p, nullptr, &valid, &value));
  EXPECT_EQ(UZYV_ERR_HW_VERSION, lastError());
  EXPECT_EQ(7, valid);
  EXPECT_EQ(0, SDK(uZyvSDKMeasExAddType)(UZYV_MEAS_MAX));  // no channel records yet
  EXPECT_EQ(UZYV_ERR_MEAS_TYPE, lastError());
}

TEST_F(MeasExport, RefusalsWriteNothing) {
  uint8_t abort = 1;
  struct Case {
    const char* what;
    std::vector<int32_t> types;
    int32_t start, end;
    uint8_t* abort;
    int32_t error;
  } cases[] = {
      {"type 2531", {UZYV_MEAS_MAX, 2531}, 0, 400, nullptr, UZYV_ERR_MEAS_TYPE},
      {"type 31", {31}, 0, 400, nullptr, UZYV_ERR_MEAS_TYPE},
      {"type -2", {-2}, 0, 400, nullptr, UZYV_ERR_MEAS_TYPE},
      {"negative start", {UZYV_MEAS_MAX}, -1, 400, nullptr, UZYV_ERR_MEAS_RANGE},
      {"end before start", {UZYV_MEAS_MAX}, 200, 100, nullptr, UZYV_ERR_MEAS_RANGE},
      {"empty range", {UZYV_MEAS_MAX}, 10, 10, nullptr, UZYV_ERR_MEAS_RUN},
      {"abort requested", {UZYV_MEAS_MAX}, 0, 400, &abort, UZYV_ERR_MEAS_RUN},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(0, measure(c.types, c.start, c.end, c.abort)) << c.what;
    EXPECT_EQ(c.error, lastError()) << c.what;
    EXPECT_TRUE(untouched()) << c.what;
  }
  // Data outside the 4096-bin histogram: minimum -2049, maximum below 2048.
  Samples low(400, 100);
  low[7] = -2049;
  params.samples[0] = low.data();
  EXPECT_EQ(0, measure({UZYV_MEAS_MAX}));
  EXPECT_EQ(UZYV_ERR_MEAS_RUN, lastError());
}

TEST_F(MeasExport, NullPointersAreRefused) {
  int32_t types[] = {UZYV_MEAS_MAX, -1};
  uint8_t v = 7;
  double x = -99;
  auto measurement = SDK(uZyvSDKMeasurement);
  EXPECT_EQ(0, measurement(nullptr, 0, 400, &params, nullptr, &v, &x));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
  EXPECT_EQ(0, measurement(types, 0, 400, nullptr, nullptr, &v, &x));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
  EXPECT_EQ(0, measurement(types, 0, 400, &params, nullptr, nullptr, &x));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
  EXPECT_EQ(0, measurement(types, 0, 400, &params, nullptr, &v, nullptr));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
  // Result arrays too short for the list.
  int32_t three[] = {UZYV_MEAS_MAX, UZYV_MEAS_MIN, UZYV_MEAS_MEAN, -1};
  GuardedBuffer twoFlags(2);
  EXPECT_EQ(0, measurement(three, 0, 400, &params, nullptr, static_cast<uint8_t*>(twoFlags.data()), &x));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
  EXPECT_EQ(7, v);
  EXPECT_EQ(-99, x);
}

TEST_F(MeasExport, ListsAndTheRequestedSet) {
  // A list that starts with the end requests nothing, but the run happens.
  ASSERT_EQ(1, measure({UZYV_MEAS_FREQUENCY}));
  EXPECT_EQ(1, measure({}));
  EXPECT_EQ(1, SDK(uZyvSDKMeasExGetResult)(UZYV_MEAS_MAX));
  EXPECT_EQ(0, SDK(uZyvSDKMeasExGetResult)(UZYV_MEAS_FREQUENCY));

  // Only the first 31 entries are requested; every entry gets an answer.
  std::vector<int32_t> list(31, UZYV_MEAS_MIN);
  list.push_back(UZYV_MEAS_MAX);        // valid without a request
  list.push_back(UZYV_MEAS_FREQUENCY);  // beyond the 31st: not requested
  list.push_back(2531);                 // beyond the 31st: not checked
  EXPECT_EQ(1, measure(list));
  EXPECT_EQ(1, valid[30]);
  EXPECT_EQ(1, valid[31]);
  EXPECT_DOUBLE_EQ(1.0, values[31]);
  EXPECT_EQ(0, valid[32]);
  EXPECT_EQ(0, valid[33]);
  EXPECT_EQ(-99, values[33]);
}

TEST_F(MeasExport, WithoutChannel0SamplesNothingIsValid) {
  params.samples[0] = nullptr;
  EXPECT_EQ(1, measure({UZYV_MEAS_MAX, UZYV_MEAS_FREQUENCY, UZYV_MEAS_VRMS}));
  EXPECT_EQ(std::vector<uint8_t>({0, 0, 0, 7}), valid);  // 7: the end entry
}

TEST_F(MeasExport, ReferenceChannelGivesDelaysAndPhase) {
  const std::vector<int32_t> types = {UZYV_MEAS_PERIOD,     UZYV_MEAS_RISE_TIME,  UZYV_MEAS_FALL_TIME,
                                      UZYV_MEAS_RISE_DELAY, UZYV_MEAS_FALL_DELAY, UZYV_MEAS_PHASE};
  ASSERT_EQ(1, measure(types));
  EXPECT_EQ(std::vector<uint8_t>({1, 1, 1, 0, 0, 0, 7}), valid);
  params.samples[1] = ch1.data();
  ASSERT_EQ(1, measure(types));
  EXPECT_EQ(std::vector<uint8_t>({1, 1, 1, 1, 1, 1, 7}), valid);
  EXPECT_DOUBLE_EQ(25e-6, values[3]);
  EXPECT_DOUBLE_EQ(25e-6, values[4]);
  EXPECT_DOUBLE_EQ(-90, values[5]);
}

TEST_F(MeasExport, CalibrationOffsetAndMultiplierOfTheMeasuredChannel) {
  params.zeroLevel[0] = 5.5;
  params.gain[0] = 0.25;
  params.baseOffset[0] = 3;
  params.voltOffset[0] = 0.002;
  params.multiplier[0] = 20;
  params.gain[1] = 1000;  // the reference's calibration plays no part
  params.samples[1] = ch1.data();
  ASSERT_EQ(1, measure({UZYV_MEAS_MAX, UZYV_MEAS_AMPLITUDE, UZYV_MEAS_MEAN, UZYV_MEAS_VRMS}));
  EXPECT_DOUBLE_EQ(0.02 * ((1000 - 5.5) * 0.25 + 3 - 2), values[0]);
  EXPECT_DOUBLE_EQ(0.02 * 2000 * 0.25, values[1]);
  EXPECT_DOUBLE_EQ(0.02 * ((0 - 5.5) * 0.25 + 3 - 2), values[2]);
  EXPECT_DOUBLE_EQ(5.000005, values[3]);
}

TEST_F(MeasExport, ReadsNoSampleAtOrBeyondTheEnd) {
  // Every type on arrays that end right where the range ends.
  std::vector<int32_t> all;
  for (int32_t k = 0; k <= 30; ++k) all.push_back(k);
  for (const Samples& source : {ch0, ch1, square(400, 7, 3, 0), Samples(400, 5)}) {
    GuardedBuffer a(400 * sizeof(int16_t)), b(400 * sizeof(int16_t));
    std::memcpy(a.data(), source.data(), 400 * sizeof(int16_t));
    std::memcpy(b.data(), ch1.data(), 400 * sizeof(int16_t));
    params.samples[0] = static_cast<int16_t*>(a.data());
    params.samples[1] = static_cast<int16_t*>(b.data());
    EXPECT_EQ(1, measure(all));
    EXPECT_EQ(1, measure(all, 390, 400));
  }
}

TEST_F(MeasExport, StagedInputPersistsBetweenCalls) {
  ASSERT_EQ(1, stage(0, ch0));
  ASSERT_EQ(1, SDK(uZyvSDKMeasExAddType)(2500 + UZYV_MEAS_FREQUENCY));
  ASSERT_EQ(1, SDK(uZyvSDKMeasExAddType)(UZYV_MEAS_PHASE));
  ASSERT_EQ(1, SDK(uZyvSDKMeasExStart)(0, 400, nullptr));
  EXPECT_EQ(1, SDK(uZyvSDKMeasExGetResult)(UZYV_MEAS_FREQUENCY));
  EXPECT_DOUBLE_EQ(10000, SDK(uZyvSDKMeasExGetValue)(2500));
  EXPECT_EQ(0, SDK(uZyvSDKMeasExGetResult)(UZYV_MEAS_PHASE));
  EXPECT_EQ(0.0, SDK(uZyvSDKMeasExGetValue)(UZYV_MEAS_PHASE));
  EXPECT_EQ(0.0, SDK(uZyvSDKMeasExGetValue)(31));

  // New samples behind the same pointer: the same types measured again.
  Samples faster = square(400, 50, 25, 0);
  std::copy(faster.begin(), faster.end(), ch0.begin());
  ASSERT_EQ(1, SDK(uZyvSDKMeasExStart)(0, 400, nullptr));
  EXPECT_DOUBLE_EQ(20000, SDK(uZyvSDKMeasExGetValue)(UZYV_MEAS_FREQUENCY));

  // Channel 1, once staged, stays present.
  ASSERT_EQ(1, stage(1, ch1));
  ASSERT_EQ(1, SDK(uZyvSDKMeasExAddType)(UZYV_MEAS_RISE_DELAY));
  ASSERT_EQ(1, SDK(uZyvSDKMeasExStart)(0, 400, nullptr));
  EXPECT_EQ(1, SDK(uZyvSDKMeasExGetResult)(UZYV_MEAS_RISE_DELAY));
  EXPECT_EQ(0, SDK(uZyvSDKMeasExInit)(1, 0, 0, 0, 0, 1, 1, 1000000, 0, nullptr));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
  ASSERT_EQ(1, SDK(uZyvSDKMeasExStart)(0, 400, nullptr));
  EXPECT_EQ(1, SDK(uZyvSDKMeasExGetResult)(UZYV_MEAS_RISE_DELAY));

  // Emptying the requested set; the one-call form replaces it.
  EXPECT_EQ(1, SDK(uZyvSDKMeasExFreeResource)());
  ASSERT_EQ(1, SDK(uZyvSDKMeasExStart)(0, 400, nullptr));
  EXPECT_EQ(0, SDK(uZyvSDKMeasExGetResult)(UZYV_MEAS_FREQUENCY));
  ASSERT_EQ(1, SDK(uZyvSDKMeasExAddType)(UZYV_MEAS_FREQUENCY));
  ASSERT_EQ(1, measure({UZYV_MEAS_VRMS}));
  ASSERT_EQ(1, SDK(uZyvSDKMeasExStart)(0, 400, nullptr));
  EXPECT_EQ(0, SDK(uZyvSDKMeasExGetResult)(UZYV_MEAS_FREQUENCY));
  EXPECT_EQ(1, SDK(uZyvSDKMeasExGetResult)(UZYV_MEAS_VRMS));
}

TEST_F(MeasExport, StagedRefusals) {
  EXPECT_EQ(0, SDK(uZyvSDKMeasExStart)(0, 400, nullptr));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
  for (int32_t type : {31, 2531, -1, -2}) {
    EXPECT_EQ(0, SDK(uZyvSDKMeasExAddType)(type)) << type;
    EXPECT_EQ(UZYV_ERR_MEAS_TYPE, lastError()) << type;
  }
  EXPECT_EQ(1, SDK(uZyvSDKMeasExAddType)(30));
  EXPECT_EQ(1, SDK(uZyvSDKMeasExAddType)(2530));

  ASSERT_EQ(1, stage(0, ch0));
  ASSERT_EQ(1, SDK(uZyvSDKMeasExAddType)(UZYV_MEAS_FREQUENCY));
  // Channels other than 0 and 1 are refused and change nothing, not even the
  // sample rate.
  for (int32_t channel : {2, -1, 1000000}) {
    EXPECT_EQ(0, stage(channel, ch1, 2000000)) << channel;
    EXPECT_EQ(UZYV_ERR_CHANNEL, lastError()) << channel;
  }
  ASSERT_EQ(1, SDK(uZyvSDKMeasExStart)(0, 400, nullptr));
  EXPECT_DOUBLE_EQ(10000, SDK(uZyvSDKMeasExGetValue)(UZYV_MEAS_FREQUENCY));

  struct Case {
    int32_t start, end, error;
  } cases[] = {{-1, 400, UZYV_ERR_MEAS_RANGE}, {300, 200, UZYV_ERR_MEAS_RANGE}, {10, 10, UZYV_ERR_MEAS_RUN}};
  for (const Case& c : cases) {
    EXPECT_EQ(0, SDK(uZyvSDKMeasExStart)(c.start, c.end, nullptr)) << c.start << " " << c.end;
    EXPECT_EQ(c.error, lastError()) << c.start << " " << c.end;
  }
  uint8_t abort = 1;
  EXPECT_EQ(0, SDK(uZyvSDKMeasExStart)(0, 400, &abort));
  EXPECT_EQ(UZYV_ERR_MEAS_RUN, lastError());
  EXPECT_EQ(0, SDK(uZyvSDKMeasExGetResult)(UZYV_MEAS_MAX));
}
