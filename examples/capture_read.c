/* Capture and read in volts: one triggered capture of device 0, read
 * aligned to the trigger and converted to millivolts, printed in volts.
 *
 *   capture_read <folder of Zyvrun.dll>
 */
#include <stdlib.h>

#include "example_common.h"

enum { kRecordLength = 10000 }; /* 1 ms at 10 MS/s */

int main(int argc, char** argv) {
  if (example_open(argc, argv) || example_setup(kRecordLength, 10000000) || example_capture()) return 1;

  /* Channel 0's samples, then channel 1's; probe factor 1 on both. */
  double* millivolts = malloc(2 * kRecordLength * sizeof(double));
  const int32_t multipliers[2] = {1, 1};
  int32_t status = 0;
  if (!millivolts) return 1;
  if (!uZyvSDKReadDbl_mv(0, &status, millivolts, multipliers)) {
    free(millivolts);
    return example_fail("uZyvSDKReadDbl_mv");
  }
  for (int input = 0; input < 2; ++input) {
    const double* v = millivolts + input * kRecordLength;
    double low = v[0], high = v[0], sum = 0;
    for (int i = 0; i < kRecordLength; ++i) {
      if (v[i] < low) low = v[i];
      if (v[i] > high) high = v[i];
      sum += v[i];
    }
    printf("channel %d: %d samples, min %.3f V, max %.3f V, mean %.3f V, at the trigger %.3f V\n",
           input, kRecordLength, low / 1000, high / 1000, sum / kRecordLength / 1000,
           v[kRecordLength / 2] / 1000);
  }
  free(millivolts);
  uZyvSDKShutdown();
  return 0;
}
