/* Mask test: a mask built from one capture of channel 0 (0.2 division
 * above and below, 1 us either side), then five more captures tested
 * against it.
 *
 *   mask <folder of Zyvrun.dll>
 */
#include <stdlib.h>

#include "example_common.h"

enum { kRecordLength = 10000, kTests = 5 }; /* 1 ms at 10 MS/s */

int main(int argc, char** argv) {
  if (example_open(argc, argv) || example_setup(kRecordLength, 10000000) || example_capture()) return 1;

  /* The reference is the unshifted record with its time offset, as the
   * check reads it. */
  int16_t* raw = malloc(2 * kRecordLength * sizeof(int16_t));
  double zero[2], base[2], gain[2];
  int32_t timeOffset = 0;
  if (!raw) return 1;
  if (!uZyvSDKReadExRaw(0, NULL, raw, zero, base, gain, &timeOffset)) {
    free(raw);
    return example_fail("uZyvSDKReadExRaw");
  }
  /* Amplitude tolerances in microvolts: 200000 uV = 0.2 division at 1 V/div.
   * The library turns them into codes as tolerance / 1000000 x factor /
   * divisor: factor 1000 and the gain (mV per code) as divisor give codes. */
  int64_t rate = 0;
  uZyvSDKGetSampleRate(&rate);
  const double millivoltsPerCode = gain[0];
  const int ok = uZyvSDKPassFailInit(raw, kRecordLength, rate, 1000000, 1000000, 200000, 200000,
                                     1000, &millivoltsPerCode, timeOffset);
  free(raw);
  if (!ok) return example_fail("uZyvSDKPassFailInit");

  int failures = 0;
  for (int i = 0; i < kTests; ++i) {
    int32_t result = 0;
    if (example_capture()) return 1;
    if (!uZyvSDKPassFailCheck(0, &result)) return example_fail("uZyvSDKPassFailCheck");
    if (result == -1) {
      printf("capture %d: pass\n", i + 1);
    } else {
      printf("capture %d: fail at step %d\n", i + 1, (int)result);
      ++failures;
    }
  }
  printf("%d of %d captures passed\n", kTests - failures, kTests);
  uZyvSDKShutdown();
  return failures ? 3 : 0;
}
