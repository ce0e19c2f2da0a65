// Overshoot, preshoot, delay and phase.
#include "engine_fixture.h"

using namespace meastest;
using namespace uzyv;

TEST_F(EngineTest, OvershootAfterAStep) {
  struct Case {
    const char* what;
    Samples samples;
    int32_t type;
    bool valid;
    double percent;
  } cases[] = {
      {"a peak 10 % of the amplitude above the top", levels({{-1000, 40}, {1200, 1}, {1000, 40}}),
       UZYV_MEAS_POS_OVERSHOOT, true, 10},
      {"a peak one count above the top is no overshoot", levels({{-1000, 40}, {1001, 1}, {1000, 40}}),
       UZYV_MEAS_POS_OVERSHOOT, false, 0},
      {"a clean step", levels({{-1000, 40}, {1000, 40}}), UZYV_MEAS_POS_OVERSHOOT, false, 0},
      {"a dip 10 % below the base", levels({{1000, 40}, {-1200, 1}, {-1000, 40}}), UZYV_MEAS_NEG_OVERSHOOT, true,
       10},
      {"a clean falling step", levels({{1000, 40}, {-1000, 40}}), UZYV_MEAS_NEG_OVERSHOOT, false, 0},
      {"falling back through the mean after a peak ends the search",
       levels({{-1000, 40}, {900, 1}, {-1000, 1}, {1200, 1}, {1000, 40}}), UZYV_MEAS_POS_OVERSHOOT, false, 0},
  };
  for (const Case& c : cases) {
    ch0 = c.samples;
    ASSERT_TRUE(run({c.type})) << c.what;
    EXPECT_EQ(c.valid, valid(c.type)) << c.what;
    if (c.valid) EXPECT_DOUBLE_EQ(c.percent, result(c.type)) << c.what;
  }
}

TEST_F(EngineTest, PreshootBeforeTheLocatedEdge) {
  struct Case {
    const char* what;
    Samples samples;
    std::initializer_list<int32_t> types;
    int32_t type;
    bool valid;
  } cases[] = {
      {"a dip below the base before the rising edge",
       levels({{1000, 20}, {-1000, 18}, {-1200, 1}, {-1000, 1}, {1000, 20}}),
       {UZYV_MEAS_RISE_TIME, UZYV_MEAS_FALL_TIME, UZYV_MEAS_RISE_PRESHOOT}, UZYV_MEAS_RISE_PRESHOOT, true},
      {"a peak above the top before the falling edge",
       levels({{-1000, 20}, {1000, 18}, {1200, 1}, {1000, 1}, {-1000, 20}}),
       {UZYV_MEAS_RISE_TIME, UZYV_MEAS_FALL_TIME, UZYV_MEAS_FALL_PRESHOOT}, UZYV_MEAS_FALL_PRESHOOT, true},
      {"without the edge located the walk is empty",
       levels({{1000, 20}, {-1000, 18}, {-1200, 1}, {-1000, 1}, {1000, 20}}), {UZYV_MEAS_RISE_PRESHOOT},
       UZYV_MEAS_RISE_PRESHOOT, false},
  };
  for (const Case& c : cases) {
    ch0 = c.samples;
    ASSERT_TRUE(run(c.types)) << c.what;
    EXPECT_EQ(c.valid, valid(c.type)) << c.what;
    if (c.valid) EXPECT_DOUBLE_EQ(10, result(c.type)) << c.what;
  }
}

TEST_F(EngineTest, RiseDelayOfEdgesThreeAndAHalfSamplesApart) {
  // Mid crossings: channel 0 at 22.5 (one step), the reference at 19 (the
  // middle sample of its three-sample edge is exactly the 50 % level).
  ch0 = levels({{-1000, 23}, {1000, 37}});
  ch1 = levels({{-1000, 18}, {-600, 1}, {200, 1}, {1000, 40}});
  ASSERT_TRUE(run({UZYV_MEAS_RISE_DELAY}));
  EXPECT_DOUBLE_EQ(3.5, raw(UZYV_MEAS_RISE_DELAY));
  EXPECT_DOUBLE_EQ(3.5e-6, result(UZYV_MEAS_RISE_DELAY));
  // Both edges were located on the way: Rise Time is readable unrequested.
  EXPECT_TRUE(valid(UZYV_MEAS_RISE_TIME));
  EXPECT_TRUE(valid(UZYV_MEAS_RISE_TIME, 1));
  EXPECT_EQ(18, slot(UZYV_MEAS_RISE_TIME, 1).windowStart);
  EXPECT_EQ(20, slot(UZYV_MEAS_RISE_TIME, 1).windowEnd);
}

TEST_F(EngineTest, FallDelayMirrorsRiseDelay) {
  ch0 = levels({{1000, 23}, {-1000, 37}});
  ch1 = levels({{1000, 18}, {600, 1}, {-200, 1}, {-1000, 40}});
  ASSERT_TRUE(run({UZYV_MEAS_FALL_DELAY, UZYV_MEAS_RISE_DELAY}));
  EXPECT_DOUBLE_EQ(3.5, raw(UZYV_MEAS_FALL_DELAY));
  EXPECT_FALSE(valid(UZYV_MEAS_RISE_DELAY));
}

TEST_F(EngineTest, PhaseUsesTheDelayOfTheFirstEdge) {
  const std::initializer_list<int32_t> all = {UZYV_MEAS_PERIOD,     UZYV_MEAS_RISE_TIME,  UZYV_MEAS_FALL_TIME,
                                              UZYV_MEAS_RISE_DELAY, UZYV_MEAS_FALL_DELAY, UZYV_MEAS_PHASE};
  struct Case {
    const char* what;
    Samples signal, reference;
    double riseDelay, fallDelay;
  } cases[] = {
      // Channel 0 rises at 35 and falls at 85; the reference rises at 10 and
      // falls at 50: the rising edge comes first.
      {"rising edge first", square(400, 100, 50, 65), square(400, 100, 40, 90), 25, 35},
      // Channel 0 falls at 35 and rises at 85; the reference falls at 10 and
      // rises at 50.
      {"falling edge first", square(400, 100, 50, 15), square(400, 100, 60, 50), 35, 25},
  };
  for (const Case& c : cases) {
    ch0 = c.signal;
    ch1 = c.reference;
    ASSERT_TRUE(run(all)) << c.what;
    EXPECT_DOUBLE_EQ(100, raw(UZYV_MEAS_PERIOD)) << c.what;
    EXPECT_DOUBLE_EQ(c.riseDelay, raw(UZYV_MEAS_RISE_DELAY)) << c.what;
    EXPECT_DOUBLE_EQ(c.fallDelay, raw(UZYV_MEAS_FALL_DELAY)) << c.what;
    EXPECT_DOUBLE_EQ(-90, result(UZYV_MEAS_PHASE)) << c.what;  // a quarter period late
  }
}

TEST_F(EngineTest, PhaseChoosesFallDelayWhenFallTimeLocatedNoEdge) {
  // The reference is channel 0 one sample earlier: Rise Delay = Fall Delay =
  // 1 sample over a period of 6. Without a located falling edge the Fall
  // Time window still starts at the range start, before the rising edge, so
  // Fall Delay is the chosen delay; it is valid only when it was measured.
  ch0 = levels({{-1000, 3}, {1000, 3}, {-1000, 3}, {1000, 3}});
  ch1 = levels({{-1000, 2}, {1000, 3}, {-1000, 3}, {1000, 4}});
  struct Case {
    const char* what;
    std::initializer_list<int32_t> types;
    bool phaseValid;
  } cases[] = {
      {"fall time not requested", {UZYV_MEAS_PERIOD, UZYV_MEAS_RISE_DELAY, UZYV_MEAS_PHASE}, false},
      {"fall time not requested, fall delay measured",
       {UZYV_MEAS_PERIOD, UZYV_MEAS_RISE_DELAY, UZYV_MEAS_FALL_DELAY, UZYV_MEAS_PHASE}, true},
      {"fall time located after the rising edge",
       {UZYV_MEAS_PERIOD, UZYV_MEAS_FALL_TIME, UZYV_MEAS_RISE_DELAY, UZYV_MEAS_PHASE}, true},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(run(c.types)) << c.what;
    ASSERT_TRUE(valid(UZYV_MEAS_RISE_TIME)) << c.what;
    ASSERT_DOUBLE_EQ(6, raw(UZYV_MEAS_PERIOD)) << c.what;
    ASSERT_EQ(c.phaseValid, valid(UZYV_MEAS_PHASE)) << c.what;
    if (c.phaseValid) EXPECT_DOUBLE_EQ(-60, result(UZYV_MEAS_PHASE)) << c.what;
  }
}

TEST_F(EngineTest, PhaseWithoutItsDelayInThisRunIsNotValid) {
  ch0 = square(400, 100, 50, 65);
  ch1 = square(400, 100, 50, 90);
  ASSERT_TRUE(run({UZYV_MEAS_PERIOD, UZYV_MEAS_RISE_TIME, UZYV_MEAS_FALL_TIME, UZYV_MEAS_RISE_DELAY,
                   UZYV_MEAS_FALL_DELAY, UZYV_MEAS_PHASE}));
  EXPECT_DOUBLE_EQ(-90, result(UZYV_MEAS_PHASE));
  // Same signals, delays not requested: the delay slot still holds the last
  // run's value, which must not turn into a phase.
  ASSERT_TRUE(run({UZYV_MEAS_PERIOD, UZYV_MEAS_RISE_TIME, UZYV_MEAS_FALL_TIME, UZYV_MEAS_PHASE}));
  EXPECT_FALSE(valid(UZYV_MEAS_PHASE));
  ASSERT_TRUE(run({UZYV_MEAS_RISE_TIME, UZYV_MEAS_FALL_TIME, UZYV_MEAS_RISE_DELAY, UZYV_MEAS_PHASE}));
  EXPECT_FALSE(valid(UZYV_MEAS_PHASE));  // no period
}
