// White-box fixture: a private engine with two channels, unit calibration
// (one count = 1 mV, multiplier 1, so that a level of n counts reads n mV)
// and 1 MS/s, and signal builders.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

#include "measure/engine.h"

namespace meastest {

using Samples = std::vector<int16_t>;

// Runs of constant levels: {{level, count}, ...}.
inline Samples levels(std::initializer_list<std::pair<int, int>> runs) {
  Samples s;
  for (const auto& [level, count] : runs) s.insert(s.end(), std::size_t(count), int16_t(level));
  return s;
}

// A square wave: `high` while (i + shift) mod period < highCount, else `low`.
inline Samples square(int n, int period, int highCount, int shift, int low = -1000, int high = 1000) {
  Samples s(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) s[std::size_t(i)] = int16_t((i + shift) % period < highCount ? high : low);
  return s;
}

// A small deterministic generator for random blocks.
struct Random {
  uint64_t state;
  uint32_t next() {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return uint32_t(state >> 33);
  }
  int32_t between(int32_t lo, int32_t hi) { return lo + int32_t(next() % uint32_t(int64_t(hi) - lo + 1)); }
};

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(engine->Allocate(2));
    in.sampleRate = 1000000;
    for (uzyv::MeasInputChannel& ch : in.channel) {
      ch.gain = 1;
      ch.multiplier = 1;
    }
  }

  // Requests `types` on channel 0 and runs over [start, end) of ch0 (end -1:
  // all of it), with ch1 as reference when it is not empty.
  bool run(std::initializer_list<int32_t> types, int32_t start = 0, int32_t end = -1) {
    engine->ClearRequests();
    for (int32_t t : types) EXPECT_TRUE(engine->RequestType(t)) << t;
    in.channel[0].samples = ch0.empty() ? nullptr : ch0.data();
    in.channel[1].samples = ch1.empty() ? nullptr : ch1.data();
    in.skipMask = ~1u & ~(ch1.empty() ? 0u : 2u);
    if (end < 0) end = int32_t(ch0.size());
    if (!engine->SetRange(-1, start, end)) return false;
    return engine->Run(&in);
  }

  const uzyv::MeasSlot& slot(int32_t type, int channel = 0) const { return engine->channels[channel].slots[type]; }
  bool valid(int32_t type, int channel = 0) const { return slot(type, channel).valid != 0; }
  double raw(int32_t type, int channel = 0) const { return slot(type, channel).raw; }
  uzyv::MeasChannel& channel(int i = 0) { return engine->channels[i]; }
  double result(int32_t type) const {
    double v = -12345;
    EXPECT_TRUE(engine->GetResult(type, &v)) << type;
    return v;
  }

  std::unique_ptr<uzyv::AqMeasurement> engine = std::make_unique<uzyv::AqMeasurement>();
  uzyv::MeasInput in;
  Samples ch0, ch1;
};

}  // namespace meastest
