// The signal summaries of the simulated instrument: the answer of ZyvHwInfo
// with selector 306, scripted per device by the tests.
#pragma once

#include <cstdint>

#include "hub/instance.h"

namespace zyvsim {

inline constexpr int32_t kSummarySelector = 306;
inline constexpr std::size_t kSummaryBytes = 24;

// Fills the 24-byte record at `buffer` for one device of the instance; 0
// with `errorCode` set for an unknown selector, device or buffer.
int32_t answerSummary(int32_t index, const Instance& in, int32_t device, int32_t selector, void* buffer,
                      int32_t& errorCode);

}  // namespace zyvsim
