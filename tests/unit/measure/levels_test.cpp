// Level stage: extremes, mean, flat signals, histogram top and base, the
// cycle search, and Vrms / Cycle Vrms.
#include <cmath>

#include "engine_fixture.h"

using namespace meastest;
using namespace uzyv;

TEST_F(EngineTest, FlatSignalsBelowFiveCountsOfSpan) {
  struct Case {
    Samples samples;
    bool flat;
    double high, low, mid;
  } cases[] = {
      {{10, 14, 12, 11}, true, 14, 10, 12},
      {{-4, -1, -2}, true, -1, -4, -2},  // mid truncates toward zero
      {{10, 15, 12, 11}, false, 15, 10, 12},
  };
  for (const Case& c : cases) {
    ch0 = c.samples;
    ASSERT_TRUE(run({UZYV_MEAS_RISE_TIME, UZYV_MEAS_RISE_EDGE_COUNT}));
    EXPECT_EQ(c.flat, channel().flat != 0);
    EXPECT_EQ(c.high, raw(UZYV_MEAS_HIGH));
    EXPECT_EQ(c.low, raw(UZYV_MEAS_LOW));
    EXPECT_EQ(c.mid, raw(UZYV_MEAS_MID));
    EXPECT_TRUE(valid(UZYV_MEAS_HIGH) && valid(UZYV_MEAS_LOW) && valid(UZYV_MEAS_MID));
    EXPECT_EQ(!c.flat, valid(UZYV_MEAS_VPP));
    EXPECT_EQ(!c.flat, valid(UZYV_MEAS_AMPLITUDE));
    if (c.flat) {
      EXPECT_FALSE(valid(UZYV_MEAS_RISE_TIME));
      EXPECT_FALSE(valid(UZYV_MEAS_RISE_EDGE_COUNT));
      EXPECT_FALSE(valid(UZYV_MEAS_CYCLE_MEAN));
    } else {
      EXPECT_EQ(5, raw(UZYV_MEAS_VPP));
    }
  }
}

TEST_F(EngineTest, ExtremesStartAtMinus32767AndTheMeanTruncatesTowardZero) {
  ch0 = Samples(8, -32768);
  ASSERT_TRUE(run({}));
  EXPECT_EQ(-32767, raw(UZYV_MEAS_MAX));
  EXPECT_EQ(-32768, raw(UZYV_MEAS_MIN));
  ch0 = {0, 0, -1};
  ASSERT_TRUE(run({}));
  EXPECT_EQ(0, raw(UZYV_MEAS_MEAN));
}

TEST_F(EngineTest, SquareWaveLevelsAndCycle) {
  ch0 = square(400, 100, 50, 0);  // high first; transitions at 50, 100, 150, ...
  ASSERT_TRUE(run({}));
  EXPECT_EQ(1000, raw(UZYV_MEAS_HIGH));
  EXPECT_EQ(-1000, raw(UZYV_MEAS_LOW));
  EXPECT_EQ(2000, raw(UZYV_MEAS_AMPLITUDE));
  EXPECT_EQ(2000, raw(UZYV_MEAS_VPP));
  EXPECT_EQ(0, raw(UZYV_MEAS_MID));
  EXPECT_EQ(1, channel().cycleFound);
  EXPECT_EQ(50, channel().rangeStart);
  EXPECT_EQ(150, channel().rangeEnd);
  EXPECT_TRUE(valid(UZYV_MEAS_CYCLE_MEAN));
  EXPECT_DOUBLE_EQ(1.0, result(UZYV_MEAS_HIGH));
  EXPECT_DOUBLE_EQ(0.0, result(UZYV_MEAS_CYCLE_MEAN));
}

TEST_F(EngineTest, HistogramLayoutsAndTheirLimits) {
  struct Case {
    int minimum, maximum;
    bool accepted;
  } cases[] = {
      {-2049, 2047, false},   // 4096 bins, minimum below them
      {-2048, 2047, true},    // 4096 bins, both ends used
      {-32768, 2048, true},   // 65,536 bins take any minimum
      {-30000, 32767, true},
  };
  for (const Case& c : cases) {
    ch0 = levels({{c.minimum, 50}, {c.maximum, 50}});
    EXPECT_EQ(c.accepted, run({})) << c.minimum << " " << c.maximum;
    if (!c.accepted) continue;
    EXPECT_EQ(c.maximum, raw(UZYV_MEAS_HIGH));
    EXPECT_EQ(c.minimum, raw(UZYV_MEAS_LOW));
    EXPECT_EQ(c.maximum - c.minimum, raw(UZYV_MEAS_AMPLITUDE));
  }
}

TEST_F(EngineTest, HistogramPicksTheDominantLevelOnEachSideOfTheMean) {
  // 200 samples: the 5 % threshold is 10 samples.
  struct Case {
    const char* what;
    Samples samples;
    int32_t base, top;
  } cases[] = {
      {"weak winner among six occupied bins gives way to the first local peak",
       levels({{-100, 3}, {-99, 2}, {-98, 1}, {-97, 4}, {-96, 1}, {-95, 1}, {1000, 188}}), -100, 1000},
      {"with only five occupied bins the weak winner stays",
       levels({{-100, 3}, {-99, 2}, {-98, 1}, {-97, 4}, {-96, 1}, {1000, 189}}), -97, 1000},
      {"same from the top down",
       levels({{100, 3}, {99, 2}, {98, 1}, {97, 4}, {96, 1}, {95, 1}, {-1000, 188}}), -1000, 100},
      {"the highest bin has no previous difference, so it is never the local peak",
       levels({{2047, 3}, {2046, 2}, {2045, 1}, {2044, 4}, {2043, 1}, {2042, 1}, {-1000, 188}}), -1000, 2046},
      {"a strong level is frozen by six further bins without a new maximum",
       levels({{-100, 30}, {-99, 1}, {-98, 1}, {-97, 1}, {-96, 1}, {-95, 1}, {-94, 1}, {-50, 40}, {1000, 124}}),
       -100, 1000},
      {"five further bins do not freeze it",
       levels({{-100, 30}, {-99, 1}, {-98, 1}, {-97, 1}, {-96, 1}, {-95, 1}, {-50, 40}, {1000, 125}}), -50, 1000},
  };
  for (const Case& c : cases) {
    ch0 = c.samples;
    ASSERT_EQ(200u, ch0.size()) << c.what;
    ASSERT_TRUE(run({})) << c.what;
    EXPECT_EQ(c.base, raw(UZYV_MEAS_LOW)) << c.what;
    EXPECT_EQ(c.top, raw(UZYV_MEAS_HIGH)) << c.what;
    EXPECT_EQ(c.base, channel().base) << c.what;
    EXPECT_EQ(c.top, channel().top) << c.what;
  }
}

TEST_F(EngineTest, CompletePulsesSetThePulseFlagsWithoutACycle) {
  struct Case {
    const char* what;
    Samples samples;
    int cycle, positive, negative;
  } cases[] = {
      {"positive pulse", levels({{-1000, 10}, {1000, 10}, {-1000, 10}}), 0, 1, 0},
      {"negative pulse", levels({{1000, 10}, {-1000, 10}, {1000, 10}}), 0, 0, 1},
      {"single edge", levels({{-1000, 10}, {1000, 10}}), 0, 0, 0},
      {"full cycle", levels({{-1000, 10}, {1000, 10}, {-1000, 10}, {1000, 10}}), 1, 1, 1},
  };
  for (const Case& c : cases) {
    ch0 = c.samples;
    ASSERT_TRUE(run({UZYV_MEAS_POS_WIDTH, UZYV_MEAS_NEG_WIDTH, UZYV_MEAS_POS_DUTY})) << c.what;
    EXPECT_EQ(c.cycle, channel().cycleFound) << c.what;
    EXPECT_EQ(c.positive, channel().positivePulse) << c.what;
    EXPECT_EQ(c.negative, channel().negativePulse) << c.what;
    EXPECT_EQ(c.cycle != 0, valid(UZYV_MEAS_CYCLE_MEAN)) << c.what;
    EXPECT_EQ(c.cycle != 0, valid(UZYV_MEAS_POS_DUTY)) << c.what;
    EXPECT_EQ(c.positive != 0, valid(UZYV_MEAS_POS_WIDTH)) << c.what;
    EXPECT_EQ(c.negative != 0, valid(UZYV_MEAS_NEG_WIDTH)) << c.what;
  }
  ch0 = levels({{-1000, 10}, {1000, 10}, {-1000, 10}});
  ASSERT_TRUE(run({UZYV_MEAS_POS_WIDTH}));
  EXPECT_DOUBLE_EQ(10e-6, result(UZYV_MEAS_POS_WIDTH));
}

TEST_F(EngineTest, VrmsOverTheRangeAndCycleVrmsOverTheCycle) {
  ch0 = square(400, 100, 50, 0);
  ch0.resize(500, 0);  // a quiet tail that only the whole range sees
  ASSERT_TRUE(run({UZYV_MEAS_VRMS, UZYV_MEAS_CYCLE_VRMS}));
  EXPECT_DOUBLE_EQ(1.0, result(UZYV_MEAS_CYCLE_VRMS));
  EXPECT_DOUBLE_EQ(0.894427, result(UZYV_MEAS_VRMS));  // sqrt(0.8) V in whole microvolts
}

TEST_F(EngineTest, CycleVrmsWithoutACycleCopiesVrmsOfTheSameRun) {
  ch0 = levels({{-1000, 10}, {1000, 10}, {-1000, 10}});
  ASSERT_TRUE(run({UZYV_MEAS_VRMS, UZYV_MEAS_CYCLE_VRMS}));
  EXPECT_DOUBLE_EQ(1.0, result(UZYV_MEAS_VRMS));
  EXPECT_DOUBLE_EQ(1.0, result(UZYV_MEAS_CYCLE_VRMS));
  ASSERT_TRUE(run({UZYV_MEAS_CYCLE_VRMS}));
  EXPECT_FALSE(valid(UZYV_MEAS_CYCLE_VRMS));
}

TEST_F(EngineTest, VrmsWithoutAGainHasNoValue) {
  in.channel[0].gain = 0;
  ch0 = square(400, 100, 50, 0);
  ASSERT_TRUE(run({UZYV_MEAS_VRMS}));
  EXPECT_FALSE(valid(UZYV_MEAS_VRMS));
  EXPECT_TRUE(valid(UZYV_MEAS_MAX));
}

TEST_F(EngineTest, VrmsOfZeroVoltsIsPositiveZero) {
  // The result is truncated to an integer number of microvolts, and an
  // integer has no negative zero; a negative result keeps its sign.
  ch0 = levels({{0, 1}, {10, 1}, {0, 1}, {10, 1}, {0, 1}, {10, 1}});
  struct Case {
    double gain;
    int32_t multiplier;
    bool negative;
  } cases[] = {{-1.0, 0, false}, {1.0, 0, false}, {-1.0, 1, true}};
  for (const Case& c : cases) {
    in.channel[0].gain = c.gain;
    in.channel[0].multiplier = c.multiplier;
    ASSERT_TRUE(run({UZYV_MEAS_VRMS, UZYV_MEAS_CYCLE_VRMS})) << c.gain << " " << c.multiplier;
    for (int32_t type : {UZYV_MEAS_VRMS, UZYV_MEAS_CYCLE_VRMS}) {
      ASSERT_TRUE(valid(type)) << type;
      EXPECT_EQ(c.negative, std::signbit(raw(type))) << type << " " << c.gain << " " << c.multiplier;
      EXPECT_EQ(c.negative, std::signbit(result(type))) << type << " " << c.gain << " " << c.multiplier;
    }
  }
}
