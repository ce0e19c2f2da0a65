/* Initialises the simulated instruments and prints each device's
 * information and the settings the SDK holds for its channels. */
#include <stdio.h>
#include <string.h>

#include "uZyvSDK.h"

int main(int argc, char** argv) {
  const char* folder = argc > 1 ? argv[1] : ".";
  if (!uZyvSDKSetWorkDir(folder)) {
    fprintf(stderr, "no runtime in %s (error %d)\n", folder, uZyvSDKGetErrorCodeEx());
    return 1;
  }
  int devices = uZyvSDKInit();
  if (devices <= 0) {
    fprintf(stderr, "initialisation found no device (error %d)\n", uZyvSDKGetErrorCodeEx());
    return 1;
  }
  printf("%d device(s)\n", devices);
  for (int d = 0; d < devices; ++d) {
    char vendor[11] = {0}, product[11] = {0}, serial[17] = {0};
    int32_t hw = 0, fw = 0, pid = 0;
    uint32_t usb = 0;
    double cal[6] = {0};
    uZyvSDKGetVendorName(d, vendor);
    uZyvSDKGetProductName(d, product);
    uZyvSDKGetSerialNum(d, serial);
    uZyvSDKGetHwVer(d, &hw);
    uZyvSDKGetFwVer(d, &fw);
    uZyvSDKGetProductID(d, &pid);
    uZyvSDKGetUsbDeviceHandle(d, &usb);
    uZyvSDKGetCalibrationData(d, cal);
    printf("device %d: %s %s serial %s hw %#x fw %#x product %d usb %#x\n", d, vendor, product, serial,
           (unsigned)hw, (unsigned)fw, (int)pid, (unsigned)usb);
    for (int input = 0; input < 2; ++input) {
      int ch = 2 * d + input;
      int32_t vdiv = 0, pos = 0, ofs = 0, bwl = 0, coupling = 0, mode = 0;
      uZyvSDKGetVoltDiv(ch, &vdiv);
      uZyvSDKGetVoltPos(ch, &pos);
      uZyvSDKGetVoltOfs(ch, &ofs);
      uZyvSDKGetBWL(ch, &bwl);
      uZyvSDKGetCoupling(ch, &coupling);
      uZyvSDKGetAcquireMode(ch, &mode);
      printf("  channel %d: %s, %d uV/div, position %d, offset %d uV, bwl %d, coupling %d, acquire %d,"
             " gain %g mV/count, zero %g, base %g mV\n",
             ch, uZyvSDKGetChOnOff(ch) ? "on" : "off", (int)vdiv, (int)pos, (int)ofs, (int)bwl, (int)coupling,
             (int)mode, cal[3 * input], cal[3 * input + 1], cal[3 * input + 2]);
    }
  }
  int64_t rate = 0, trigPos = 0;
  int32_t length = 0, bits = 0;
  uZyvSDKGetSampleRate(&rate);
  uZyvSDKGetRecordLength(&length);
  uZyvSDKGetHwBit(&bits);
  uZyvSDKGetTrigPos(&trigPos);
  printf("timebase: %lld samples/s, record %d samples, %d bits, trigger position %lld ps\n", (long long)rate,
         (int)length, (int)bits, (long long)trigPos);
  uZyvSDKShutdown();
  return 0;
}
