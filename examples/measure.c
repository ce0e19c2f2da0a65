/* Measurements: a capture of device 0 read as raw codes with its
 * calibration, and the frequency, amplitude, rise time and phase of channel
 * 0 against channel 1 in one call.
 *
 *   measure <folder of Zyvrun.dll>
 */
#include <stdlib.h>

#include "example_common.h"

enum { kRecordLength = 40000 }; /* 4 ms at 10 MS/s: four periods of 1 kHz */

int main(int argc, char** argv) {
  if (example_open(argc, argv) || example_setup(kRecordLength, 10000000) || example_capture()) return 1;

  int16_t* raw = malloc(2 * kRecordLength * sizeof(int16_t));
  double zero[2], base[2], gain[2];
  int32_t status = 0;
  if (!raw) return 1;
  if (!uZyvSDKReadExRaw(0, &status, raw, zero, base, gain, NULL)) {
    free(raw);
    return example_fail("uZyvSDKReadExRaw");
  }

  MeasParams params = {0};
  int64_t rate = 0;
  uZyvSDKGetSampleRate(&rate);
  params.sampleRate = rate;
  for (int input = 0; input < 2; ++input) {
    params.zeroLevel[input] = zero[input];
    params.baseOffset[input] = base[input];
    params.gain[input] = gain[input];
    params.multiplier[input] = 1;
    params.samples[input] = raw + input * kRecordLength;
  }
  /* Phase uses the delays measured in the same run, so Rise Delay and
   * Period are asked for with it. */
  const int32_t types[] = {UZYV_MEAS_FREQUENCY, UZYV_MEAS_PERIOD, UZYV_MEAS_AMPLITUDE,
                           UZYV_MEAS_VRMS,      UZYV_MEAS_RISE_TIME, UZYV_MEAS_RISE_DELAY,
                           UZYV_MEAS_PHASE,     UZYV_MEAS_LIST_END};
  const char* names[] = {"frequency (Hz)", "period (s)", "amplitude (V)", "rms (V)",
                         "rise time (s)", "rise delay (s)", "phase (degrees)"};
  enum { kTypes = sizeof(names) / sizeof(names[0]) };
  uint8_t valid[kTypes] = {0};
  double values[kTypes] = {0};
  if (!uZyvSDKMeasurement(types, 0, kRecordLength, &params, NULL, valid, values)) {
    free(raw);
    return example_fail("uZyvSDKMeasurement");
  }
  for (int i = 0; i < kTypes; ++i) {
    if (valid[i]) printf("%-16s %.6g\n", names[i], values[i]);
    else printf("%-16s not valid\n", names[i]);
  }
  free(raw);
  uZyvSDKShutdown();
  return 0;
}
