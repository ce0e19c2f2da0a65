// The simulated instrument's model: shapes, the vertical path and its
// calibration, trigger events, record placement and the configuration file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "instrument/config.h"
#include "instrument/instrument.h"

namespace zyvsim::instrument {
namespace {

// The library's conversion of a read count into millivolts.
double libraryMillivolts(int16_t count, const Calibration& c, int32_t applicationOffset) {
  return ((double(count) - c.zeroLevel) * c.gain + c.baseOffset) + applicationOffset / 1000.0;
}

struct VerticalCase {
  int32_t voltDiv, position, applicationOffset, bits;
  double volts;
};

TEST(InstrumentVertical, CountsReadBackAsTheInputWithinHalfACode) {
  const VerticalCase cases[] = {
      {2000000, 8000, 0, 8, 1.5},      {2000000, 8000, 0, 8, -1.5},    {1000000, 12000, 0, 8, 0.7},
      {100000, 4000, 250000, 8, 0.31}, {5000, 8000, -10000, 12, -0.0123}, {10000000, 16000, 0, 12, -33.0},
      {2000, 0, 0, 12, 0.004},         {500000, 8003, 0, 8, 0.0},
  };
  for (const VerticalCase& c : cases) {
    ChannelSetup s;
    s.voltDiv = c.voltDiv;
    s.position = c.position;
    s.offset = -c.applicationOffset;  // the library sends the offset negated
    const Converter conv{c.bits};
    const int16_t count = conv.count(conv.code(divisionsOf(s, frontEndVolts(s, c.volts, 0.0))));
    const double mv = libraryMillivolts(count, calibrationOf(s), c.applicationOffset);
    const double codeStep = c.voltDiv / 1000.0 / conv.codesPerDivision();
    EXPECT_NEAR(c.volts * 1000.0, mv, 0.5 * codeStep + 1e-9)
        << c.voltDiv << " uV/div, position " << c.position << ", " << c.bits << " bits";
  }
}

TEST(InstrumentVertical, CodesSaturateAtTheConverterEnds) {
  for (int32_t bits : {8, 12}) {
    const Converter conv{bits};
    EXPECT_EQ(conv.maxCode(), conv.code(5.2));
    EXPECT_EQ(conv.maxCode(), conv.code(1e9));
    EXPECT_EQ(0, conv.code(-5.2));
    EXPECT_EQ(0, conv.code(std::nan("")));
    EXPECT_EQ(conv.middle(), conv.code(0.0));
    // The counts of both resolutions share one scale within -2048..2047.
    EXPECT_EQ(-2048, conv.count(0));
    EXPECT_EQ(400, conv.count(conv.code(1.0)));
  }
  EXPECT_EQ(2032, Converter{8}.count(255));
  EXPECT_EQ(2047, Converter{12}.count(4095));
}

TEST(InstrumentVertical, CouplingAndOffset) {
  ChannelSetup s;
  s.offset = 200000;
  EXPECT_DOUBLE_EQ(1.2, frontEndVolts(s, 1.0, 0.4));
  s.coupling = kCouplingAc;
  EXPECT_DOUBLE_EQ(0.8, frontEndVolts(s, 1.0, 0.4)) << "AC removes the signal's mean";
  s.coupling = kCouplingGround;
  EXPECT_DOUBLE_EQ(0.2, frontEndVolts(s, 1.0, 0.4));
}

struct ShapeCase {
  Shape shape;
  double phase;  // of a period
  double expected;
};

TEST(InstrumentSignal, ShapesAtKnownPhases) {
  // 1 Hz, 2 Vpp around 1 V, delayed by 0.1 s.
  const ShapeCase cases[] = {
      {Shape::Sine, 0.0, 1.0},      {Shape::Sine, 0.25, 2.0},    {Shape::Sine, 0.75, 0.0},
      {Shape::Square, 0.1, 2.0},    {Shape::Square, 0.6, 0.0},   {Shape::Square, 0.0, 2.0},
      {Shape::Triangle, 0.0, 1.0},  {Shape::Triangle, 0.25, 2.0}, {Shape::Triangle, 0.5, 1.0},
      {Shape::Triangle, 0.75, 0.0}, {Shape::Pulse, 0.2, 2.0},    {Shape::Pulse, 0.3, 0.0},
      {Shape::Dc, 0.3, 1.0},
  };
  for (const ShapeCase& c : cases) {
    Signal s;
    s.shape = c.shape;
    s.frequency = 1.0;
    s.amplitude = 2.0;
    s.dcLevel = 1.0;
    s.delay = 0.1;
    s.duty = 0.25;
    EXPECT_NEAR(c.expected, valueAt(s, 0.1 + c.phase + 7.0), 1e-9) << shapeName(c.shape) << " at " << c.phase;
  }
}

TEST(InstrumentSignal, PulseMeanFollowsTheDutyCycle) {
  Signal s;
  s.shape = Shape::Pulse;
  s.frequency = 1000.0;
  s.amplitude = 4.0;
  s.duty = 0.25;
  EXPECT_DOUBLE_EQ(-1.0, meanOf(s));
  double sum = 0.0;
  for (int i = 0; i < 4000; ++i) sum += valueAt(s, (i + 0.5) / 4e6);
  EXPECT_NEAR(-1.0, sum / 4000.0, 1e-9);
}

// Time from the 10 % to the 90 % level of the first rising edge, sampled finely.
double measuredRise(const Signal& s, double& peak) {
  const double lo = s.dcLevel - 0.5 * s.amplitude, a = s.amplitude;
  double t10 = 0, t90 = 0;
  bool seen10 = false, seen90 = false;
  peak = -1e9;
  const double step = 1e-9;
  for (double t = -0.1 / s.frequency; t < 0.45 / s.frequency; t += step) {
    const double v = valueAt(s, t);
    peak = std::max(peak, v);
    if (!seen10 && v >= lo + 0.1 * a) seen10 = true, t10 = t;
    if (!seen90 && v >= lo + 0.9 * a) seen90 = true, t90 = t;
  }
  return t90 - t10;
}

TEST(InstrumentSignal, EdgesHaveTheirRiseTimeAndStepsTheirOvershoot) {
  Signal s;
  s.shape = Shape::Square;
  s.frequency = 1000.0;
  s.amplitude = 1.0;
  s.riseTime = 2e-6;
  double peak = 0;
  EXPECT_NEAR(2e-6, measuredRise(s, peak), 2e-9);
  EXPECT_NEAR(0.5, peak, 1e-12) << "a square wave does not ring";

  s.shape = Shape::Step;
  s.overshoot = 0.15;
  measuredRise(s, peak);
  EXPECT_NEAR(0.5 + 0.15, peak, 1e-3) << "the first peak is the configured overshoot";
  double lo = 0, hi = 0;
  extremesOf(s, lo, hi);
  EXPECT_GE(hi, peak);
  EXPECT_NEAR(0.5, valueAt(s, 0.25e-3), 1e-9) << "settled well before the falling edge";
}

TEST(InstrumentSignal, NoiseIsTheSameForTheSameSeed) {
  Random a(42), b(42), c(43);
  double sum = 0, squares = 0;
  for (int i = 0; i < 20000; ++i) {
    const double x = a.normal();
    EXPECT_EQ(x, b.normal());
    sum += x;
    squares += x * x;
  }
  EXPECT_NE(Random(42).next(), c.next());
  EXPECT_NEAR(0.0, sum / 20000, 0.03);
  EXPECT_NEAR(1.0, std::sqrt(squares / 20000), 0.03);
}

TEST(InstrumentTrigger, EventsLieOnTheLevelWithTheirSlope) {
  Input in;
  in.signal.shape = Shape::Sine;
  in.signal.frequency = 1000.0;
  in.signal.amplitude = 2.0;
  struct Case {
    int32_t slope, levelUv;
    bool fires;
  } cases[] = {{kSlopeRising, 500000, true}, {kSlopeFalling, 500000, true}, {kSlopeEither, -900000, true},
               {kSlopeRising, 999000, true}, {kSlopeRising, 1000001, false}, {kSlopeFalling, -1200000, false}};
  for (const Case& c : cases) {
    Trigger t;
    t.slope = c.slope;
    t.level = c.levelUv;
    double event = 0;
    const double from = 0.1234567;
    ASSERT_EQ(c.fires, findTriggerEvent(in, t, 0, from, 1.0, event)) << c.slope << " " << c.levelUv;
    if (!c.fires) continue;
    EXPECT_GE(event, from);
    EXPECT_LT(event, from + 1e-3 + 1e-6) << "the first crossing comes within a period";
    EXPECT_NEAR(c.levelUv * 1e-6, valueAt(in.signal, event), 1e-6);
    const double slope = valueAt(in.signal, event + 1e-7) - valueAt(in.signal, event - 1e-7);
    if (c.slope == kSlopeRising) EXPECT_GT(slope, 0);
    if (c.slope == kSlopeFalling) EXPECT_LT(slope, 0);
  }
  // The offset the library subtracted is part of the comparator's input.
  in.setup.offset = -400000;
  Trigger t;
  t.level = 100000;
  double event = 0;
  ASSERT_TRUE(findTriggerEvent(in, t, 0, 0.0, 1.0, event));
  EXPECT_NEAR(0.5, valueAt(in.signal, event), 1e-6);
  // A DC signal and a grounded input never fire; neither do other kinds.
  in.setup.coupling = kCouplingGround;
  EXPECT_FALSE(findTriggerEvent(in, t, 0, 0.0, 1.0, event));
  in.setup.coupling = kCouplingDc;
  t.kind = 2;
  EXPECT_FALSE(findTriggerEvent(in, t, 0, 0.0, 1.0, event));
}

TEST(InstrumentTrigger, StackShiftFollowsTheLibrarysRule) {
  EXPECT_EQ(0, stackShift(0, 10000.0));
  EXPECT_EQ(36, stackShift(1, 10000.0));
  EXPECT_EQ(364, stackShift(1, 1000.0));
  EXPECT_EQ(16, stackShift(1, 20000.0));  // 18 truncated to a multiple of 4
  EXPECT_EQ(0, stackShift(1, 1e7));
  EXPECT_EQ(0, stackShift(1, 0.5));
}

// An instrument of `devices` devices at `rate` with the default signals.
Instrument instrumentAt(int64_t rate, int32_t waitMode = kWaitAuto) {
  Instrument inst;
  inst.applySetting(0, 11, rate, &rate, 8);
  inst.applySetting(0, 13, waitMode, nullptr, 0);
  for (int ch = 0; ch < 4; ++ch) inst.applySetting(ch, 7, 2000000, nullptr, 0);
  return inst;
}

void sendEdgeTrigger(Instrument& inst, int32_t source, int32_t slope, int32_t level) {
  const int32_t record[5] = {0, 20, source, slope, level};
  inst.applySetting(0, 10, 0, record, sizeof record);
}

TEST(InstrumentCapture, TheLibrarysAlignmentPutsTheEventAtTheTriggerPosition) {
  const int32_t length = 2000, block = length + 4096;
  for (int64_t rate : {int64_t(100000), int64_t(1000000000), int64_t(30000000)}) {
    Instrument inst = instrumentAt(rate);
    const int64_t trigPos = rate == 100000 ? 3000000000 : 0;  // 300 samples right of the centre
    inst.applySetting(0, 18, 0, &trigPos, 8);
    sendEdgeTrigger(inst, 0, kSlopeRising, 0);
    int32_t error = 0;
    for (int k = 0; k < 5; ++k) {
      ASSERT_TRUE(inst.capture(2, block, nullptr, 0, error));
      const CapturePlan* plan = inst.lastCapture();
      ASSERT_TRUE(plan && plan->triggered);
      const double periodPs = 1e12 / double(rate);
      for (int32_t device = 0; device < 2; ++device) {
        int32_t status = 0;
        int64_t offset = 0;
        std::vector<int16_t> data(2 * block);
        ASSERT_TRUE(inst.read(2, device, block, data.data(), data.data() + block, status, offset, error));
        EXPECT_EQ(kStatusTriggered, status);
        // The library's shift, and where it puts the event.
        const double g = -(double(offset) / periodPs) - double(stackShift(device, periodPs));
        EXPECT_GE(g, -1e-6);
        EXPECT_LT(g, 1.0);
        const double eventIndex = length / 2 + double(trigPos) / periodPs;
        const double t = plan->recordStart[std::size_t(device)] + (2048 + eventIndex + g) * plan->period;
        EXPECT_NEAR(plan->eventTime, t, 1e-6 * plan->period) << "rate " << rate << " device " << device;
      }
    }
  }
}

TEST(InstrumentCapture, NormalModeWaitsUntilForced) {
  Instrument inst = instrumentAt(1000000, kWaitNormal);
  sendEdgeTrigger(inst, 0, kSlopeRising, 5000000);  // above the square wave
  int32_t error = 0, status = 0;
  int64_t offset = 0;
  std::vector<int16_t> data(2 * 5096);
  ASSERT_TRUE(inst.capture(1, 5096, nullptr, 0, error));
  EXPECT_FALSE(inst.dataReady());
  EXPECT_FALSE(inst.read(1, 0, 5096, data.data(), data.data() + 5096, status, offset, error));
  EXPECT_EQ(kErrorNoData, error);
  inst.forceTrigger();
  EXPECT_TRUE(inst.dataReady());
  ASSERT_TRUE(inst.read(1, 0, 5096, data.data(), data.data() + 5096, status, offset, error));
  EXPECT_EQ(kStatusFreeRun, status);
  EXPECT_EQ(0, offset);

  // Auto mode captures at once without a trigger.
  inst.applySetting(0, 13, kWaitAuto, nullptr, 0);
  ASSERT_TRUE(inst.capture(1, 5096, nullptr, 0, error));
  EXPECT_TRUE(inst.dataReady());
  EXPECT_FALSE(inst.lastCapture()->triggered);
}

TEST(InstrumentCapture, SummaryReportsCodeExtremesAndTheRateReading) {
  Instrument inst = instrumentAt(100000);
  sendEdgeTrigger(inst, 0, kSlopeRising, 0);
  int32_t error = 0;
  ASSERT_TRUE(inst.capture(2, 6096, nullptr, 0, error));
  int32_t max0, min0, max1, min1, rate;
  inst.summary(0, max0, min0, max1, min1, rate);
  // 3 Vpp square at 2 V/div: +-0.75 div, 25 codes per division.
  EXPECT_NEAR(128 + 19, max0, 1);
  EXPECT_NEAR(128 - 19, min0, 1);
  EXPECT_NEAR(128 + 13, max1, 1);
  EXPECT_NEAR(128 - 13, min1, 1);
  EXPECT_EQ(1, rate);

  struct Case {
    Shape shape;
    double frequency;
    int32_t reading;
  } cases[] = {{Shape::Sine, 1600.0, 2}, {Shape::Square, 250.0, 1}, {Shape::Sine, 2.5e6, 2500}, {Shape::Dc, 1e3, 0}};
  for (const Case& c : cases) {
    inst.signal(0).shape = c.shape;
    inst.signal(0).frequency = c.frequency;
    inst.summary(0, max0, min0, max1, min1, rate);
    EXPECT_EQ(c.reading, rate) << c.frequency;
  }
}

TEST(InstrumentCapture, CalibrationDescribesTheCapturedData) {
  Instrument inst = instrumentAt(100000);
  double cal[6];
  inst.calibration(0, cal);
  EXPECT_DOUBLE_EQ(5.0, cal[0]) << "2 V/div: 5 mV per count";
  int32_t error = 0;
  ASSERT_TRUE(inst.capture(1, 6096, nullptr, 0, error));
  inst.applySetting(0, 7, 500000, nullptr, 0);
  inst.applySetting(0, 8, 9000, nullptr, 0);
  inst.calibration(0, cal);
  EXPECT_DOUBLE_EQ(5.0, cal[0]) << "the data were taken at 2 V/div";
  ASSERT_TRUE(inst.capture(1, 6096, nullptr, 0, error));
  inst.calibration(0, cal);
  EXPECT_DOUBLE_EQ(1.25, cal[0]);
  EXPECT_DOUBLE_EQ(200.0, cal[1]);
  EXPECT_DOUBLE_EQ(0.0, cal[2]);
}

TEST(InstrumentCapture, RefusesWhatItCannotCapture) {
  Instrument inst = instrumentAt(0);
  int32_t error = 0;
  EXPECT_FALSE(inst.capture(1, 6096, nullptr, 0, error));
  EXPECT_EQ(kErrorBadRate, error);
  Instrument longer = instrumentAt(1000000);
  EXPECT_FALSE(longer.capture(1, kMaxBlockLength + 1, nullptr, 0, error));
  EXPECT_EQ(kErrorRecordLength, error);
  int32_t status = 0;
  int64_t offset = 0;
  EXPECT_FALSE(longer.read(1, 0, INT32_MAX, nullptr, nullptr, status, offset, error)) << "nor read it";
  EXPECT_EQ(kErrorRecordLength, error);
}

TEST(InstrumentConfig, QuantitiesWithPrefixesAndUnits) {
  struct Case {
    const char* text;
    double value;
    bool ok;
  } cases[] = {{"1 kHz", 1000.0, true}, {"250us", 250e-6, true},  {"3 Vpp", 3.0, true}, {"5 mV", 0.005, true},
               {"2.5M", 2.5e6, true},   {"-1.5", -1.5, true},     {"12 %", 12.0, true}, {"1 \xC2\xB5s", 1e-6, true},
               {"1 kV", 1000.0, true},  {"abc", 0, false},        {"1 xs", 0, false},   {"", 0, false}};
  for (const Case& c : cases) {
    double v = -7;
    std::string unit;
    EXPECT_EQ(c.ok, parseQuantity(c.text, {"Hz", "s", "Vpp", "V", "%"}, v, unit)) << c.text;
    if (c.ok) EXPECT_NEAR(c.value, v, 1e-15 + 1e-12 * std::fabs(c.value)) << c.text;
  }
  double v = 0;
  std::string unit;
  EXPECT_FALSE(parseQuantity("1 kV", {"Hz"}, v, unit)) << "a unit the key does not take";
}

TEST(InstrumentConfig, FileTextSetsSignalsAndReportsBadLines) {
  Instrument inst;
  int32_t devices = 2;
  std::vector<std::string> problems;
  applyConfig(
      "# bench\n"
      "devices = 1\r\n"
      "CH1.Shape = Triangle   ; comment\n"
      "ch1.frequency = 5 kHz\n"
      "ch1.delay = 90 deg\n"
      "ch1.amplitude = 1.5 Vpp\n"
      "ch3.duty = 10 %\n"
      "ch0.noise = 0\n"
      "ch0.frequncy = 3\n"
      "ch40.shape = sine\n"
      "ch0.shape = sawtooth\n"
      "devices = 99\n"
      "no equals sign\n",
      "zyvsim.ini", inst, devices, problems);
  EXPECT_EQ(1, devices);
  EXPECT_EQ(Shape::Triangle, inst.signal(1).shape);
  EXPECT_DOUBLE_EQ(5000.0, inst.signal(1).frequency);
  EXPECT_DOUBLE_EQ(0.25 / 5000.0, inst.signal(1).delay) << "degrees of the channel's final frequency";
  EXPECT_DOUBLE_EQ(1.5, inst.signal(1).amplitude);
  EXPECT_DOUBLE_EQ(0.10, inst.signal(3).duty);
  EXPECT_DOUBLE_EQ(0.0, inst.signal(0).noise);
  EXPECT_EQ(Shape::Square, inst.signal(0).shape) << "a bad line changes nothing";
  ASSERT_EQ(5u, problems.size());
  EXPECT_EQ("zyvsim.ini:9: unknown key ch0.frequncy", problems[0]);
  EXPECT_NE(std::string::npos, problems[1].find(":10: channel 40 does not exist"));
  EXPECT_NE(std::string::npos, problems[2].find(":11: unknown shape sawtooth"));
  EXPECT_NE(std::string::npos, problems[3].find(":12: expected a whole number"));
  EXPECT_NE(std::string::npos, problems[4].find(":13: expected key = value"));
}

TEST(InstrumentConfig, DefaultsMatchTheIssuedSignals) {
  const Signal ch0 = defaultSignal(0), ch1 = defaultSignal(1);
  EXPECT_EQ(Shape::Square, ch0.shape);
  EXPECT_DOUBLE_EQ(1000.0, ch0.frequency);
  EXPECT_DOUBLE_EQ(3.0, ch0.amplitude);
  EXPECT_EQ(Shape::Sine, ch1.shape);
  EXPECT_DOUBLE_EQ(1000.0, ch1.frequency);
  EXPECT_DOUBLE_EQ(2.0, ch1.amplitude);
  EXPECT_DOUBLE_EQ(250e-6, ch1.delay);
}

}  // namespace
}  // namespace zyvsim::instrument
