/* A program outside the SDK's tree, built only from what an installed SDK
 * provides: one capture on the simulated runtime, read in millivolts and as
 * raw codes, and one measurement. Exits 0 when every step worked and the
 * signal at channel 0 (the simulated instrument's 3 Vpp square) measures as
 * it should.
 *
 *   consumer <folder of Zyvrun.dll>
 */
#include <stdio.h>
#include <stdlib.h>

#include <uZyvSDK.h>

enum { kRecordLength = 10000 };

static int fail(const char* call) {
  const int32_t code = uZyvSDKGetErrorCodeEx();
  fprintf(stderr, "consumer: %s failed with error %d (%s)\n", call, (int)code, uZyvErrorText(code));
  return 1;
}

int main(int argc, char** argv) {
  static double millivolts[2 * kRecordLength];
  static int16_t raw[2 * kRecordLength];
  const int32_t multipliers[2] = {1, 1};
  double zero[2], base[2], gain[2];
  int polls = 0;

  printf("uZyvSDK %s\n", UZYV_VERSION_STRING);
  if (argc < 2) {
    fprintf(stderr, "usage: consumer <folder of Zyvrun.dll>\n");
    return 2;
  }
  if (!uZyvSDKSetWorkDir(argv[1])) return fail("uZyvSDKSetWorkDir");
  if (uZyvSDKInit() <= 0) return fail("uZyvSDKInit");
  if (!uZyvSDKSetVoltDiv(0, 1000000) || !uZyvSDKSetRecordLength(kRecordLength) ||
      !uZyvSDKSetSampleRate(10000000) || !uZyvSDKSetEdgeTrig(0, 0, 0))
    return fail("a setter");
  if (!uZyvSDKCaptureEx()) return fail("uZyvSDKCaptureEx");
  while (!uZyvSDKDataReady())
    if (++polls > 50000000) return fail("uZyvSDKDataReady");
  if (!uZyvSDKReadDbl_mv(0, NULL, millivolts, multipliers)) return fail("uZyvSDKReadDbl_mv");
  if (!uZyvSDKReadExRaw(0, NULL, raw, zero, base, gain, NULL)) return fail("uZyvSDKReadExRaw");

  MeasParams params = {0};
  params.sampleRate = 10000000;
  params.zeroLevel[0] = zero[0];
  params.baseOffset[0] = base[0];
  params.gain[0] = gain[0];
  params.multiplier[0] = 1;
  params.samples[0] = raw;
  const int32_t types[] = {UZYV_MEAS_VPP, UZYV_MEAS_LIST_END};
  uint8_t valid = 0;
  double vpp = 0;
  if (!uZyvSDKMeasurement(types, 0, kRecordLength, &params, NULL, &valid, &vpp))
    return fail("uZyvSDKMeasurement");
  printf("channel 0: first sample %.1f mV, Vpp %.3f V\n", millivolts[0], vpp);
  uZyvSDKShutdown();
  if (!valid || vpp < 2.5 || vpp > 3.5) {
    fprintf(stderr, "consumer: Vpp %.3f V (valid %d), expected about 3 V\n", vpp, valid);
    return 1;
  }
  return 0;
}
