#include "instrument/acquisition.h"

#include <algorithm>
#include <cmath>

namespace zyvsim::instrument {
namespace {

constexpr double kPi = 3.14159265358979323846;

bool acCoupledTrigger(int32_t trigCouple) { return trigCouple == 1 || trigCouple == 3; }

// The trigger comparator's input for an input value v.
double comparatorVolts(const Input& input, int32_t trigCouple, double v) {
  const double mean = meanOf(input.signal);
  double fe = frontEndVolts(input.setup, v, mean);
  if (acCoupledTrigger(trigCouple)) fe -= frontEndVolts(input.setup, mean, mean);
  return fe;
}

bool fires(int32_t slope, double before, double after) {
  const bool rising = before < 0.0 && after >= 0.0;
  const bool falling = before > 0.0 && after <= 0.0;
  if (slope == kSlopeRising) return rising;
  if (slope == kSlopeFalling) return falling;
  return rising || falling;
}

}  // namespace

int64_t stackShift(int32_t device, double periodPs) {
  if (device == 0 || !(periodPs > 0.0)) return 0;
  // The int32 product over the period truncated to whole picoseconds, as a
  // multiple of 4; periods below 1 ps give no shift.
  const double truncated = std::trunc(periodPs);
  if (!(truncated >= 1.0 && truncated <= 1e12)) return 0;
  const auto product = int32_t(uint32_t(device) * 364000u);
  const int64_t quotient = int64_t(product) / int64_t(truncated);
  const auto low = int32_t(uint32_t(uint64_t(quotient)));
  return low / 4 * 4;
}

double triggerVolts(const Input& input, int32_t trigCouple, double t) {
  return comparatorVolts(input, trigCouple, valueAt(input.signal, t));
}

bool findTriggerEvent(const Input& source, const Trigger& trigger, int32_t trigCouple, double from, double span,
                      double& event) {
  if (trigger.kind != 0 || !periodic(source.signal) || source.setup.coupling == kCouplingGround) return false;
  const double level = trigger.level * 1e-6;
  double lowest = 0.0, highest = 0.0;
  extremesOf(source.signal, lowest, highest);
  lowest = comparatorVolts(source, trigCouple, lowest);
  highest = comparatorVolts(source, trigCouple, highest);
  if (level < std::min(lowest, highest) || level > std::max(lowest, highest)) return false;

  // Every period holds the same crossings, so one period and a little more is
  // enough to meet the first one.
  const double period = 1.0 / source.signal.frequency;
  double step = period / 1024.0;
  if (source.signal.shape == Shape::Pulse) {
    const double duty = std::clamp(source.signal.duty, 0.0, 1.0);
    const double narrow = std::min(duty, 1.0 - duty) * period / 4.0;
    if (narrow > 0.0) step = std::min(step, narrow);
  }
  const double limit = std::min(span, period + 2.0 * step);
  if (!(limit > 0.0)) return false;
  auto g = [&](double t) { return triggerVolts(source, trigCouple, t) - level; };

  double before = g(from);
  double previous = from;
  const int64_t steps = int64_t(std::ceil(limit / step));
  for (int64_t i = 1; i <= steps; ++i) {
    const double t = from + double(i) * step;
    const double now = g(t);
    if (fires(trigger.slope, before, now)) {
      // The slope that fired decides which side of the level counts as after.
      const bool risingEdge = before < 0.0;
      double lo = previous, hi = t;
      for (int k = 0; k < 200; ++k) {
        const double mid = lo + 0.5 * (hi - lo);
        if (!(mid > lo && mid < hi)) break;
        const double v = g(mid);
        if (risingEdge ? v >= 0.0 : v <= 0.0) hi = mid;
        else lo = mid;
      }
      event = hi;
      return true;
    }
    before = now;
    previous = t;
  }
  return false;
}

void codeRange(const CapturePlan& plan, int32_t device, int32_t input, const int16_t* counts, int32_t length,
               int32_t& lowest, int32_t& highest) {
  const Converter converter{plan.bits};
  lowest = highest = converter.middle();
  const std::size_t index = std::size_t(2 * device + input);
  if (index >= plan.inputs.size() || !plan.inputs[index].setup.on) return;
  bool any = false;
  auto note = [&](int32_t code) {
    lowest = any ? std::min(lowest, code) : code;
    highest = any ? std::max(highest, code) : code;
    any = true;
  };
  for (int32_t k = 0; k < length; ++k) note(counts[k] / converter.countsPerCode() + converter.middle());
  const Input& in = plan.inputs[index];
  if (!periodic(in.signal) || !(double(length) * plan.period < 1.0 / in.signal.frequency)) return;
  const double mean = meanOf(in.signal);
  const double sigma = (std::isfinite(in.signal.noise) ? std::fabs(in.signal.noise) : 0.0) * noiseFactorOf(in.setup);
  Random noise(plan.noiseSeed ^ (0x8CB92BA72F3D8DD7ull * uint64_t(index + 1)));
  const double start = plan.recordStart[std::size_t(device)];
  constexpr int kGatePoints = 4096;
  for (int k = 0; k < kGatePoints; ++k) {
    double v = valueAt(in.signal, start + double(k) / (double(kGatePoints) * in.signal.frequency));
    if (sigma > 0.0) v += sigma * noise.normal();
    note(converter.code(divisionsOf(in.setup, frontEndVolts(in.setup, v, mean))));
  }
}

void generateRecord(const CapturePlan& plan, int32_t device, int32_t length, int16_t* block0, int16_t* block1) {
  Converter converter{plan.bits};
  int16_t* blocks[2] = {block0, block1};
  for (int32_t input = 0; input < 2; ++input) {
    int16_t* out = blocks[input];
    const std::size_t index = std::size_t(2 * device + input);
    if (!out || length <= 0) continue;
    if (index >= plan.inputs.size() || !plan.inputs[index].setup.on) {
      std::fill(out, out + length, int16_t(0));
      continue;
    }
    const Input& in = plan.inputs[index];
    const double mean = meanOf(in.signal);
    const double sigma = (std::isfinite(in.signal.noise) ? std::fabs(in.signal.noise) : 0.0) *
                         noiseFactorOf(in.setup);
    Random noise(plan.noiseSeed ^ (0xD1B54A32D192ED03ull * uint64_t(index + 1)));
    const double alpha = 1.0 - std::exp(-2.0 * kPi * bandwidthOf(in.setup) * plan.period);
    const double start = plan.recordStart[std::size_t(device)];
    double filtered = 0.0;
    for (int32_t k = 0; k < length; ++k) {
      double v = valueAt(in.signal, start + double(k) * plan.period);
      if (sigma > 0.0) v += sigma * noise.normal();
      const double fe = frontEndVolts(in.setup, v, mean);
      filtered = k == 0 ? fe : filtered + alpha * (fe - filtered);
      out[k] = converter.count(converter.code(divisionsOf(in.setup, filtered)));
    }
  }
}

}  // namespace zyvsim::instrument
