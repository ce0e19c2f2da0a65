#include "hub/instrument_link.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "hub/entries.h"
#include "instrument/config.h"

namespace zyvsim {
namespace {

constexpr int32_t kResolutionSetting = 116;
constexpr int32_t kSummarySelectorId = 306;

// The fields both records share, by name.
template <class To, class From>
void copyFields(To& to, const From& from) {
  to.frequency = from.frequency;
  to.amplitude = from.amplitude;
  to.dcLevel = from.dcLevel;
  to.delay = from.delay;
  to.duty = from.duty;
  to.riseTime = from.riseTime;
  to.overshoot = from.overshoot;
  to.noise = from.noise;
}

instrument::Signal toSignal(const ZyvSimSignal& s) {
  instrument::Signal out;
  out.shape = s.shape >= ZYVSIM_SHAPE_SINE && s.shape <= ZYVSIM_SHAPE_DC ? instrument::Shape(s.shape)
                                                                         : instrument::Shape::Dc;
  copyFields(out, s);
  return out;
}

ZyvSimSignal fromSignal(const instrument::Signal& s) {
  ZyvSimSignal out{};
  out.shape = int32_t(s.shape);
  copyFields(out, s);
  return out;
}

// The configured signals and seed, as the instrument captures them.
void loadSignals(Instance& in) {
  for (int32_t ch = 0; ch < 2 * ZYVSIM_MAX_DEVICES && ch < instrument::kMaxInputs; ++ch)
    in.instrument.signal(ch) = toSignal(in.config.devices[ch / 2].signals[ch % 2]);
  in.instrument.seed = in.config.seed;
}

}  // namespace

void fillDefaultSignals(ZyvSimConfig& config) {
  for (int32_t ch = 0; ch < 2 * ZYVSIM_MAX_DEVICES; ++ch)
    config.devices[ch / 2].signals[ch % 2] = fromSignal(instrument::defaultSignal(ch));
}

void scriptedFromNow(int32_t index) {
  if (Instance* in = instance(index)) in->config.instrument = 0;
}

void instrumentInitialise(Instance& in) {
  loadSignals(in);
  int32_t devices = in.config.deviceCount;
  std::vector<std::string> problems;
  try {
    if (!instrument::applyConfigFile(instrument::kConfigFileName, in.instrument, devices, problems)) return;
  } catch (...) {
    std::fprintf(stderr, "simulated instrument: %s could not be read\n", instrument::kConfigFileName);
    return;
  }
  for (const std::string& p : problems) std::fprintf(stderr, "simulated instrument: %s\n", p.c_str());
  in.config.deviceCount = devices;
  for (int32_t ch = 0; ch < 2 * ZYVSIM_MAX_DEVICES && ch < instrument::kMaxInputs; ++ch)
    in.config.devices[ch / 2].signals[ch % 2] = fromSignal(in.instrument.signal(ch));
  in.config.seed = uint32_t(in.instrument.seed);
}

void instrumentSetting(Instance& in, int32_t channel, int32_t id, int64_t value, const void* block,
                       std::size_t blockSize) {
  in.instrument.applySetting(channel, id, value, block, blockSize);
}

void instrumentSecondSetting(Instance& in, int32_t id, int32_t value) {
  if (id == kResolutionSetting) in.instrument.setResolution(value);
}

// No exception leaves the runtime: a failed allocation fails the call.
int32_t instrumentCapture(Instance& in, void* params, int32_t& errorCode) {
  try {
    loadSignals(in);
    const std::size_t size = params && readable(params, 144) ? 144 : 0;
    return in.instrument.capture(in.openDevices, in.blockLength, size ? params : nullptr, size, errorCode) ? 1 : 0;
  } catch (...) {
    errorCode = instrument::kErrorMemory;
    return 0;
  }
}

int32_t instrumentRead(Instance& in, ZyvSimRead& read, int32_t& errorCode) {
  try {
    loadSignals(in);
    int32_t status = 0;
    int64_t offset = 0;
    if (!in.instrument.read(in.openDevices, read.device, read.blockLength, read.block[0], read.block[1], status,
                            offset, errorCode))
      return 0;
    read.status = status;
    read.timeOffset = offset;
    return 1;
  } catch (...) {
    errorCode = instrument::kErrorMemory;
    return 0;
  }
}

void instrumentCalibration(const Instance& in, int32_t device, double out[6]) { in.instrument.calibration(device, out); }

int32_t instrumentSummary(const Instance& in, int32_t device, int32_t selector, void* buffer, int32_t& errorCode) {
  if (selector != kSummarySelectorId || device < 0 || device >= in.openDevices || !readable(buffer, 24)) {
    errorCode = 2;
    return 0;
  }
  int32_t record[6];
  std::memcpy(record, buffer, sizeof record);
  in.instrument.summary(device, record[1], record[2], record[3], record[4], record[5]);
  std::memcpy(buffer, record, sizeof record);
  return 1;
}

}  // namespace zyvsim

using namespace zyvsim;

extern "C" ZYVSIM_API int32_t zyvsim_capture_info(int32_t index, ZyvSimCaptureInfo* info) {
  HubGuard hold(hubLock());
  const Instance* in = instance(index);
  if (!in || !info) return 0;
  *info = ZyvSimCaptureInfo{};
  info->captures = in->instrument.captureCount();
  info->pending = in->instrument.dataReady() ? 0 : 1;
  if (const instrument::CapturePlan* plan = in->instrument.lastCapture()) {
    info->triggered = plan->triggered ? 1 : 0;
    info->eventTime = plan->eventTime;
    for (std::size_t d = 0; d < plan->timeOffset.size() && d < ZYVSIM_MAX_DEVICES; ++d)
      info->timeOffset[d] = plan->timeOffset[d];
  }
  return 1;
}
