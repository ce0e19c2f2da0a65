// uZyvSDKGetFFTData on arbitrary counts, scales, windows and samples (NaN
// and infinities included), twice in a row so that a window kept in force
// is used too. The samples hold exactly `count` values and the spectrum
// exactly the N values the call writes.
#include <cmath>
#include <memory>
#include <vector>

#include "fuzz_support.h"
#include "uZyvSDK.h"

namespace {

struct Case {
  int32_t count = 0;
  int32_t scale[2] = {};
  int32_t window[2] = {};
  std::vector<double> pattern;
};

// The number of values written: the largest power of two not above count,
// at most 2048; none outside 1..4095.
std::size_t written(int32_t count) {
  if (count <= 0 || count >= 4096) return 0;
  std::size_t n = 1;
  while (n * 2 <= std::size_t(count) && n < 2048) n *= 2;
  return n;
}

fuzz::Seeds seeds() {
  fuzz::Seeds out;
  const int32_t counts[] = {1, 2, 7, 64, 1000, 2048, 4095, 4096, 0, -3};
  for (int32_t count : counts) {
    for (int32_t window = 0; window <= 9; window += 3) {
      fuzz::Seed s;
      s.put(count).put(int32_t(window % 3)).put(window).put(int32_t(1)).put(int32_t(99));
      for (int i = 0; i < 16; ++i) s.put(1000.0 * std::sin(0.7 * i));
      out.push_back(s.bytes());
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::writeSeedsIfAsked(seeds());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  Case c;
  c.count = in.take<int32_t>();
  for (int k = 0; k < 2; ++k) {
    c.scale[k] = in.take<int32_t>();
    c.window[k] = in.take<int32_t>();
  }
  while (in.left() >= sizeof(double)) c.pattern.push_back(in.take<double>());
  // Counts far outside the accepted range are read as nothing at all.
  const std::size_t length = c.count > 0 && c.count < 8192 ? std::size_t(c.count) : 1;
  std::unique_ptr<double[]> samples(new double[length]);
  for (std::size_t i = 0; i < length; ++i) samples[i] = c.pattern.empty() ? 0.0 : c.pattern[i % c.pattern.size()];
  const std::size_t n = written(c.count);
  std::unique_ptr<double[]> spectrum(new double[n > 0 ? n : 1]);
  for (int k = 0; k < 2; ++k) {
    const int32_t r = uZyvSDKGetFFTData(samples.get(), c.count, c.scale[k], c.window[k], spectrum.get());
    if (r != (n > 0 ? 1 : 0)) __builtin_trap();  // accepted exactly for counts 1..4095
  }
  return 0;
}
