/* What every example does first and last: start the library on the runtime
 * in a folder, set up one capture and wait for its data. */
#ifndef EXAMPLE_COMMON_H
#define EXAMPLE_COMMON_H

#include <stdio.h>
#include <time.h>

#include "uZyvSDK.h"

/* Prints the failed call with its LastError and its text; returns 1. */
static inline int example_fail(const char* call) {
  const int32_t code = uZyvSDKGetErrorCodeEx();
  fprintf(stderr, "%s failed: error %d (%s)\n", call, (int)code, uZyvErrorText(code));
  return 1;
}

/* The runtime folder comes from the command line: the folder that holds
 * Zyvrun.dll (the simulated runtime's folder to try the examples). */
static inline int example_open(int argc, char** argv) {
  const char* folder = argc > 1 ? argv[1] : ".";
  if (!uZyvSDKSetWorkDir(folder)) return example_fail("uZyvSDKSetWorkDir");
  if (uZyvSDKInit() <= 0) return example_fail("uZyvSDKInit");
  return 0;
}

/* 1 V/div on both inputs of device 0, a record of the given length and
 * rate, rising edge at 0 V on channel 0. */
static inline int example_setup(int32_t recordLength, int64_t sampleRate) {
  for (int32_t channel = 0; channel < 2; ++channel) {
    if (!uZyvSDKSetChOnOff(channel, 1)) return example_fail("uZyvSDKSetChOnOff");
    if (!uZyvSDKSetVoltDiv(channel, 1000000)) return example_fail("uZyvSDKSetVoltDiv");
    if (!uZyvSDKSetVoltPos(channel, 8000)) return example_fail("uZyvSDKSetVoltPos");
  }
  if (!uZyvSDKSetRecordLength(recordLength)) return example_fail("uZyvSDKSetRecordLength");
  if (!uZyvSDKSetSampleRate(sampleRate)) return example_fail("uZyvSDKSetSampleRate");
  if (!uZyvSDKSetEdgeTrig(0, 0, 0)) return example_fail("uZyvSDKSetEdgeTrig");
  return 0;
}

/* Starts a capture and waits up to two seconds for its data, forcing the
 * trigger once when none came within the first second. */
static inline int example_capture(void) {
  if (!uZyvSDKCaptureEx()) return example_fail("uZyvSDKCaptureEx");
  const clock_t start = clock();
  int forced = 0;
  while (!uZyvSDKDataReady()) {
    const double waited = (double)(clock() - start) / CLOCKS_PER_SEC;
    if (waited > 1.0 && !forced) {
      if (!uZyvSDKForceTrig()) return example_fail("uZyvSDKForceTrig");
      forced = 1;
    }
    if (waited > 2.0) {
      fprintf(stderr, "no data within 2 s\n");
      return 1;
    }
  }
  return 0;
}

#endif /* EXAMPLE_COMMON_H */
