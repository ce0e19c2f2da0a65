/* Spectrum: the amplitude spectrum of channel 0 in dB re 1 V, Hanning
 * window, and its strongest bin. The spectrum needs no instrument; here it
 * is taken of a capture.
 *
 *   spectrum <folder of Zyvrun.dll>
 */
#include "example_common.h"

/* 2048 samples at 200 kS/s: 10.24 ms, ten periods of 1 kHz, bins of 97.7 Hz */
enum { kRecordLength = 2048, kPoints = 2048 };

int main(int argc, char** argv) {
  if (example_open(argc, argv) || example_setup(kRecordLength, 200000) || example_capture()) return 1;

  static double millivolts[2 * kRecordLength];
  static double spectrum[kPoints];
  const int32_t multipliers[2] = {1, 1};
  if (!uZyvSDKReadDbl_mv(0, NULL, millivolts, multipliers)) return example_fail("uZyvSDKReadDbl_mv");
  /* 2048 samples in millivolts, scale 1 (dB re 1 V), window 2 (Hanning). */
  if (!uZyvSDKGetFFTData(millivolts, kPoints, 1, 2, spectrum)) return example_fail("uZyvSDKGetFFTData");

  /* Each bin is written twice: bin j is at positions 2j and 2j + 1, at
   * frequency j x rate / N. Bin 0 (DC) is left out of the search. */
  int64_t rate = 0;
  uZyvSDKGetSampleRate(&rate);
  int peak = 1;
  for (int bin = 1; bin < kPoints / 2; ++bin)
    if (spectrum[2 * bin] > spectrum[2 * peak]) peak = bin;
  printf("%d bins of %.1f Hz; strongest at %.0f Hz: %.2f dBV\n", kPoints / 2,
         (double)rate / kPoints, (double)peak * (double)rate / kPoints, spectrum[2 * peak]);
  uZyvSDKShutdown();
  return 0;
}
