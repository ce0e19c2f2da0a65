// The engine's records, requests, ranges, run and conversion.
#include <cmath>

#include "engine_fixture.h"

using namespace meastest;
using namespace uzyv;

TEST(MeasEngineRecords, AllocateRefusesMoreThanTwelveChannelsAndKeepsTheOldOnes) {
  AqMeasurement engine;
  EXPECT_FALSE(engine.ClearRequests());
  EXPECT_FALSE(engine.RequestType(0));
  double v;
  EXPECT_FALSE(engine.GetResult(2, &v));

  ASSERT_TRUE(engine.Allocate(2));
  const MeasChannel* before = engine.channels.get();
  EXPECT_FALSE(engine.Allocate(13));
  EXPECT_FALSE(engine.Allocate(-1));
  EXPECT_EQ(before, engine.channels.get());
  EXPECT_EQ(2, engine.channelCount);
  EXPECT_TRUE(engine.Allocate(12));
  EXPECT_EQ(12, engine.channelCount);
}

TEST(MeasEngineRecords, FreshChannelHasTheDocumentedState) {
  // The units come from the dispatch tables, which the library fills when it
  // loads; a test program run for this test alone has not loaded it.
  fillDispatchTables();
  const MeasChannel ch;
  EXPECT_EQ(0.1, ch.lowReference);
  EXPECT_EQ(0.9, ch.highReference);
  EXPECT_EQ(-1, ch.reference);
  const MeasUnit expected[kMeasSlots] = {
      kUnitFrequency, kUnitTime,    kUnitVoltage, kUnitVoltage, kUnitVoltage, kUnitVoltage, kUnitVoltage,
      kUnitVoltage,   kUnitVoltage, kUnitVoltage, kUnitPercent, kUnitPercent, kUnitTime,    kUnitTime,
      kUnitTime,      kUnitTime,    kUnitPercent, kUnitPercent, kUnitVoltage, kUnitVoltage, kUnitVoltage,
      kUnitTime,      kUnitTime,    kUnitPercent, kUnitPercent, kUnitDegrees, kUnitFrequency, kUnitCount,
      kUnitCount,     kUnitCount,   kUnitTime};
  for (int k = 0; k < kMeasSlots; ++k) {
    EXPECT_EQ(expected[k], ch.slots[k].unit) << k;
    EXPECT_EQ(-1, ch.slots[k].windowStart) << k;
    EXPECT_EQ(-1, ch.slots[k].windowEnd) << k;
  }
}

TEST_F(EngineTest, TypeIdentifiersAcceptTheIndexOrTheNameIdentifier) {
  struct Case {
    int32_t type;
    bool accepted;
  } cases[] = {{0, true},     {30, true},     {2500, true},  {2530, true}, {31, false},
               {2531, false}, {-1, false},    {-2, false},   {2499, false}, {-2147483647 - 1, false}};
  for (const Case& c : cases) {
    engine->ClearRequests();
    EXPECT_EQ(c.accepted, engine->RequestType(c.type)) << c.type;
    if (c.accepted) EXPECT_EQ(kSlotRequested, slot(c.type >= 2500 ? c.type - 2500 : c.type).flags) << c.type;
  }
  // Results are read under either identifier.
  ch0 = square(400, 100, 50, 0);
  ASSERT_TRUE(run({2502}));
  EXPECT_EQ(result(2), result(2502));
  double v;
  EXPECT_FALSE(engine->GetResult(2531, &v));
  EXPECT_FALSE(engine->GetResult(2, nullptr));
}

TEST_F(EngineTest, SetRangeRefusesNegativeStartsAndEndsBeforeTheStartWithoutTouchingTheLastRun) {
  ch0 = square(400, 100, 50, 0);
  ASSERT_TRUE(run({}));
  ASSERT_TRUE(valid(UZYV_MEAS_MAX));
  EXPECT_FALSE(engine->SetRange(-1, -1, 10));
  EXPECT_FALSE(engine->SetRange(-1, 20, 10));
  EXPECT_FALSE(engine->SetRange(2, 0, 10));
  EXPECT_FALSE(engine->SetRange(-2, 0, 10));
  EXPECT_TRUE(valid(UZYV_MEAS_MAX));
  EXPECT_EQ(0, channel().spanStart);
  EXPECT_EQ(400, channel().spanEnd);

  ASSERT_TRUE(engine->SetRange(1, 5, 9));
  EXPECT_EQ(5, channel(1).slots[UZYV_MEAS_RISE_TIME].windowStart);
  EXPECT_EQ(9, channel(1).slots[UZYV_MEAS_RISE_TIME].windowEnd);
  EXPECT_TRUE(valid(UZYV_MEAS_MAX));  // channel 0 untouched
  ASSERT_TRUE(engine->SetRange(-1, 7, 7));
  EXPECT_FALSE(valid(UZYV_MEAS_MAX));
}

TEST_F(EngineTest, EmptyRangeFailsTheRunBeforeAnyResult) {
  ch0 = square(400, 100, 50, 0);
  EXPECT_FALSE(run({UZYV_MEAS_FREQUENCY}, 10, 10));
  for (int k = 0; k < kMeasSlots; ++k) EXPECT_FALSE(valid(k)) << k;
  EXPECT_FALSE(engine->Run(nullptr));
}

TEST_F(EngineTest, LevelResultsAreValidWithoutARequest) {
  ch0 = square(400, 100, 50, 0);
  ASSERT_TRUE(run({}));
  for (int32_t k : {UZYV_MEAS_MAX, UZYV_MEAS_MIN, UZYV_MEAS_MEAN, UZYV_MEAS_HIGH, UZYV_MEAS_LOW, UZYV_MEAS_MID,
                    UZYV_MEAS_VPP, UZYV_MEAS_AMPLITUDE, UZYV_MEAS_CYCLE_MEAN})
    EXPECT_TRUE(valid(k)) << k;
  EXPECT_FALSE(valid(UZYV_MEAS_FREQUENCY));
  EXPECT_FALSE(valid(UZYV_MEAS_VRMS));
}

TEST_F(EngineTest, SideResultsAndTheReservedType) {
  ch0 = square(400, 100, 50, 0);
  ASSERT_TRUE(run({UZYV_MEAS_FALL_EDGE_COUNT, UZYV_MEAS_EDGE_COUNT, UZYV_MEAS_RESERVED}));
  EXPECT_FALSE(valid(UZYV_MEAS_FALL_EDGE_COUNT));
  EXPECT_FALSE(valid(UZYV_MEAS_EDGE_COUNT));
  EXPECT_FALSE(valid(UZYV_MEAS_RESERVED));
  ASSERT_TRUE(run({UZYV_MEAS_RISE_EDGE_COUNT}));
  EXPECT_TRUE(valid(UZYV_MEAS_FALL_EDGE_COUNT));
  EXPECT_TRUE(valid(UZYV_MEAS_EDGE_COUNT));
}

TEST_F(EngineTest, AbortByteStopsTheRunWithEveryResultCleared) {
  ch0 = square(400, 100, 50, 0);
  ASSERT_TRUE(run({UZYV_MEAS_FREQUENCY}));
  uint8_t abort = 1;
  engine->abortFlag = &abort;
  EXPECT_FALSE(run({UZYV_MEAS_FREQUENCY}));
  for (int k = 0; k < kMeasSlots; ++k) EXPECT_FALSE(valid(k)) << k;
  abort = 0;
  EXPECT_TRUE(run({UZYV_MEAS_FREQUENCY}));
  EXPECT_TRUE(valid(UZYV_MEAS_FREQUENCY));
}

TEST_F(EngineTest, AbsentReferenceDisablesOnlyDelaysAndPhase) {
  ch0 = square(400, 100, 50, 65);
  ch1 = square(400, 100, 50, 90);
  const std::initializer_list<int32_t> all = {0, 1, 8, 10, 14, 15, 16, 21, 22, 25, 26, 27};
  ASSERT_TRUE(run(all));
  for (int32_t k : {21, 22, 25}) EXPECT_TRUE(valid(k)) << k;
  double with[kMeasSlots];
  for (int k = 0; k < kMeasSlots; ++k) with[k] = raw(k);

  ch1.clear();
  ASSERT_TRUE(run(all));
  for (int32_t k : {21, 22, 25}) EXPECT_FALSE(valid(k)) << k;
  for (int32_t k : {0, 1, 2, 3, 4, 5, 8, 10, 14, 15, 26, 27}) {
    EXPECT_TRUE(valid(k)) << k;
    EXPECT_EQ(with[k], raw(k)) << k;
  }
}

TEST_F(EngineTest, ConversionAppliesCalibrationOffsetAndMultiplier) {
  // Multiplier 20; one count is 0.25 mV; 3 mV base offset; 2 mV offset
  // subtracted; zero level 5.5 counts.
  in.channel[0] = MeasInputChannel{nullptr, 5.5, 0.25, 3, 0.002, 20, 0};
  in.sampleRate = 2000000;
  ch0 = square(400, 100, 50, 0);
  ASSERT_TRUE(run({UZYV_MEAS_PERIOD, UZYV_MEAS_VRMS, UZYV_MEAS_POS_DUTY}));
  // (20 / 1000) x ((1000 - 5.5) x 0.25 + 3 - 2) V
  EXPECT_DOUBLE_EQ(4.9925, result(UZYV_MEAS_MAX));
  EXPECT_DOUBLE_EQ(0.02 * ((-1000 - 5.5) * 0.25 + 1), result(UZYV_MEAS_MIN));
  // Differences carry no offset: 2 x 2000 counts x 0.25 mV.
  EXPECT_DOUBLE_EQ(10.0, result(UZYV_MEAS_VPP));
  EXPECT_DOUBLE_EQ(10.0, result(UZYV_MEAS_AMPLITUDE));
  // Zero count (2 - 3) / 0.25 + 5.5 = 1.5; rms of +-1000 about it is
  // sqrt(1000002.25); whole microvolts.
  EXPECT_DOUBLE_EQ(5.000005, result(UZYV_MEAS_VRMS));
  EXPECT_DOUBLE_EQ(100.0 / 2e6, result(UZYV_MEAS_PERIOD));
  EXPECT_DOUBLE_EQ(50.0, result(UZYV_MEAS_POS_DUTY));
}

TEST_F(EngineTest, SampleRateZeroGivesNonFiniteTimesAndZeroFrequency) {
  in.sampleRate = 0;
  ch0 = square(400, 100, 50, 0);
  ASSERT_TRUE(run({UZYV_MEAS_FREQUENCY, UZYV_MEAS_RISE_TIME, UZYV_MEAS_AVG_FREQ}));
  EXPECT_EQ(0.0, result(UZYV_MEAS_FREQUENCY));
  EXPECT_EQ(0.0, result(UZYV_MEAS_AVG_FREQ));
  EXPECT_TRUE(std::isinf(result(UZYV_MEAS_PERIOD)));
  EXPECT_TRUE(std::isinf(result(UZYV_MEAS_RISE_TIME)));
}

TEST_F(EngineTest, FailedRunReportsItsPartialResultsWithTheirOwnValues) {
  ch0 = levels({{100, 50}, {200, 50}});
  ASSERT_TRUE(run({}));
  EXPECT_DOUBLE_EQ(0.2, result(UZYV_MEAS_MAX));
  // The reference channel falls below the 4096-bin histogram: the run fails
  // in its first pass, after channel 0's levels were measured.
  ch0 = levels({{300, 50}, {400, 50}});
  ch1 = levels({{-2049, 50}, {0, 50}});
  EXPECT_FALSE(run({}));
  EXPECT_DOUBLE_EQ(0.4, result(UZYV_MEAS_MAX));
}

TEST_F(EngineTest, RoutinesRefuseChannelsWithoutSamples) {
  ch0 = square(400, 100, 50, 0);
  ASSERT_TRUE(run({}));
  MeasChannel* ch = &channel();
  for (int k = 0; k < kMeasSlots; ++k)
    if (MeasRoutine r = g_measRoutines[k]) EXPECT_FALSE((engine.get()->*r)(ch, nullptr, k)) << k;
  EXPECT_FALSE(engine->MeasureLevels(ch, nullptr));
  EXPECT_FALSE(engine->MeasureTopBase(ch, nullptr));
  EXPECT_FALSE(engine->FindCycle(ch, nullptr));
  EXPECT_EQ(nullptr, g_measRoutines[kMeasSlots]);
}
