// White-box checks of the mask arithmetic: tolerance conversion, the
// sliding-window limits against a scan of every window, and the comparison
// of a capture with its shifts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "passfail/mask.h"

using namespace uzyv;

namespace {

struct Args {
  int64_t rate = 1000000000;  // 1 ns per sample
  int64_t before = 0, after = 0;
  int32_t below = 0, above = 0;
  int32_t factor = 1;
  double divisor = 1.0;
  int32_t offset = 0;
};

Code convert(const Args& a, MaskTolerances& t) {
  return maskTolerances(a.rate, a.before, a.after, a.below, a.above, a.factor, a.divisor, a.offset, t);
}

// The limits as a scan of each window.
void scanLimits(const std::vector<int16_t>& ref, int64_t back, int64_t ahead, int32_t up, int32_t down,
                std::vector<int16_t>& upper, std::vector<int16_t>& lower) {
  const int64_t n = int64_t(ref.size());
  upper.assign(ref.size(), 0);
  lower.assign(ref.size(), 0);
  for (int64_t i = 0; i < n; ++i) {
    int32_t hi = -9999, lo = 9999;
    for (int64_t k = std::max<int64_t>(0, i - back); k <= std::min(i + ahead, n - 1); ++k) {
      hi = std::max<int32_t>(hi, ref[std::size_t(k)]);
      lo = std::min<int32_t>(lo, ref[std::size_t(k)]);
    }
    upper[std::size_t(i)] = int16_t(std::min(hi + up, 2047));
    lower[std::size_t(i)] = int16_t(std::max(lo - down, -2048));
  }
}

PassFailMask maskOf(std::vector<int16_t> upper, std::vector<int16_t> lower, int32_t refShift) {
  PassFailMask m;
  m.length = int32_t(upper.size());
  m.limits = upper;
  m.limits.insert(m.limits.end(), lower.begin(), lower.end());
  m.refShift = refShift;
  return m;
}

}  // namespace

TEST(MaskTolerances, AmplitudeInCodes) {
  // up = trunc(above / 1e6 * factor / divisor), likewise down; 0 .. 65535.
  const struct {
    int32_t above, factor;
    double divisor;
    Code code;
    int32_t up;
  } cases[] = {
      {20000000, 1, 1.0, kOk, 20},
      {2900000, 1, 1.0, kOk, 2},           // truncated toward zero
      {-900000, 1, 1.0, kOk, 0},           // -0.9 truncates to 0
      {-1000000, 1, 1.0, UZYV_ERR_MASK, 0},  // -1 code
      {1000000, 65535, 1.0, kOk, 65535},
      {1000000, 65536, 1.0, UZYV_ERR_MASK, 0},
      {65535, 1000000, 1.0, kOk, 65534},  // 65535 / 1e6 * 1e6 is just below 65535
      {1000000, 3, 0.5, kOk, 6},
      {1000000, 1, 0.0, UZYV_ERR_MASK, 0},  // zero divisor
      {0, 1, 0.0, UZYV_ERR_MASK, 0},
      {INT32_MAX, INT32_MAX, 1e-300, UZYV_ERR_MASK, 0},  // far beyond int32
      {INT32_MIN, INT32_MAX, 1e-300, UZYV_ERR_MASK, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.above);
    for (bool aboveSide : {true, false}) {
      Args a;
      (aboveSide ? a.above : a.below) = c.above;
      a.factor = c.factor;
      a.divisor = c.divisor;
      MaskTolerances t;
      t.up = t.down = -7;
      EXPECT_EQ(c.code, convert(a, t));
      if (c.code == kOk) EXPECT_EQ(c.up, aboveSide ? t.up : t.down);
      else EXPECT_EQ(-7, t.up);  // nothing is handed out on refusal
    }
  }
}

TEST(MaskTolerances, TimeInSamplesAndReferenceShift) {
  const struct {
    int64_t rate, before, after;
    int32_t offset;
    int64_t back, ahead;
    int32_t refShift;
  } cases[] = {
      {1000000000, 5000, 2500, 0, 5, 2, 0},          // 1 ns interval; 2.5 samples truncate to 2
      {1000000000, -5000, -1999, 3999, -5, -1, 3},   // negative tolerances; 3.999 samples truncate to 3
      {1000000000, 0, 0, -3999, 0, 0, -3},           // shift truncated toward zero
      {3, 1000000000000, 0, 0, 3, 0, 0},             // interval 333333333333 ps
      {1000000000000, 7, 7, INT32_MIN, 7, 7, INT32_MIN},  // interval 1 ps
      {1000000000000, INT64_MAX, INT64_MIN, 0, int64_t(1) << 62, -(int64_t(1) << 62), 0},  // held at 2^62
  };
  for (const auto& c : cases) {
    Args a;
    a.rate = c.rate;
    a.before = c.before;
    a.after = c.after;
    a.offset = c.offset;
    MaskTolerances t;
    ASSERT_EQ(kOk, convert(a, t)) << c.rate;
    EXPECT_EQ(c.back, t.back) << c.rate;
    EXPECT_EQ(c.ahead, t.ahead) << c.rate;
    EXPECT_EQ(c.refShift, t.refShift) << c.rate;
  }
}

TEST(MaskTolerances, UnusableRatesAreRefused) {
  for (int64_t rate : {int64_t(0), int64_t(-1), int64_t(-1000000), int64_t(1000000000001), INT64_MAX, INT64_MIN}) {
    Args a;
    a.rate = rate;
    MaskTolerances t;
    EXPECT_EQ(UZYV_ERR_MASK, convert(a, t)) << rate;
  }
  Args a;
  a.rate = 1;
  MaskTolerances t;
  EXPECT_EQ(kOk, convert(a, t));
}

// The queue-based limits equal a scan of every window, for windows that are
// empty, shifted, wider than the reference or cut at either end.
TEST(MaskLimits, EqualAScanOfEveryWindow) {
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> code(-2200, 2200);
  const struct {
    int64_t back, ahead;
  } windows[] = {{0, 0}, {1, 0}, {0, 1}, {3, 7}, {40, 2}, {-2, 5}, {5, -2}, {-3, -3}, {-4, 3},
                 {500, 500}, {int64_t(1) << 62, 0}, {0, int64_t(1) << 62}, {-(int64_t(1) << 62), int64_t(1) << 62}};
  for (int32_t count : {0, 1, 2, 17, 300}) {
    std::vector<int16_t> ref(static_cast<std::size_t>(count));
    for (auto& r : ref) r = int16_t(code(rng));
    if (count > 5) ref[4] = -12000;  // below the starting maximum of -9999
    for (const auto& w : windows) {
      for (int32_t up : {0, 15}) {
        MaskTolerances t;
        t.back = w.back;
        t.ahead = w.ahead;
        t.up = up;
        t.down = up * 2;
        std::vector<int16_t> upper(ref.size() + 1, 77), lower(ref.size() + 1, 77), wantUpper, wantLower;
        std::vector<int32_t> scratch(ref.size() * 2 + 1);
        buildMaskLimits(ref.data(), count, t, upper.data(), lower.data(), scratch.data());
        scanLimits(ref, w.back, w.ahead, t.up, t.down, wantUpper, wantLower);
        for (int32_t i = 0; i < count; ++i) {
          ASSERT_EQ(wantUpper[std::size_t(i)], upper[std::size_t(i)]) << count << " " << w.back << "," << w.ahead << " at " << i;
          ASSERT_EQ(wantLower[std::size_t(i)], lower[std::size_t(i)]) << count << " " << w.back << "," << w.ahead << " at " << i;
        }
        EXPECT_EQ(77, upper[ref.size()]);
        EXPECT_EQ(77, lower[ref.size()]);
      }
    }
  }
}

TEST(MaskLimits, ClampsAndEmptyWindows) {
  const std::vector<int16_t> ref{2040, -2040, 0};
  MaskTolerances t;
  t.up = 20;
  t.down = 20;
  std::vector<int16_t> upper(3), lower(3);
  std::vector<int32_t> scratch(6);
  buildMaskLimits(ref.data(), 3, t, upper.data(), lower.data(), scratch.data());
  EXPECT_EQ((std::vector<int16_t>{2047, -2020, 20}), upper);
  EXPECT_EQ((std::vector<int16_t>{2020, -2048, -20}), lower);
  t.back = -1;  // back + ahead < 0: every window is empty
  buildMaskLimits(ref.data(), 3, t, upper.data(), lower.data(), scratch.data());
  EXPECT_EQ((std::vector<int16_t>{-9979, -9979, -9979}), upper);
  EXPECT_EQ((std::vector<int16_t>{9979, 9979, 9979}), lower);
}

// Step j compares sample j + g with mask position j - refShift.
TEST(MaskComparison, ShiftsLimitsAndBounds) {
  // Mask positions 0..5: limits [10, 20] except position 3, [15, 15].
  const PassFailMask base = maskOf({20, 20, 20, 15, 20, 20}, {10, 10, 10, 15, 10, 10}, 0);
  const struct {
    const char* what;
    std::vector<int16_t> samples;
    int32_t refShift;
    int64_t g;
    int32_t result;
  } cases[] = {
      {"inside", {10, 20, 15, 15, 11, 19}, 0, 0, -1},
      {"equal to both limits passes", {10, 20, 10, 15, 20, 10}, 0, 0, -1},
      {"above upper", {15, 15, 21, 15, 15, 15}, 0, 0, 2},
      {"below lower", {15, 15, 15, 15, 15, 9}, 0, 0, 5},
      {"first failure only", {15, 30, 0, 15, 15, 15}, 0, 0, 1},
      // refShift 2: step j uses position j - 2; steps 0, 1 compare nothing;
      // sample 5 (16) meets position 3 ([15, 15]).
      {"refShift forward", {0, 0, 15, 15, 15, 16}, 2, 0, 5},
      // refShift -2: step j uses position j + 2; L = min(6, 6 - 2) = 4;
      // sample 1 meets position 3.
      {"refShift back", {15, 16, 15, 15, 99, 99}, -2, 0, 1},
      // g 2: step j reads sample j + 2; L = 4; step 3 reads sample 5 vs position 3.
      {"capture shift forward", {99, 99, 15, 15, 15, 16}, 0, 2, 3},
      // g -2: steps 0, 1 read nothing; step 5 reads sample 3 vs position 5.
      {"capture shift back", {15, 15, 15, 21, 99, 99}, 0, -2, 5},
      // refShift + g = 0: position k meets sample k; step = k + refShift.
      {"shifts cancel", {15, 15, 15, 16, 15, 15}, 1, -1, 4},
      {"refShift n", {0, 0, 0, 0, 0, 0}, 6, 0, -1},
      {"refShift -n", {0, 0, 0, 0, 0, 0}, -6, 0, -1},
      {"g n", {0, 0, 0, 0, 0, 0}, 0, 6, -1},
      {"extreme shifts", {0, 0, 0, 0, 0, 0}, INT32_MIN, -(int64_t(1) << 31), -1},
      {"extreme shifts 2", {0, 0, 0, 0, 0, 0}, INT32_MAX, int64_t(1) << 31, -1},
  };
  for (const auto& c : cases) {
    PassFailMask m = base;
    m.refShift = c.refShift;
    EXPECT_EQ(c.result, firstMaskFailure(c.samples.data(), int32_t(c.samples.size()), c.g, m)) << c.what;
  }
}

// A mask shorter than the record: positions from its length on are never
// compared (samples there would fail any mask).
TEST(MaskComparison, NeverReadsPastTheMask) {
  const PassFailMask m = maskOf({20, 20, 20}, {10, 10, 10}, 0);
  const std::vector<int16_t> samples{15, 15, 15, -500, -500, -500, -500, -500};
  EXPECT_EQ(-1, firstMaskFailure(samples.data(), 8, 0, m));
  PassFailMask shifted = m;
  shifted.refShift = -1;  // positions 1, 2 meet samples 0, 1
  EXPECT_EQ(-1, firstMaskFailure(samples.data(), 8, 0, shifted));
  const std::vector<int16_t> failing{15, 15, 9, -500};
  EXPECT_EQ(2, firstMaskFailure(failing.data(), 4, 0, m));
  const PassFailMask empty = maskOf({}, {}, 0);
  EXPECT_EQ(-1, firstMaskFailure(samples.data(), 8, 0, empty));
}
