// Runs a fixed workload through the SDK and prints, per case, a digest of
// the bits of every result: spectra in every window (linear scale; the
// decibel scales take the host's log10, whose last bit is the host's), every
// measurement type, unit conversions, aligned reads and a pass/fail mask.
// Every build prints the same lines when its arithmetic is the same, which
// the test script compares between the legs.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "support/sdk.h"

namespace {

// FNV-1a over the bytes of the results.
class Digest {
 public:
  void add(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) hash_ = (hash_ ^ bytes[i]) * 0x100000001b3ull;
  }
  template <class T>
  void add(const std::vector<T>& values) {
    add(values.data(), values.size() * sizeof(T));
  }
  uint64_t value() const { return hash_; }

 private:
  uint64_t hash_ = 0xcbf29ce484222325ull;
};

// The case, the export's result and LastError, and the digest.
void print(const std::string& name, int32_t result, const Digest& digest) {
  std::printf("%-24s %d %2d %016llx\n", name.c_str(), int(result), int(SDK(uZyvSDKGetErrorCodeEx)()),
              static_cast<unsigned long long>(digest.value()));
}

// A square wave of `period` samples with ramped edges, offset by `shift`
// samples, and a little noise: integer arithmetic only, the same everywhere.
std::vector<int16_t> squareCodes(int32_t count, int32_t period, int32_t shift, int32_t amplitude, uint32_t seed) {
  std::vector<int16_t> codes(static_cast<std::size_t>(count));
  for (int32_t k = 0; k < count; ++k) {
    const int32_t phase = (k + shift) % period;
    const int32_t half = period / 2, ramp = 9;
    int32_t level = phase < half ? amplitude : -amplitude;
    if (phase < ramp) level = -amplitude + 2 * amplitude * phase / ramp;
    else if (phase >= half && phase < half + ramp) level = amplitude - 2 * amplitude * (phase - half) / ramp;
    seed = seed * 1664525u + 1013904223u;
    codes[std::size_t(k)] = int16_t(level + int32_t(seed >> 28) - 8);
  }
  return codes;
}

void spectra() {
  std::vector<double> samples(2048);
  const std::vector<int16_t> codes = squareCodes(2048, 150, 0, 1200, 7);
  for (std::size_t k = 0; k < samples.size(); ++k) samples[k] = codes[k] * 0.375 + 0.125 * double(k % 7);
  for (int32_t count : {2048, 1000}) {
    for (int32_t window = 0; window <= 8; ++window) {
      for (int32_t scale = 0; scale <= 0; ++scale) {
        std::vector<double> spectrum(2048);
        Digest d;
        const int32_t r = SDK(uZyvSDKGetFFTData)(samples.data(), count, scale, window, spectrum.data());
        d.add(spectrum);
        print("fft " + std::to_string(count) + " w" + std::to_string(window) + " s" + std::to_string(scale), r, d);
      }
    }
  }
}

void measurements() {
  std::vector<int16_t> ch0 = squareCodes(6000, 400, 0, 1500, 11);
  std::vector<int16_t> ch1 = squareCodes(6000, 400, 37, 900, 23);
  MeasParams p{};
  p.sampleRate = 250000000;
  const double voltOffset[2] = {0.0125, -0.5}, zero[2] = {3.25, -1.5}, base[2] = {1.5, 0.75}, gain[2] = {0.3, 0.45};
  for (int i = 0; i < 2; ++i) {
    p.voltOffset[i] = voltOffset[i];
    p.zeroLevel[i] = zero[i];
    p.baseOffset[i] = base[i];
    p.gain[i] = gain[i];
    p.multiplier[i] = i == 0 ? 10 : 1;
  }
  p.samples[0] = ch0.data();
  p.samples[1] = ch1.data();
  std::vector<int32_t> types;
  for (int32_t t = 0; t < UZYV_MEAS_TYPES; ++t) types.push_back(t);
  types.push_back(UZYV_MEAS_LIST_END);
  for (int32_t start : {0, 1234}) {
    std::vector<uint8_t> valid(UZYV_MEAS_TYPES);
    std::vector<double> values(UZYV_MEAS_TYPES);
    uint8_t abortFlag = 0;
    const int32_t r = SDK(uZyvSDKMeasurement)(types.data(), start, 5999, &p, &abortFlag, valid.data(), values.data());
    Digest d;
    d.add(valid);
    d.add(values);
    print("measure from " + std::to_string(start), r, d);
  }
}

void conversions() {
  const std::vector<int16_t> raw = squareCodes(4000, 333, 5, 2000, 3);
  for (bool uv : {false, true}) {
    std::vector<double> out(raw.size());
    auto convert = uv ? SDK(uZyvSDKRawToDbl_uv) : SDK(uZyvSDKRawToDbl_mv);
    const int32_t r = convert(raw.data(), out.data(), int32_t(raw.size()), 2.5, -1.7, 0.3, 123457.0, 10);
    Digest d;
    d.add(out);
    print(uv ? "convert uv" : "convert mv", r, d);
  }
}

// Reads of the scripted runtime: aligned by whole and fractional samples,
// converted with calibration and offsets, and a mask test on the record.
void reads() {
  const int32_t length = 4000;
  if (SDK(uZyvSDKSetRecordLength)(length) != 1 || SDK(uZyvSDKSetSampleRate)(100000000) != 1) {
    std::printf("reads: settings refused\n");
    return;
  }
  for (int input = 0; input < 2; ++input) {
    const std::vector<int16_t> block = squareCodes(length + 4096, 250, 17 * input, 1700, 5u + uint32_t(input));
    zyvsim_set_samples(0, 0, input, block.data(), int32_t(block.size()));
  }
  const double cal[6] = {0.35, -2.25, 4.5, 0.2, 1.75, -3.0};
  std::memcpy(zyvsim_config(0)->devices[0].calibration, cal, sizeof cal);
  SDK(uZyvSDKSetVoltOfs)(0, -250000);
  SDK(uZyvSDKSetVoltOfs)(1, 130000);
  const int32_t multipliers[2] = {10, 1};
  const struct {
    int32_t status;
    int64_t timeOffset;
  } replies[] = {{0, 0}, {0, 123456}, {0x8000, -56789}, {0, -3141592}};
  for (const auto& reply : replies) {
    zyvsim_set_read_reply(0, 0, reply.status, reply.timeOffset);
    const std::string name = "read " + std::to_string(reply.status) + " " + std::to_string(reply.timeOffset);
    std::vector<int16_t> raw(2 * length);
    std::vector<double> zeroLevels(2), baseOffsets(2), gains(2);
    int32_t status = 0;
    Digest d;
    int32_t r = SDK(uZyvSDKReadExRaw)(0, &status, raw.data(), zeroLevels.data(), baseOffsets.data(), gains.data(),
                                      nullptr);
    d.add(raw);
    d.add(zeroLevels);
    d.add(baseOffsets);
    d.add(gains);
    print(name + " raw", r, d);
    for (bool uv : {false, true}) {
      std::vector<double> out(2 * length);
      r = (uv ? SDK(uZyvSDKReadDbl_uv) : SDK(uZyvSDKReadDbl_mv))(0, &status, out.data(), multipliers);
      Digest c;
      c.add(out);
      print(name + (uv ? " uv" : " mv"), r, c);
    }
  }

  const std::vector<int16_t> reference = squareCodes(length, 250, 3, 1650, 9);
  const double divisor = 3.0;
  int32_t r = SDK(uZyvSDKPassFailInit)(reference.data(), length, 100000000, 25000, 15000, 30000000, 45000000,
                                        7, &divisor, 2500);
  std::vector<int16_t> upper(length), lower(length);
  int32_t upperCount = length, lowerCount = length, shift = 0, result = 0;
  if (r == 1) r = SDK(uZyvSDKPassFailGetMask)(upper.data(), &upperCount, lower.data(), &lowerCount, &shift);
  Digest m;
  m.add(upper);
  m.add(lower);
  m.add(&shift, sizeof shift);
  print("mask", r, m);
  r = SDK(uZyvSDKPassFailCheck)(0, &result);
  Digest c;
  c.add(&result, sizeof result);
  print("mask check", r, c);
}

}  // namespace

int main(int argc, char** argv) {
  zyvsim_reset();
  sdktest::SdkModule sdk;
  if (!sdk.loaded()) return 3;
  // The measurements ask device 0 for its hardware version.
  const std::string runtime = argc > 1 ? argv[1] : sdktest::runtimeFolder("default");
  if (SDK(uZyvSDKSetWorkDir)(runtime.c_str()) != 1 || SDK(uZyvSDKInit)() <= 0) {
    std::printf("no simulated devices behind %s\n", runtime.c_str());
    return 4;
  }
  spectra();
  measurements();
  conversions();
  reads();
  SDK(uZyvSDKShutdown)();
  return 0;
}
