// Waveform data of the simulated instrument: the built-in data source, which
// plays a configured waveform per input, and the control functions that set
// it up. Every device read goes through readDevice, so that another source
// (a signal generator working from the settings) can take the built-in
// one's place without touching the read entry.
#include <algorithm>
#include <cstring>

#include "hub/entries.h"
#include "hub/instance.h"
#include "hub/instrument_link.h"

namespace zyvsim {
namespace {

int16_t wrap16(int64_t v) { return int16_t(uint16_t(uint64_t(v) & 0xFFFFu)); }

void playWave(const ZyvSimWave& wave, const std::vector<int16_t>& samples, int16_t* out, int32_t length) {
  switch (wave.kind) {
    case ZYVSIM_WAVE_RAMP:
      for (int32_t k = 0; k < length; ++k) out[k] = wrap16(int64_t(wave.level) + int64_t(wave.step) * k);
      return;
    case ZYVSIM_WAVE_SQUARE: {
      const int16_t low = wrap16(wave.level), high = wrap16(wave.high);
      if (wave.period < 1) {
        std::fill(out, out + length, low);
        return;
      }
      for (int32_t k = 0; k < length; ++k) out[k] = k % wave.period < wave.highSamples ? high : low;
      return;
    }
    case ZYVSIM_WAVE_SAMPLES: {
      const int32_t given = int32_t(std::min<std::size_t>(samples.size(), std::size_t(length)));
      std::copy(samples.begin(), samples.begin() + given, out);
      std::fill(out + given, out + length, int16_t(0));
      return;
    }
    default:
      std::fill(out, out + length, wrap16(wave.level));
      return;
  }
}

DeviceReadout* readoutOf(int32_t index, int32_t device) {
  Instance* in = instance(index);
  if (!in || device < 0 || device >= ZYVSIM_MAX_DEVICES) return nullptr;
  return &in->readout[std::size_t(device)];
}

}  // namespace

int32_t readDevice(int32_t index, Instance& in, ZyvSimRead& read, int32_t& errorCode) {
  if (read.device >= 0 && read.device < ZYVSIM_MAX_DEVICES) {
    const DeviceReadout& r = in.readout[std::size_t(read.device)];
    read.status = r.status;
    read.timeOffset = r.timeOffset;
  }
  if (in.source) return in.source(in.sourceContext, index, &read, &errorCode);
  if (playedByInstrument(in)) return instrumentRead(in, read, errorCode);
  return zyvsim_builtin_source(nullptr, index, &read, &errorCode);
}

}  // namespace zyvsim

using namespace zyvsim;

extern "C" {

ZYVSIM_API int32_t zyvsim_builtin_source(void*, int32_t index, ZyvSimRead* read, int32_t* errorCode) {
  DeviceReadout* r = read ? readoutOf(index, read->device) : nullptr;
  if (!r) {
    if (errorCode) *errorCode = 8;
    return 0;
  }
  for (int input = 0; input < 2; ++input)
    if (read->block[input]) playWave(r->wave[input], r->samples[input], read->block[input], read->blockLength);
  return 1;
}

ZYVSIM_API void zyvsim_set_wave(int32_t index, int32_t device, int32_t input, const ZyvSimWave* wave) {
  HubGuard hold(hubLock());
  scriptedFromNow(index);
  DeviceReadout* r = readoutOf(index, device);
  if (!r || input < 0 || input > 1 || !wave) return;
  r->wave[input] = *wave;
}

ZYVSIM_API void zyvsim_set_samples(int32_t index, int32_t device, int32_t input, const int16_t* codes,
                                   int32_t count) {
  HubGuard hold(hubLock());
  scriptedFromNow(index);
  DeviceReadout* r = readoutOf(index, device);
  if (!r || input < 0 || input > 1) return;
  r->samples[input].assign(codes, codes && count > 0 ? codes + count : codes);
  r->wave[input] = ZyvSimWave{};
  r->wave[input].kind = ZYVSIM_WAVE_SAMPLES;
}

ZYVSIM_API void zyvsim_set_read_reply(int32_t index, int32_t device, int32_t status, int64_t timeOffset) {
  HubGuard hold(hubLock());
  scriptedFromNow(index);
  DeviceReadout* r = readoutOf(index, device);
  if (!r) return;
  r->status = status;
  r->timeOffset = timeOffset;
}

ZYVSIM_API void zyvsim_set_data_source(int32_t index, ZyvSimDataSource source, void* context) {
  HubGuard hold(hubLock());
  scriptedFromNow(index);
  Instance* in = instance(index);
  if (!in) return;
  in->source = source;
  in->sourceContext = source ? context : nullptr;
}

ZYVSIM_API int32_t zyvsim_block_length(int32_t index) {
  HubGuard hold(hubLock());
  Instance* in = instance(index);
  return in ? in->blockLength : 0;
}

}  // extern "C"
