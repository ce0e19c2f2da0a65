// Timing routines: frequency and period, average frequency, duty cycles,
// rise and fall times and edge counts.
#include "engine_fixture.h"

using namespace meastest;
using namespace uzyv;

TEST_F(EngineTest, SquareWavePeriodFrequencyAndDuty) {
  ch0 = square(400, 100, 50, 0);
  ASSERT_TRUE(run({UZYV_MEAS_FREQUENCY, UZYV_MEAS_POS_DUTY, UZYV_MEAS_NEG_DUTY, UZYV_MEAS_POS_WIDTH,
                   UZYV_MEAS_NEG_WIDTH, UZYV_MEAS_AVG_FREQ}));
  EXPECT_EQ(100, raw(UZYV_MEAS_PERIOD));
  EXPECT_TRUE(valid(UZYV_MEAS_PERIOD));  // filled with Frequency
  EXPECT_DOUBLE_EQ(10000, result(UZYV_MEAS_FREQUENCY));
  EXPECT_DOUBLE_EQ(100e-6, result(UZYV_MEAS_PERIOD));
  EXPECT_DOUBLE_EQ(50, result(UZYV_MEAS_POS_DUTY));
  EXPECT_DOUBLE_EQ(50, result(UZYV_MEAS_NEG_DUTY));
  EXPECT_DOUBLE_EQ(50e-6, result(UZYV_MEAS_POS_WIDTH));
  EXPECT_DOUBLE_EQ(50e-6, result(UZYV_MEAS_NEG_WIDTH));
  EXPECT_DOUBLE_EQ(10000, result(UZYV_MEAS_AVG_FREQ));
}

TEST_F(EngineTest, DutyCyclesOfOneCycleAddUpToOneHundred) {
  ch0 = square(500, 125, 30, 7);
  ASSERT_TRUE(run({UZYV_MEAS_POS_DUTY, UZYV_MEAS_NEG_DUTY}));
  EXPECT_DOUBLE_EQ(24.0, raw(UZYV_MEAS_POS_DUTY));  // 30 of 125 samples
  EXPECT_DOUBLE_EQ(100.0, raw(UZYV_MEAS_POS_DUTY) + raw(UZYV_MEAS_NEG_DUTY));
}

TEST_F(EngineTest, PeriodInterpolatesTheLastStepToTheStartingValue) {
  // Crossings of the 30 % / 70 % band at 4 (value 500), 10 and 15. The last
  // step, 200 -> 800, passes 500 halfway: the period is 15 - 0.5 - 4.
  ch0 = levels({{-1000, 4}, {500, 1}, {1000, 5}, {-1000, 4}, {200, 1}, {800, 1}, {1000, 4}, {-1000, 4}});
  ASSERT_TRUE(run({UZYV_MEAS_PERIOD}));
  EXPECT_EQ(4, channel().rangeStart);
  EXPECT_EQ(15, channel().rangeEnd);
  EXPECT_DOUBLE_EQ(10.5, raw(UZYV_MEAS_PERIOD));
  EXPECT_DOUBLE_EQ(1e6 / 10.5, raw(UZYV_MEAS_FREQUENCY));
}

TEST_F(EngineTest, AverageFrequencyNeedsOnePeriodOfTransitions) {
  struct Case {
    const char* what;
    Samples samples;
    bool valid;
    double hertz;
  } cases[] = {
      {"two transitions leaving the initial state", levels({{1000, 10}, {-1000, 10}, {1000, 10}, {-1000, 10}}), true,
       1e6 / 20},
      {"one transition leaving the initial state", levels({{1000, 10}, {-1000, 10}, {1000, 10}}), false, 0},
  };
  for (const Case& c : cases) {
    ch0 = c.samples;
    ASSERT_TRUE(run({UZYV_MEAS_AVG_FREQ})) << c.what;
    EXPECT_EQ(c.valid, valid(UZYV_MEAS_AVG_FREQ)) << c.what;
    EXPECT_DOUBLE_EQ(c.hertz, raw(UZYV_MEAS_AVG_FREQ)) << c.what;
  }
}

TEST_F(EngineTest, RiseAndFallTimesOfSquareWaveSteps) {
  // A step from below 10 % to above 90 % between two samples: the time is the
  // fraction of the step below the 90 % level (-800 and 800 here).
  ch0 = square(400, 100, 50, 0);
  ASSERT_TRUE(run({UZYV_MEAS_RISE_TIME, UZYV_MEAS_FALL_TIME}));
  // t2 - t1 = 99.9 - 99 in doubles.
  EXPECT_NEAR(0.9, raw(UZYV_MEAS_RISE_TIME), 1e-12);
  EXPECT_EQ(99, slot(UZYV_MEAS_RISE_TIME).windowStart);
  EXPECT_EQ(100, slot(UZYV_MEAS_RISE_TIME).windowEnd);
  EXPECT_NEAR(0.9, raw(UZYV_MEAS_FALL_TIME), 1e-12);
  EXPECT_EQ(49, slot(UZYV_MEAS_FALL_TIME).windowStart);
  EXPECT_EQ(50, slot(UZYV_MEAS_FALL_TIME).windowEnd);
  EXPECT_NEAR(0.9e-6, result(UZYV_MEAS_RISE_TIME), 1e-18);
}

TEST_F(EngineTest, RiseTimeCases) {
  struct Case {
    const char* what;
    Samples samples;
    bool valid;
    double samplesTime;
    int32_t edgeStart, edgeEnd;
  } cases[] = {
      {"a step ending exactly on the 90 % level is a whole step", levels({{-1000, 30}, {800, 1}, {1000, 1}, {1000, 28}}),
       true, 1, 29, 30},
      {"a ramp from 10 % to 90 % in eight steps",
       levels({{-1000, 30}, {-800, 1}, {-600, 1}, {-400, 1}, {-200, 1}, {0, 1}, {200, 1}, {400, 1}, {600, 1},
               {800, 1}, {1000, 31}}),
       true, 8, 30, 38},
      {"a sample equal to the 10 % level starts the edge after a higher one",
       levels({{1000, 20}, {-800, 1}, {0, 1}, {1000, 20}, {-1000, 20}, {1000, 20}}), true, 1.8, 20, 22},
      {"the 90 % level is never reached after the 10 % level",
       levels({{1000, 30}, {-1000, 10}, {0, 1}, {-1000, 10}, {0, 1}, {-1000, 10}}), false, 0, -1, -1},
  };
  for (const Case& c : cases) {
    ch0 = c.samples;
    ASSERT_TRUE(run({UZYV_MEAS_RISE_TIME})) << c.what;
    ASSERT_EQ(c.valid, valid(UZYV_MEAS_RISE_TIME)) << c.what;
    if (!c.valid) continue;
    EXPECT_DOUBLE_EQ(c.samplesTime, raw(UZYV_MEAS_RISE_TIME)) << c.what;
    EXPECT_EQ(c.edgeStart, slot(UZYV_MEAS_RISE_TIME).windowStart) << c.what;
    EXPECT_EQ(c.edgeEnd, slot(UZYV_MEAS_RISE_TIME).windowEnd) << c.what;
  }
}

TEST_F(EngineTest, EdgeAtTheRangeStartUsesTheSampleBeforeItWhenThereIsOne) {
  // The edge starts at the range's first sample, which equals the 10 %
  // level. Before sample 0 there is no step, so t1 is the edge start; after
  // it, the step from the sample before the range is interpolated like any
  // other, and that sample (-800, the 10 % level itself) gives t1 = start - 1.
  const Samples body = levels({{-800, 1}, {0, 1}, {1000, 20}, {-1000, 20}, {1000, 20}});
  struct Case {
    int32_t start;
    double riseTime;  // t2 = start + 1.8 in every case
  } cases[] = {{0, 1.8}, {1, 2.8}, {5, 2.8}};
  for (const Case& c : cases) {
    ch0 = Samples(std::size_t(c.start), -800);
    ch0.insert(ch0.end(), body.begin(), body.end());
    ASSERT_TRUE(run({UZYV_MEAS_RISE_TIME}, c.start)) << c.start;
    EXPECT_EQ(c.start, slot(UZYV_MEAS_RISE_TIME).windowStart) << c.start;
    EXPECT_DOUBLE_EQ(c.riseTime, raw(UZYV_MEAS_RISE_TIME)) << c.start;
  }
}

TEST_F(EngineTest, OneCountAmplitudeEdgeAtTheRangeStart) {
  // Top and base one count apart make the 10 % and 90 % levels equal; the
  // first sample of the range both leaves and reaches them. At sample 0 the
  // edge is that sample alone; at a later start it is the step from the
  // sample before.
  struct Case {
    int32_t start, edgeStart, edgeEnd;
  } cases[] = {{0, 0, 0}, {1, 0, 1}};
  for (const Case& c : cases) {
    ch0 = levels({{0, 100}, {1, 50}, {5, 1}});
    ch1 = ch0;
    ASSERT_TRUE(run({UZYV_MEAS_RISE_TIME, UZYV_MEAS_RISE_DELAY}, c.start)) << c.start;
    EXPECT_EQ(1, channel().top - channel().base) << c.start;
    ASSERT_TRUE(valid(UZYV_MEAS_RISE_TIME)) << c.start;
    EXPECT_EQ(0, raw(UZYV_MEAS_RISE_TIME)) << c.start;
    EXPECT_EQ(c.edgeStart, slot(UZYV_MEAS_RISE_TIME).windowStart) << c.start;
    EXPECT_EQ(c.edgeEnd, slot(UZYV_MEAS_RISE_TIME).windowEnd) << c.start;
    ASSERT_TRUE(valid(UZYV_MEAS_RISE_DELAY)) << c.start;
    EXPECT_EQ(0, raw(UZYV_MEAS_RISE_DELAY)) << c.start;
  }
}

TEST_F(EngineTest, FallTimeMirrorsRiseTime) {
  ch0 = levels({{1000, 30}, {800, 1}, {600, 1}, {400, 1}, {200, 1}, {0, 1}, {-200, 1}, {-400, 1}, {-600, 1},
                {-800, 1}, {-1000, 31}});
  ASSERT_TRUE(run({UZYV_MEAS_FALL_TIME, UZYV_MEAS_RISE_TIME}));
  EXPECT_DOUBLE_EQ(8, raw(UZYV_MEAS_FALL_TIME));
  EXPECT_EQ(30, slot(UZYV_MEAS_FALL_TIME).windowStart);
  EXPECT_EQ(38, slot(UZYV_MEAS_FALL_TIME).windowEnd);
  EXPECT_FALSE(valid(UZYV_MEAS_RISE_TIME));
}

TEST_F(EngineTest, EdgeCountsOfASquareWave) {
  ch0 = square(400, 100, 50, 0);  // starts high: 4 falling, 3 rising edges
  ASSERT_TRUE(run({UZYV_MEAS_RISE_EDGE_COUNT}));
  EXPECT_EQ(3, result(UZYV_MEAS_RISE_EDGE_COUNT));
  EXPECT_EQ(4, result(UZYV_MEAS_FALL_EDGE_COUNT));
  EXPECT_EQ(7, result(UZYV_MEAS_EDGE_COUNT));
  EXPECT_EQ(0, slot(UZYV_MEAS_EDGE_COUNT).windowStart);
  EXPECT_EQ(400, slot(UZYV_MEAS_EDGE_COUNT).windowEnd);
}

TEST_F(EngineTest, EdgeCountsIgnoreExcursionsThatDoNotReachTheOtherLevel) {
  // 700 stays below the 90 % level and -700 above the 10 % level.
  ch0 = levels({{-1000, 10}, {700, 2}, {-1000, 10}, {1000, 10}, {-700, 2}, {1000, 10}, {-1000, 10}});
  ASSERT_TRUE(run({UZYV_MEAS_RISE_EDGE_COUNT}));
  EXPECT_EQ(1, raw(UZYV_MEAS_RISE_EDGE_COUNT));
  EXPECT_EQ(1, raw(UZYV_MEAS_FALL_EDGE_COUNT));
}
