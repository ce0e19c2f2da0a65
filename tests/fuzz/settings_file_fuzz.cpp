// The settings-file reader on arbitrary file contents, applied to an open
// simulated group.
#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "fuzz_support.h"
#include "uZyvSDK.h"

namespace {
// The file lives in memory and is opened by the library under its
// descriptor's name, so that no run leaves a file behind.
int g_file = -1;
std::string g_path;

fuzz::Seeds seeds() {
  const char* texts[] = {
      "; bench set-up\nSampleRate   = 100000000\nRecordLength = 4000\nVoltDiv      = 0, 500000\n"
      "VoltOfs      = 0, -200000     ; microvolts\nChOnOff      = 1, 0\nTrigEdge     = 0, 0, 150000\n",
      "VoltDiv=0,2000\nRecordLength=1001\nVoltDiv=1,5000\n",
      "VoltDiv=0,abc\nVoltDiv=1,5000\n",
      "TrigVideo=2,0,0\nVoltDiv=1,5000\n",
      "TrigRunt=2\nTrigWidth=0,0,0,0,0,0\nHwBit=12\n",
      "tRiGpOs=1\r\nTRIGPOS=2\r\n",
      "VoltDivEx=0,2000\nVOLTDIV=0,5000\n",
      "=5\nTrigPos\nTrigPos5\n;TrigPos=1\nTrig;Pos=1\nTrigPos=7=8\n",
      "TrigPattern=0,1,2,3,1,5,6,7\nTrigState=0,1,2,3,1,5,6\nWaitMode=3,99999999999\n",
      "BandWidth=1,2\nCoupling=0,1\nAcquire=3,4\nVoltPos=2,16000\nTrigDelay=-1\nHoldOff=10000000000000\n"
      "TrigCoupling=3\nSampleRate=-9223372036854775808\nRecordLength=99999999999999999999999\n",
  };
  fuzz::Seeds out;
  for (const char* t : texts) out.emplace_back(t, t + std::string(t).size());
  return out;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::writeSeedsIfAsked(seeds());
  g_file = memfd_create("settings", MFD_CLOEXEC);
  if (g_file < 0) return 1;
  g_path = "/proc/self/fd/" + std::to_string(g_file);
  fuzz::openSimulatedGroup();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (ftruncate(g_file, 0) != 0 || pwrite(g_file, data, size, 0) != ssize_t(size)) return 0;
  // Each file starts from the library's defaults.
  uZyvSDKInit();
  uZyvSDKReadIniFile(g_path.c_str());
  uZyvSDKGetErrorCodeEx();
  fuzz::forgetRuntimeLog();
  return 0;
}
