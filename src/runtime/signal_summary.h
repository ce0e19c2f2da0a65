// The record that the optional runtime entry ZyvHwInfo fills for selector
// 306: per device, the highest and lowest raw code of each input in the
// last capture and the reading from which autoset derives the sample rate.
#pragma once

#include <cstddef>
#include <cstdint>

namespace uzyv {

struct SignalSummary {
  int32_t request;  // 3 before the first query of a run, then passed on unchanged
  int32_t codeMax0;
  int32_t codeMin0;
  int32_t codeMax1;
  int32_t codeMin1;
  int32_t rateReading;
};
static_assert(sizeof(SignalSummary) == 24);
static_assert(offsetof(SignalSummary, request) == 0 && offsetof(SignalSummary, codeMax0) == 4 &&
              offsetof(SignalSummary, codeMin0) == 8 && offsetof(SignalSummary, codeMax1) == 12 &&
              offsetof(SignalSummary, codeMin1) == 16 && offsetof(SignalSummary, rateReading) == 20);

inline constexpr int32_t kSummaryFirstRequest = 3;

}  // namespace uzyv
