// The pass/fail mask: building it (uZyvSDKPassFailInit) from arbitrary
// references and tolerances, reading it out (uZyvSDKPassFailGetMask) into
// arrays of arbitrary capacity, and checking a simulated record against it
// (uZyvSDKPassFailCheck) at arbitrary rates, record lengths, channels and
// time offsets. Every array has exactly the length the interface names.
#include <memory>
#include <vector>

#include "fuzz_support.h"
#include "uZyvSDK.h"
#include "zyvsim.h"

namespace {

struct Case {
  uint16_t referenceCount = 0;
  int64_t referenceRate = 0;
  int64_t before = 0, after = 0;
  int32_t below = 0, above = 0, factor = 0;
  double divisor = 0;
  int32_t referenceOffset = 0;
  uint8_t flags = 0;  // 1: no reference, 2: no divisor, 4/8: no upper/lower array, 16/32: no upper/lower count, 64: no shift
  uint16_t upperCapacity = 0, lowerCapacity = 0;
  uint16_t recordEighths = 0;  // record length / 8
  int64_t checkRate = 0;
  int32_t channel = 0;
  int64_t timeOffset = 0;
  std::vector<int16_t> pattern;
};

Case decode(fuzz::Input& in) {
  Case c;
  c.referenceCount = in.take<uint16_t>() % 4097;
  c.referenceRate = in.take<int64_t>();
  c.before = in.take<int64_t>();
  c.after = in.take<int64_t>();
  c.below = in.take<int32_t>();
  c.above = in.take<int32_t>();
  c.factor = in.take<int32_t>();
  c.divisor = in.take<double>();
  c.referenceOffset = in.take<int32_t>();
  c.flags = in.take<uint8_t>();
  c.upperCapacity = in.take<uint16_t>() % 5000;
  c.lowerCapacity = in.take<uint16_t>() % 5000;
  c.recordEighths = in.take<uint16_t>() % 513;
  c.checkRate = in.take<int64_t>();
  c.channel = in.take<int32_t>();
  c.timeOffset = in.take<int64_t>();
  while (in.left() >= 2) c.pattern.push_back(in.take<int16_t>());
  return c;
}

void encode(fuzz::Seed& s, const Case& c) {
  s.put(c.referenceCount).put(c.referenceRate).put(c.before).put(c.after).put(c.below).put(c.above).put(c.factor);
  s.put(c.divisor).put(c.referenceOffset).put(c.flags).put(c.upperCapacity).put(c.lowerCapacity);
  s.put(c.recordEighths).put(c.checkRate).put(c.channel).put(c.timeOffset);
  for (int16_t v : c.pattern) s.put(v);
}

// The tests' ramps at 1 GS/s (1000 ps a sample), one code a million units.
fuzz::Seeds seeds() {
  fuzz::Seeds out;
  struct Tolerance {
    int64_t before, after;
    int32_t below, above, offset, channel;
  };
  const Tolerance tolerances[] = {{0, 0, 0, 0, 0, 0},          {2000, 0, 1000000, 0, 0, 1},
                                  {0, 3000, 0, 2000000, 0, 2}, {1000, 1000, 1000000, 1000000, 3000, 3},
                                  {0, 0, 0, 0, -5000, -1},     {0, 0, 0, 0, 0, 4}};
  for (const Tolerance& t : tolerances) {
    Case c;
    c.referenceCount = 16;
    c.referenceRate = 1000000000;
    c.before = t.before;
    c.after = t.after;
    c.below = t.below;
    c.above = t.above;
    c.factor = 1;
    c.divisor = 1.0;
    c.referenceOffset = t.offset;
    c.upperCapacity = 64;
    c.lowerCapacity = 10;
    c.recordEighths = 2;
    c.checkRate = 1000000000;
    c.channel = t.channel;
    for (int i = 0; i < 16; ++i) c.pattern.push_back(int16_t(i * 3));
    fuzz::Seed s;
    encode(s, c);
    out.push_back(s.bytes());
  }
  return out;
}

std::unique_ptr<int16_t[]> codesOf(const std::vector<int16_t>& pattern, std::size_t count) {
  std::unique_ptr<int16_t[]> s(new int16_t[count]);
  for (std::size_t i = 0; i < count; ++i) s[i] = pattern.empty() ? 0 : pattern[i % pattern.size()];
  return s;
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

  const std::size_t referenceLength = c.referenceCount > 0 ? c.referenceCount : 1;
  auto reference = codesOf(c.pattern, referenceLength);
  const double divisor = c.divisor;
  uZyvSDKPassFailInit(c.flags & 1 ? nullptr : reference.get(), c.referenceCount, c.referenceRate, c.before, c.after,
                      c.below, c.above, c.factor, c.flags & 2 ? nullptr : &divisor, c.referenceOffset);

  uZyvSDKSetRecordLength(int32_t(c.recordEighths) * 8);
  uZyvSDKSetSampleRate(c.checkRate);

  std::unique_ptr<int16_t[]> upper(new int16_t[c.upperCapacity > 0 ? c.upperCapacity : 1]);
  std::unique_ptr<int16_t[]> lower(new int16_t[c.lowerCapacity > 0 ? c.lowerCapacity : 1]);
  int32_t upperCount = c.upperCapacity, lowerCount = c.lowerCapacity, shift = 0;
  uZyvSDKPassFailGetMask(c.flags & 4 ? nullptr : upper.get(), c.flags & 16 ? nullptr : &upperCount,
                         c.flags & 8 ? nullptr : lower.get(), c.flags & 32 ? nullptr : &lowerCount,
                         c.flags & 64 ? nullptr : &shift);
  if (upperCount < 0 || upperCount > c.upperCapacity || lowerCount < 0 || lowerCount > c.lowerCapacity)
    __builtin_trap();  // a count written back never exceeds the capacity given

  // Both inputs of both devices play the pattern over the whole block.
  const int32_t block = zyvsim_block_length(0);
  auto played = codesOf(c.pattern, std::size_t(block > 0 ? block : 1));
  for (int32_t device = 0; device < 2; ++device) {
    for (int32_t input = 0; input < 2; ++input) zyvsim_set_samples(0, device, input, played.get(), block);
    zyvsim_set_read_reply(0, device, 0, c.timeOffset);
  }
  int32_t result = 0;
  uZyvSDKPassFailCheck(c.channel, &result);
  uZyvSDKGetErrorCodeEx();
  fuzz::forgetRuntimeLog();
  return 0;
}
