#include "instrument/instrument.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

namespace zyvsim::instrument {
namespace {

// Setting IDs of the runtime.
enum : int32_t {
  kCoupling = 1, kBandwidth = 2, kOnOff = 3, kAcquire = 4, kTrigCouple = 6, kVoltDiv = 7, kPosition = 8,
  kOffset = 9, kTriggerRecord = 10, kSampleRate = 11, kWaitMode = 13, kWaitParam = 14, kDelay = 15,
  kHoldoff = 16, kVoltDivEx = 17, kTrigPos = 18
};

int64_t int64At(const void* block, std::size_t size, int64_t fallback) {
  if (!block || size < 8) return fallback;
  int64_t v;
  std::memcpy(&v, block, 8);
  return v;
}

int32_t int32At(const uint8_t* bytes, std::size_t offset) {
  int32_t v;
  std::memcpy(&v, bytes + offset, 4);
  return v;
}

int32_t clampToInt32(int64_t v) {
  return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace

Signal defaultSignal(int32_t channel) {
  Signal s;
  const int32_t pattern = channel % 6;
  const double scale = 1.0 + double(channel / 6);
  switch (pattern) {
    case 0:
      s.shape = Shape::Square;
      s.amplitude = 3.0;
      s.riseTime = 200e-9;
      s.noise = 0.005;
      break;
    case 1:
      s.shape = Shape::Sine;
      s.amplitude = 2.0;
      s.noise = 0.005;
      break;
    case 2:
      s.shape = Shape::Triangle;
      s.frequency = 2000.0;
      s.amplitude = 1.6;
      s.dcLevel = 0.5;
      s.noise = 0.002;
      break;
    case 3:
      s.shape = Shape::Pulse;
      s.frequency = 5000.0;
      s.amplitude = 2.5;
      s.dcLevel = 1.25;
      s.duty = 0.25;
      s.riseTime = 100e-9;
      s.noise = 0.01;
      break;
    case 4:
      s.shape = Shape::Step;
      s.frequency = 500.0;
      s.amplitude = 1.0;
      s.riseTime = 20e-6;
      s.overshoot = 0.15;
      s.noise = 0.002;
      break;
    default:
      s.shape = Shape::Dc;
      s.dcLevel = 1.2;
      s.noise = 0.02;
      break;
  }
  s.frequency *= scale;
  // Channel 1 trails channel 0 by a quarter period.
  if (pattern == 1) s.delay = 0.25 / s.frequency;
  return s;
}

Instrument::Instrument() : random_(0x5EED) {
  for (int32_t ch = 0; ch < kMaxInputs; ++ch) inputs_[ch].signal = defaultSignal(ch);
}

Signal& Instrument::signal(int32_t channel) { return inputs_[std::clamp(channel, 0, kMaxInputs - 1)].signal; }
const Signal& Instrument::signal(int32_t channel) const {
  return inputs_[std::clamp(channel, 0, kMaxInputs - 1)].signal;
}
const ChannelSetup& Instrument::setup(int32_t channel) const {
  return inputs_[std::clamp(channel, 0, kMaxInputs - 1)].setup;
}

void Instrument::applySetting(int32_t channel, int32_t id, int64_t value, const void* block, std::size_t blockSize) {
  ChannelSetup* ch = channel >= 0 && channel < kMaxInputs ? &inputs_[channel].setup : nullptr;
  const int32_t v32 = clampToInt32(value);
  switch (id) {
    case kCoupling: if (ch) ch->coupling = v32; break;
    case kBandwidth: if (ch) ch->bandwidthLimit = v32; break;
    case kOnOff: if (ch) ch->on = (value & 0xFF) != 0; break;
    case kAcquire: if (ch) ch->acquireMode = v32; break;
    case kVoltDiv:
    case kVoltDivEx: if (ch && v32 > 0) ch->voltDiv = v32; break;
    case kPosition: if (ch) ch->position = v32; break;
    case kOffset: if (ch) ch->offset = v32; break;
    case kTrigCouple: timebase_.trigCouple = v32; break;
    case kSampleRate: timebase_.sampleRate = int64At(block, blockSize, timebase_.sampleRate); break;
    case kWaitMode: timebase_.waitMode = v32; break;
    case kWaitParam: timebase_.waitParam = int64At(block, blockSize, timebase_.waitParam); break;
    case kDelay: timebase_.delayTime = int64At(block, blockSize, timebase_.delayTime); break;
    case kHoldoff: timebase_.holdoffTime = int64At(block, blockSize, timebase_.holdoffTime); break;
    case kTrigPos: timebase_.trigPos = int64At(block, blockSize, timebase_.trigPos); break;
    case kTriggerRecord:
      if (block && blockSize >= 8) {
        const auto* bytes = static_cast<const uint8_t*>(block);
        Trigger t;
        t.kind = int32At(bytes, 0);
        if (t.kind == 0 && blockSize >= 20) {
          t.source = int32At(bytes, 8);
          t.slope = int32At(bytes, 12);
          t.level = int32At(bytes, 16);
        }
        trigger_ = t;
      }
      break;
    default: break;
  }
}

void Instrument::setResolution(int32_t bits) {
  if (bits == 8 || bits == 12) timebase_.bits = bits;
}

bool Instrument::capture(int32_t devices, int32_t blockLength, const void* params, std::size_t paramsSize,
                         int32_t& error) {
  if (devices <= 0) {
    error = kErrorNoDevice;
    return false;
  }
  int64_t rate = timebase_.sampleRate, trigPos = timebase_.trigPos;
  if (params && paramsSize >= 144) {
    const auto* bytes = static_cast<const uint8_t*>(params);
    std::memcpy(&rate, bytes + 8, 8);
    std::memcpy(&trigPos, bytes + 120, 8);
  }
  pending_ = false;
  return takeCapture(devices, blockLength, rate, trigPos, false, error);
}

void Instrument::forceTrigger() {
  if (!pending_) return;
  int32_t error = 0;
  pending_ = false;
  takeCapture(plan_.devices, plan_.blockLength, pendingRate_, pendingTrigPos_, true, error);
}

void Instrument::stop() { pending_ = false; }

bool Instrument::takeCapture(int32_t devices, int32_t blockLength, int64_t rate, int64_t trigPos, bool forceFreeRun,
                             int32_t& error) {
  if (rate <= 0) {
    error = kErrorBadRate;
    return false;
  }
  if (blockLength > kMaxBlockLength) {
    error = kErrorRecordLength;
    return false;
  }
  devices = std::min(devices, kMaxInputs / 2);
  blockLength = std::max(blockLength, 0);
  const double periodPs = 1e12 / double(rate);
  const double period = 1.0 / double(rate);

  CapturePlan plan;
  plan.devices = devices;
  plan.blockLength = blockLength;
  plan.period = period;
  plan.bits = timebase_.bits;
  plan.noiseSeed = seed ^ random_.next();
  plan.inputs.assign(inputs_, inputs_ + 2 * devices);

  // The event must leave room for the samples before it.
  const double half = 0.5 * double(blockLength);
  const double before = (half + 1.0) * period + (double(trigPos) - double(timebase_.delayTime)) * 1e-12;
  double armed = clock_ + std::max(0.0, before);
  armed = std::max(armed, lastEvent_ + double(timebase_.holdoffTime) * 1e-12);

  double event = 0.0;
  bool triggered = false;
  const int32_t source = trigger_.source;
  if (!forceFreeRun && source >= 0 && source < 2 * devices) {
    const double span = timebase_.waitMode == kWaitTimeout && timebase_.waitParam > 0
                            ? double(timebase_.waitParam) * 1e-12
                            : std::numeric_limits<double>::infinity();
    triggered = findTriggerEvent(inputs_[source], trigger_, timebase_.trigCouple, armed, span, event);
  }
  if (!triggered && !forceFreeRun && (timebase_.waitMode == kWaitNormal || timebase_.waitMode == kWaitSingle)) {
    // Waits for a trigger that these signals never give, until forced.
    pending_ = true;
    plan_.devices = devices;
    plan_.blockLength = blockLength;
    pendingRate_ = rate;
    pendingTrigPos_ = trigPos;
    return true;
  }

  plan.triggered = triggered;
  plan.eventTime = event;
  double latestEnd = clock_;
  for (int32_t d = 0; d < devices; ++d) {
    // Each device's sample clock meets the event at a phase of its own.
    const double phase = triggered ? random_.uniform() : 0.0;
    const int64_t shift = stackShift(d, periodPs);
    const int64_t offset = -(int64_t(std::floor(phase * periodPs)) + std::llround(double(shift) * periodPs));
    // The fraction the library's alignment will shift this device's record by.
    const double fraction = -(double(offset) / periodPs) - double(shift);
    double start = clock_;
    if (triggered) {
      const double eventIndex = half + (double(trigPos) - double(timebase_.delayTime)) / periodPs + fraction;
      start = event - eventIndex * period;
    }
    plan.recordStart.push_back(start);
    plan.timeOffset.push_back(offset);
    latestEnd = std::max(latestEnd, start + double(blockLength) * period);
  }

  try {
    std::vector<std::vector<int16_t>> records;
    records.resize(std::size_t(devices));
    for (int32_t d = 0; d < devices; ++d) {
      records[std::size_t(d)].resize(2 * std::size_t(blockLength));
      int16_t* base = records[std::size_t(d)].data();
      generateRecord(plan, d, blockLength, base, base + blockLength);
    }
    std::vector<std::array<int32_t, 4>> ranges(static_cast<std::size_t>(devices));
    for (int32_t d = 0; d < devices; ++d)
      for (int32_t input = 0; input < 2; ++input)
        codeRange(plan, d, input, records[std::size_t(d)].data() + std::size_t(input) * std::size_t(blockLength),
                  blockLength, ranges[std::size_t(d)][std::size_t(2 * input + 1)],
                  ranges[std::size_t(d)][std::size_t(2 * input)]);
    records_ = std::move(records);
    codeRanges_ = std::move(ranges);
  } catch (const std::bad_alloc&) {
    error = kErrorMemory;
    return false;
  }

  plan_ = std::move(plan);
  hasData_ = true;
  ++captures_;
  if (triggered) lastEvent_ = event;
  clock_ = latestEnd + 10e-6 + random_.uniform() * 1e-3;
  return true;
}

bool Instrument::read(int32_t devices, int32_t device, int32_t blockLength, int16_t* block0, int16_t* block1,
                      int32_t& status, int64_t& timeOffset, int32_t& error) {
  if (pending_) {
    error = kErrorNoData;
    return false;
  }
  if (blockLength > kMaxBlockLength) {
    error = kErrorRecordLength;
    return false;
  }
  if (!hasData_ && !takeCapture(devices, blockLength, timebase_.sampleRate, timebase_.trigPos, true, error))
    return false;
  status = plan_.triggered ? kStatusTriggered : kStatusFreeRun;
  timeOffset = 0;
  if (device < 0 || device >= plan_.devices) {
    if (block0) std::fill(block0, block0 + std::max(blockLength, 0), int16_t(0));
    if (block1) std::fill(block1, block1 + std::max(blockLength, 0), int16_t(0));
    return true;
  }
  timeOffset = plan_.timeOffset[std::size_t(device)];
  const std::vector<int16_t>& stored = records_[std::size_t(device)];
  if (blockLength == plan_.blockLength) {
    const std::size_t n = std::size_t(std::max(blockLength, 0));
    if (block0) std::copy(stored.begin(), stored.begin() + std::ptrdiff_t(n), block0);
    if (block1) std::copy(stored.begin() + std::ptrdiff_t(n), stored.begin() + std::ptrdiff_t(2 * n), block1);
  } else {
    generateRecord(plan_, device, blockLength, block0, block1);
  }
  return true;
}

void Instrument::calibration(int32_t device, double out[6]) const {
  for (int32_t input = 0; input < 2; ++input) {
    const std::size_t index = std::size_t(2 * device + input);
    const ChannelSetup& s = hasData_ && index < plan_.inputs.size() ? plan_.inputs[index].setup
                                                                    : setup(int32_t(index));
    const Calibration c = calibrationOf(s);
    out[3 * input + 0] = c.gain;
    out[3 * input + 1] = c.zeroLevel;
    out[3 * input + 2] = c.baseOffset;
  }
}

void Instrument::summary(int32_t device, int32_t& max0, int32_t& min0, int32_t& max1, int32_t& min1,
                         int32_t& rate) const {
  const Converter converter{hasData_ ? plan_.bits : timebase_.bits};
  max0 = min0 = max1 = min1 = converter.middle();
  if (hasData_ && device >= 0 && std::size_t(device) < codeRanges_.size()) {
    const std::array<int32_t, 4>& r = codeRanges_[std::size_t(device)];
    max0 = r[0];
    min0 = r[1];
    max1 = r[2];
    min1 = r[3];
  }

  rate = 0;
  const int32_t channel = 2 * device;
  if (channel >= 0 && channel < kMaxInputs) {
    const Input& in = inputs_[channel];
    if (periodic(in.signal) && in.setup.on && in.setup.coupling != kCouplingGround) {
      const double kilohertz = std::round(in.signal.frequency / 1000.0);
      rate = kilohertz < 1.0 ? 1 : kilohertz > 2e9 ? std::numeric_limits<int32_t>::max() : int32_t(kilohertz);
    }
  }
}

}  // namespace zyvsim::instrument
