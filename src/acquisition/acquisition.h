// Capture control and waveform reads as the exports, the pass/fail test and
// autoset use them.
#pragma once

#include "core/groups.h"

namespace uzyv {

// uZyvSDKCaptureEx: arms every channel, checks the trigger position against
// the cached record, sends the cached trigger and starts the capture.
Code captureWithCache();

// uZyvSDKDataReady: the runtime's answer; 0 when the guard fails (LastError
// set).
int32_t dataReady();

// uZyvSDKReadExRaw. On success `readResult` holds the runtime's non-zero
// result of the read.
Code readRaw(int32_t device, int32_t* status, int16_t* samples, double* zeroLevels, double* baseOffsets,
             double* gains, int32_t* timeOffset, int32_t& readResult);

// uZyvSDKReadDbl_mv, or uZyvSDKReadDbl_uv when `microvolts` is true.
Code readPhysical(int32_t device, int32_t* status, double* out, const int32_t* multipliers, bool microvolts);

}  // namespace uzyv
