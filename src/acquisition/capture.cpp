// Capture control: starting a capture on every device of the group (with the
// block of the application or with the cached settings and trigger),
// stopping, forcing a trigger and polling. The library keeps no capture
// state; the runtime is always asked.
#include <cmath>

#include "acquisition/acquisition.h"
#include "settings/settings.h"

namespace uzyv {

namespace {

// Every channel is armed with setting 5 before a capture; a refusal leaves
// its LastError and the capture start goes on.
void armChannels(const DeviceGroup& group) {
  for (int32_t ch = 0; ch < 2 * group.deviceCount; ++ch) noteFailure(sendSetting(ch, kSetCaptureArm, 1));
}

// The trigger position must lie within half the record's duration,
// evaluated as L * 10^12, then / R, then * 0.5. A rate of 0 makes the half
// infinite (or not a number for an empty record), and both pass.
Code checkTriggerPosition(int32_t recordLength, int64_t sampleRate, int64_t trigPos) {
  const double half = std::fabs(double(recordLength) * 1e12 / double(sampleRate) * 0.5);
  return half < std::fabs(double(trigPos)) ? UZYV_ERR_TRIGGER_POSITION : kOk;
}

Code startCapture(void* params) {
  RuntimeApi::Capture capture = runtime().uZyvCapture;
  if (!capture) return UZYV_ERR_RUNTIME_ENTRIES;
  return capture(params) ? kOk : runtimeFailure();
}

Code captureWithBlock(CaptureParams* params) {
  DeviceGroup* group = nullptr;
  if (Code c = requireOpen(group)) return c;
  if (!params) return UZYV_ERR_POINTER;
  armChannels(*group);
  if (Code c = checkTriggerPosition(params->recordLength, params->sampleRate, params->trigPos)) return c;
  return startCapture(params);
}

Code stopCapture() {
  DeviceGroup* group = nullptr;
  if (requireOpen(group) != kOk) return kOk;
  RuntimeApi::Stop stop = runtime().uZyvStop;
  if (!stop) return kOk;
  return stop() ? kOk : runtimeFailure();
}

// uZyvSDKForceTrig: every device is forced, also after one has failed; the
// runtime's error is read once, after the last. The runtime's results
// combined, 0 when the guard fails (LastError set).
int32_t forceTrigger() {
  DeviceGroup* group = nullptr;
  if (Code c = requireOpen(group)) return failedAnswer(c);
  RuntimeApi::ForceTrig force = runtime().uZyvForceTrig;
  if (!force) return failedAnswer(UZYV_ERR_RUNTIME_ENTRIES);
  int32_t result = 1;
  for (int32_t device = 0; device < group->deviceCount; ++device) result &= force(device);
  if (group->deviceCount > 0 && result == 0) setLastError(runtimeFailure());
  return result;
}

// uZyvSDKGetStatus: the runtime's answer, 0 without a runtime.
int32_t captureStatus(int32_t value) {
  RuntimeApi::GetStatus status = runtime().uZyvGetStatus;
  return status ? status(value) : 0;
}

Code sendGeneratorSetting(int32_t index, uZyvValue value) { return sendSetting(index, kSetFunctionGenerator, value); }

}  // namespace

Code captureWithCache() {
  DeviceGroup* group = nullptr;
  if (Code c = requireOpen(group)) return c;
  armChannels(*group);
  if (Code c = checkTriggerPosition(group->recordLength, group->sampleRate, group->trigPos)) return c;
  if (Code c = sendCachedTrigger(*group)) return c;
  return startCapture(nullptr);
}

int32_t dataReady() {
  DeviceGroup* group = nullptr;
  if (Code c = requireOpen(group)) return failedAnswer(c);
  RuntimeApi::DataReady ready = runtime().uZyvDataReady;
  if (!ready) return failedAnswer(UZYV_ERR_RUNTIME_ENTRIES);
  return ready();
}

}  // namespace uzyv

using namespace uzyv;

extern "C" {

UZYV_API int32_t UZYV_CALL uZyvSDKCapture(CaptureParams* params) { return exportCall(captureWithBlock, params); }
UZYV_API int32_t UZYV_CALL uZyvSDKCaptureEx(void) { return exportCall(captureWithCache); }
UZYV_API int32_t UZYV_CALL uZyvSDKStop(void) { return exportCall(stopCapture); }
UZYV_API int32_t UZYV_CALL uZyvSDKForceTrig(void) { return exportValue(forceTrigger); }
UZYV_API int32_t UZYV_CALL uZyvSDKGetStatus(int32_t value) { return exportValue(captureStatus, value); }
UZYV_API int32_t UZYV_CALL uZyvSDKDataReady(void) { return exportValue(dataReady); }
UZYV_API int32_t UZYV_CALL uZyvSDKFGSetting(int32_t index, uZyvValue value) {
  return exportCall(sendGeneratorSetting, index, value);
}

}  // extern "C"
