// The pass/fail mask as an application uses it: building it from a
// reference, reading it back, and checking captured records against it.
#include <algorithm>
#include <vector>

#include "support/sdk.h"

using namespace sdktest;

namespace {

constexpr int64_t kRate = 1000000000;  // 1000 ps per sample
constexpr int32_t kCode = 1000000;     // tolerance units per code with factor 1 and divisor 1
constexpr int32_t kUntouched = 4242;

using Codes = std::vector<int16_t>;

struct Build {
  int64_t rate = kRate;
  int64_t before = 0, after = 0;
  int32_t below = 0, above = 0;  // in codes
  int32_t offset = 0;            // picoseconds
  double divisor = 1.0;
};

class PassFailTest : public SdkTest {
 protected:
  int32_t build(const Codes& ref, const Build& b = {}) {
    return SDK(uZyvSDKPassFailInit)(ref.data(), int32_t(ref.size()), b.rate, b.before, b.after, b.below * kCode,
                                    b.above * kCode, 1, &b.divisor, b.offset);
  }

  // Opens the group with records of `length` samples at 1 GS/s.
  void openWithRecord(int32_t length) {
    ASSERT_EQ(2, openGroup());
    ASSERT_EQ(1, SDK(uZyvSDKSetRecordLength)(length));
    ASSERT_EQ(1, SDK(uZyvSDKSetSampleRate)(kRate));
  }

  struct Mask {
    Codes upper, lower;
    int32_t refShift = kUntouched;
  };
  int32_t getMask(Mask& m, int32_t capacity = 64) {
    m.upper.assign(std::size_t(capacity), kUntouched);
    m.lower.assign(std::size_t(capacity), kUntouched);
    int32_t upperCount = capacity, lowerCount = capacity;
    const int32_t r = SDK(uZyvSDKPassFailGetMask)(m.upper.data(), &upperCount, m.lower.data(), &lowerCount, &m.refShift);
    if (r) {
      m.upper.resize(std::size_t(upperCount));
      m.lower.resize(std::size_t(lowerCount));
    }
    return r;
  }

  // The record a read of the device's input returns (the runtime's block
  // holds 2048 codes of margin before it).
  static void play(int32_t device, int32_t input, const Codes& record) {
    Codes block(2048, 0);
    block.insert(block.end(), record.begin(), record.end());
    zyvsim_set_samples(0, device, input, block.data(), int32_t(block.size()));
  }

  int32_t check(int32_t channel, int32_t& result) {
    result = kUntouched;
    return SDK(uZyvSDKPassFailCheck)(channel, &result);
  }
};

Codes ramp(int count, int first, int step) {
  Codes v;
  for (int i = 0; i < count; ++i) v.push_back(int16_t(first + step * i));
  return v;
}

Codes plus(Codes v, int index, int delta) {
  v[std::size_t(index)] = int16_t(v[std::size_t(index)] + delta);
  return v;
}

}  // namespace

// -------------------------------------------------------------------------
// Building and reading back.

TEST_F(PassFailTest, ZeroTolerancesGiveTheReferenceAsBothLimits) {
  openWithRecord(16);
  const Codes ref = ramp(16, -700, 90);
  ASSERT_EQ(1, build(ref));
  Mask m;
  ASSERT_EQ(1, getMask(m));
  EXPECT_EQ(ref, m.upper);
  EXPECT_EQ(ref, m.lower);
  EXPECT_EQ(0, m.refShift);
}

TEST_F(PassFailTest, ToleranceWindowsAndLimits) {
  openWithRecord(8);
  const Codes ref{0, 100, 0, 2040, 0, -2040, 0, 5};
  const struct {
    const char* what;
    Build b;
    Codes upper, lower;
  } cases[] = {
      {"codes clamped at 2047 and -2048", {kRate, 0, 0, 20, 20}, {20, 120, 20, 2047, 20, -2020, 20, 25},
       {-20, 80, -20, 2020, -20, -2048, -20, -15}},
      // 1500 ps back is 1 sample, 2999 ps ahead 2 samples.
      {"time window", {kRate, 1500, 2999, 0, 0}, {100, 2040, 2040, 2040, 2040, 5, 5, 5},
       {0, 0, 0, -2040, -2040, -2040, -2040, 0}},
      {"negative window sum leaves every window empty", {kRate, -2000, 1000, 3, 4},
       Codes(8, -9995), Codes(8, 9996)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(1, build(ref, c.b));
    Mask m;
    ASSERT_EQ(1, getMask(m));
    EXPECT_EQ(c.upper, m.upper);
    EXPECT_EQ(c.lower, m.lower);
  }
}

TEST_F(PassFailTest, ReferenceOffsetBecomesTheShiftInSamples) {
  openWithRecord(8);
  const struct {
    int64_t rate;
    int32_t offset, refShift;
  } cases[] = {{kRate, 3999, 3}, {kRate, -3999, -3}, {10000000, 250000, 2}, {1000000000000, -77, -77}};
  for (const auto& c : cases) {
    Build b;
    b.rate = c.rate;
    b.offset = c.offset;
    ASSERT_EQ(1, build(ramp(8, 0, 1), b));
    Mask m;
    ASSERT_EQ(1, getMask(m));
    EXPECT_EQ(c.refShift, m.refShift) << c.offset;
  }
}

// Every refused build leaves the mask that was in force.
TEST_F(PassFailTest, RefusedBuildsKeepTheOldMask) {
  openWithRecord(8);
  const Codes ref = ramp(8, 10, 10);
  ASSERT_EQ(1, build(ref));
  const double one = 1.0, zero = 0.0;
  const struct {
    const char* what;
    const int16_t* reference;
    int32_t count;
    int64_t rate;
    int32_t above, factor;  // tolerance above in codes: above / 1e6 * factor / divisor
    const double* divisor;
    int32_t code;
  } cases[] = {
      {"tolerance of 65536 codes", ref.data(), 8, kRate, kCode, 65536, &one, UZYV_ERR_MASK},
      {"negative tolerance", ref.data(), 8, kRate, -kCode, 1, &one, UZYV_ERR_MASK},
      {"null reference", nullptr, 8, kRate, 0, 1, &one, UZYV_ERR_POINTER},
      {"null divisor", ref.data(), 8, kRate, 0, 1, nullptr, UZYV_ERR_POINTER},
      {"negative count", ref.data(), -1, kRate, 0, 1, &one, UZYV_ERR_MASK},
      {"rate 0", ref.data(), 8, 0, 0, 1, &one, UZYV_ERR_MASK},
      {"rate above 1e12", ref.data(), 8, 1000000000001, 0, 1, &one, UZYV_ERR_MASK},
      {"negative rate", ref.data(), 8, -1000000, 0, 1, &one, UZYV_ERR_MASK},
      {"zero divisor", ref.data(), 8, kRate, kCode, 1, &zero, UZYV_ERR_MASK},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(0, SDK(uZyvSDKPassFailInit)(c.reference, c.count, c.rate, 0, 0, 0, c.above, c.factor, c.divisor, 0));
    EXPECT_EQ(c.code, lastError());
    Mask m;
    ASSERT_EQ(1, getMask(m));
    EXPECT_EQ(ref, m.upper);
    EXPECT_EQ(ref, m.lower);
  }
  // 65535 codes still fit.
  EXPECT_EQ(1, SDK(uZyvSDKPassFailInit)(ref.data(), 8, kRate, 0, 0, 0, kCode, 65535, &one, 0));
}

TEST_F(PassFailTest, ReadOutStopsAtCapacityRecordAndMaskLength) {
  openWithRecord(1000);
  const Codes ref = ramp(1000, -500, 1);
  ASSERT_EQ(1, build(ref));
  Mask m;
  ASSERT_EQ(1, getMask(m, 100));  // capacity below the record length
  EXPECT_EQ(Codes(ref.begin(), ref.begin() + 100), m.upper);
  EXPECT_EQ(100u, m.lower.size());

  // A mask of 10 positions under a record of 1000: only its own 10 codes.
  ASSERT_EQ(1, build(Codes(ref.begin(), ref.begin() + 10)));
  ASSERT_EQ(1, getMask(m, 1000));
  EXPECT_EQ(Codes(ref.begin(), ref.begin() + 10), m.upper);

  // A record shorter than the mask: the record length.
  ASSERT_EQ(1, SDK(uZyvSDKSetRecordLength)(8));
  ASSERT_EQ(1, getMask(m, 1000));
  EXPECT_EQ(8u, m.upper.size());

  // A negative capacity copies nothing and reports 0.
  int32_t negative = -5, lowerCount = 4;
  Codes lower(4, kUntouched);
  EXPECT_EQ(1, SDK(uZyvSDKPassFailGetMask)(nullptr, &negative, lower.data(), &lowerCount, nullptr));
  EXPECT_EQ(-5, negative);  // pair skipped: null array
  EXPECT_EQ(4, lowerCount);
  EXPECT_EQ(-500, lower[0]);
  int16_t upper[1] = {kUntouched};
  EXPECT_EQ(1, SDK(uZyvSDKPassFailGetMask)(upper, &negative, nullptr, nullptr, nullptr));
  EXPECT_EQ(0, negative);
  EXPECT_EQ(kUntouched, upper[0]);
}

TEST_F(PassFailTest, MaskOutlivesGroupsAndNeedsNoGroupToBuild) {
  // Built before any start-up; read back once a group is open.
  const Codes ref = ramp(8, 1, 1);
  ASSERT_EQ(1, build(ref));
  openWithRecord(8);
  Mask m;
  ASSERT_EQ(1, getMask(m));
  EXPECT_EQ(ref, m.upper);
  SDK(uZyvSDKShutdown)();
  EXPECT_EQ(0, getMask(m));
  EXPECT_EQ(UZYV_ERR_NOT_OPEN, lastError());
  ASSERT_EQ(2, SDK(uZyvSDKInit)());
  ASSERT_EQ(1, SDK(uZyvSDKSetRecordLength)(8));
  ASSERT_EQ(1, getMask(m));
  EXPECT_EQ(ref, m.upper);
}

TEST_F(PassFailTest, NoMaskYet) {
  openWithRecord(8);
  Mask m;
  EXPECT_EQ(0, getMask(m));
  EXPECT_EQ(UZYV_ERR_NO_MASK, lastError());
  int32_t result = 0;
  EXPECT_EQ(0, check(0, result));
  EXPECT_EQ(UZYV_ERR_NO_MASK, lastError());
  EXPECT_EQ(kUntouched, result);
}

// -------------------------------------------------------------------------
// Checking captures.

TEST_F(PassFailTest, ChecksTheChannelsRecordAgainstTheMask) {
  openWithRecord(16);
  const Codes ref = ramp(16, -300, 40);
  Build b;
  b.below = 5;
  b.above = 5;
  ASSERT_EQ(1, build(ref, b));
  const struct {
    const char* what;
    int32_t channel;
    Codes input0, input1;
    int32_t result;
  } cases[] = {
      {"equal to the reference", 0, ref, ref, -1},
      {"on the upper limit", 0, plus(ref, 7, 5), ref, -1},
      {"on the lower limit", 0, plus(ref, 15, -5), ref, -1},
      {"above the upper limit", 0, plus(ref, 7, 6), ref, 7},
      {"below the lower limit", 0, plus(plus(ref, 15, -6), 12, 6), ref, 12},
      {"odd channel reads input 1", 1, plus(ref, 2, 99), plus(ref, 4, -99), 4},
      {"even channel reads input 0", 0, plus(ref, 2, 99), plus(ref, 4, -99), 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    play(0, 0, c.input0);
    play(0, 1, c.input1);
    int32_t result = 0;
    ASSERT_EQ(1, check(c.channel, result));
    EXPECT_EQ(c.result, result);
  }
  // Channel 3 reads device 1's input 1. Device 1's read reports its time
  // offset 364000 ps lower, so a reply of 364000 lines it up with the mask.
  zyvsim_set_read_reply(0, 1, 0, 364000);
  play(1, 1, plus(ref, 9, 100));
  int32_t result = 0;
  ASSERT_EQ(1, check(3, result));
  EXPECT_EQ(9, result);
}

// Step j compares sample j + g with mask position j - refShift, where
// g = capture time offset / -interval.
TEST_F(PassFailTest, ReferenceAndCaptureShifts) {
  openWithRecord(16);
  const Codes ref = ramp(16, 100, 10);
  auto shifted = [&](int by) {  // record[i] = ref[i - by], 0 elsewhere
    Codes r(16, 0);
    for (int i = 0; i < 16; ++i)
      if (i - by >= 0 && i - by < 16) r[std::size_t(i)] = ref[std::size_t(i - by)];
    return r;
  };
  const struct {
    const char* what;
    int32_t refOffset;
    int64_t captureOffset;
    Codes record;
    int32_t result;
  } cases[] = {
      {"refShift 3, record 3 later", 3000, 0, shifted(3), -1},
      {"refShift 3, fault at 10", 3000, 0, plus(shifted(3), 10, 1), 10},
      {"refShift -3, record 3 earlier", -3000, 0, shifted(-3), -1},
      {"refShift -3, fault at sample 4", -3000, 0, plus(shifted(-3), 4, 1), 4},
      {"g 2, record 2 later", 0, -2000, shifted(2), -1},
      {"g 2, fault at sample 9", 0, -2000, plus(shifted(2), 9, 1), 7},
      {"g -2, fault at sample 9", 0, 2000, plus(shifted(-2), 9, 1), 11},
      // Same offsets: mask position k meets sample k at step k + refShift.
      {"equal offsets", -2000, -2000, plus(ref, 9, 1), 7},
      {"refShift of n compares nothing", 16000, 0, Codes(16, 9999), -1},
      {"refShift of -n compares nothing", -16000, 0, Codes(16, 9999), -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Build b;
    b.offset = c.refOffset;
    ASSERT_EQ(1, build(ref, b));
    zyvsim_set_read_reply(0, 0, 0, c.captureOffset);
    play(0, 0, c.record);
    int32_t result = 0;
    ASSERT_EQ(1, check(0, result));
    EXPECT_EQ(c.result, result);
  }
}

TEST_F(PassFailTest, MaskShorterThanTheRecordIsNeverReadPast) {
  openWithRecord(16);
  ASSERT_EQ(1, build(ramp(8, 0, 1)));
  Codes record = ramp(16, 0, 1);
  for (int i = 8; i < 16; ++i) record[std::size_t(i)] = -2000;
  play(0, 0, record);
  int32_t result = 0;
  ASSERT_EQ(1, check(0, result));
  EXPECT_EQ(-1, result);
}

TEST_F(PassFailTest, RefusedChecksLeaveTheResultAlone) {
  openWithRecord(8);
  ASSERT_EQ(1, build(ramp(8, 0, 1)));
  int32_t result = 0;

  EXPECT_EQ(0, check(-1, result));
  EXPECT_EQ(UZYV_ERR_CHANNEL, lastError());
  EXPECT_EQ(kUntouched, result);

  EXPECT_EQ(0, SDK(uZyvSDKPassFailCheck)(0, nullptr));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());

  for (int64_t rate : {int64_t(0), int64_t(2000000000000)}) {
    ASSERT_EQ(1, SDK(uZyvSDKSetSampleRate)(rate));
    EXPECT_EQ(0, check(0, result));
    EXPECT_EQ(UZYV_ERR_MASK, lastError());
    EXPECT_EQ(kUntouched, result);
  }
  ASSERT_EQ(1, SDK(uZyvSDKSetSampleRate)(kRate));

  zyvsim_fail(0, "uZyvReadEx", -1, 0, 3);
  EXPECT_EQ(0, check(0, result));
  EXPECT_EQ(UZYV_ERR_RECORD_LENGTH, lastError());  // runtime code 3
  EXPECT_EQ(kUntouched, result);
  zyvsim_clear_faults(0);

  SDK(uZyvSDKShutdown)();
  EXPECT_EQ(0, check(0, result));
  EXPECT_EQ(UZYV_ERR_NOT_OPEN, lastError());
  EXPECT_EQ(kUntouched, result);
}

TEST_F(PassFailTest, RecordLengthZeroComparesNothing) {
  openWithRecord(0);
  ASSERT_EQ(1, build(ramp(8, 0, 1)));
  int32_t result = 0;
  ASSERT_EQ(1, check(0, result));
  EXPECT_EQ(-1, result);
}
