// uZyvSDKMeasurement and the staged form (uZyvSDKMeasExInit, AddType, Start,
// GetResult, GetValue) on arbitrary types, ranges, calibration and samples.
// Every array has exactly the length the interface asks for, so that any
// access beyond it faults.
#include <memory>
#include <vector>

#include "fuzz_support.h"
#include "uZyvSDK.h"

namespace {

struct Case {
  uint8_t staged = 0;
  std::vector<int32_t> types;  // without the closing -1
  int32_t start = 0;
  uint16_t end = 0;
  MeasParams params{};
  uint8_t flags = 0;  // 1: reference channel, 2: abort byte given, 4: abort byte set
  int32_t extraChannel = 0;
  uint16_t referenceShift = 0;
  std::vector<int16_t> pattern;  // repeated over the samples
};

Case decode(fuzz::Input& in) {
  Case c;
  c.staged = in.take<uint8_t>() & 1;
  const int types = in.take<uint8_t>() % 40;
  for (int i = 0; i < types; ++i) c.types.push_back(in.take<int32_t>());
  c.start = in.take<int32_t>();
  c.end = in.take<uint16_t>() % 8193;
  MeasParams& p = c.params;
  p.sampleRate = in.take<int64_t>();
  p.reserved0 = in.take<int32_t>();
  for (int ch = 0; ch < 2; ++ch) {
    p.reservedCh[ch] = in.take<int32_t>();
    p.voltOffset[ch] = in.take<double>();
    p.zeroLevel[ch] = in.take<double>();
    p.baseOffset[ch] = in.take<double>();
    p.gain[ch] = in.take<double>();
    p.multiplier[ch] = in.take<int32_t>();
  }
  c.flags = in.take<uint8_t>();
  c.extraChannel = in.take<int32_t>();
  c.referenceShift = in.take<uint16_t>();
  while (in.left() >= 2) c.pattern.push_back(in.take<int16_t>());
  return c;
}

void encode(fuzz::Seed& s, const Case& c) {
  s.put<uint8_t>(c.staged).put<uint8_t>(uint8_t(c.types.size()));
  for (int32_t t : c.types) s.put(t);
  s.put(c.start).put(c.end);
  const MeasParams& p = c.params;
  s.put(p.sampleRate).put(p.reserved0);
  for (int ch = 0; ch < 2; ++ch)
    s.put(p.reservedCh[ch]).put(p.voltOffset[ch]).put(p.zeroLevel[ch]).put(p.baseOffset[ch]).put(p.gain[ch])
        .put(p.multiplier[ch]);
  s.put(c.flags).put(c.extraChannel).put(c.referenceShift);
  for (int16_t v : c.pattern) s.put(v);
}

// The tests' square waves: 1 kHz at 1 MS/s, one count a millivolt.
fuzz::Seeds seeds() {
  fuzz::Seeds out;
  std::vector<int16_t> square(100);
  for (int i = 0; i < 100; ++i) square[std::size_t(i)] = int16_t((i + 65) % 100 < 50 ? 1000 : -1000);
  for (uint8_t staged : {0, 1}) {
    for (const std::vector<int32_t>& types :
         {std::vector<int32_t>{UZYV_MEAS_MAX}, std::vector<int32_t>{0, 1, 6, 7, 8, 9, 14, 15},
          std::vector<int32_t>{21, 22, 25, 27}, std::vector<int32_t>{2510, 2530, 30, 31, -5}}) {
      Case c;
      c.staged = staged;
      c.types = types;
      c.end = 400;
      c.params.sampleRate = 1000000;
      for (int ch = 0; ch < 2; ++ch) {
        c.params.gain[ch] = 1;
        c.params.multiplier[ch] = 1;
      }
      c.flags = 1;
      c.referenceShift = 25;
      c.pattern = square;
      fuzz::Seed s;
      encode(s, c);
      out.push_back(s.bytes());
    }
  }
  return out;
}

// `count` samples of the pattern from `shift` on; exactly `count` long.
std::unique_ptr<int16_t[]> samplesOf(const std::vector<int16_t>& pattern, std::size_t count, std::size_t shift) {
  std::unique_ptr<int16_t[]> s(new int16_t[count]);
  for (std::size_t i = 0; i < count; ++i) s[i] = pattern.empty() ? 0 : pattern[(i + shift) % pattern.size()];
  return s;
}

// The staged input keeps the caller's sample addresses between calls: each
// array stays alive until a later staging of its channel replaces it.
std::unique_ptr<int16_t[]> g_staged[2];

void runOnce(const Case& c, std::unique_ptr<int16_t[]>& ch0, std::unique_ptr<int16_t[]>& ch1, uint8_t* abort) {
  std::unique_ptr<int32_t[]> types(new int32_t[c.types.size() + 1]);
  for (std::size_t i = 0; i < c.types.size(); ++i) types[i] = c.types[i] == -1 ? 0 : c.types[i];
  types[c.types.size()] = UZYV_MEAS_LIST_END;
  std::unique_ptr<uint8_t[]> valid(new uint8_t[c.types.size()]);
  std::unique_ptr<double[]> values(new double[c.types.size()]);
  MeasParams params = c.params;
  params.samples[0] = ch0.get();
  params.samples[1] = c.flags & 1 ? ch1.get() : nullptr;
  uZyvSDKMeasurement(types.get(), c.start, c.end, &params, abort, valid.get(), values.get());
}

void runStaged(const Case& c, std::unique_ptr<int16_t[]>& ch0, std::unique_ptr<int16_t[]>& ch1, uint8_t* abort) {
  const MeasParams& p = c.params;
  std::unique_ptr<int16_t[]>* arrays[2] = {&ch0, &ch1};
  for (int ch = 0; ch < 2; ++ch) {
    if (uZyvSDKMeasExInit(ch, p.reservedCh[ch], p.voltOffset[ch], p.zeroLevel[ch], p.baseOffset[ch], p.gain[ch],
                          p.multiplier[ch], p.sampleRate, p.reserved0, arrays[ch]->get()) == 1)
      g_staged[ch] = std::move(*arrays[ch]);
  }
  // Any other channel is refused and stores nothing.
  if (c.extraChannel != 0 && c.extraChannel != 1) {
    const int16_t one = 0;
    uZyvSDKMeasExInit(c.extraChannel, 0, 0, 0, 0, 1, 1, p.sampleRate, 0, &one);
  }
  uZyvSDKMeasExFreeResource();
  for (int32_t t : c.types) uZyvSDKMeasExAddType(t);
  uZyvSDKMeasExStart(c.start, c.end, abort);
  for (int32_t t : c.types) {
    uZyvSDKMeasExGetResult(t);
    uZyvSDKMeasExGetValue(t);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::writeSeedsIfAsked(seeds());
  fuzz::openSimulatedGroup();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  const Case c = decode(in);
  // Sample arrays hold exactly `end` samples (at least one, so that the
  // address is a real one).
  const std::size_t count = c.end > 0 ? c.end : 1;
  auto ch0 = samplesOf(c.pattern, count, 0);
  auto ch1 = samplesOf(c.pattern, count, c.referenceShift);
  uint8_t abortByte = c.flags & 4 ? 1 : 0;
  uint8_t* abort = c.flags & 2 ? &abortByte : nullptr;
  if (c.staged)
    runStaged(c, ch0, ch1, abort);
  else
    runOnce(c, ch0, ch1, abort);
  uZyvSDKGetErrorCodeEx();
  fuzz::forgetRuntimeLog();
  return 0;
}
