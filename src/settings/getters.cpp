// Getters of the settings cache: they answer from the cache and never ask
// the runtime. Before the group table exists they return 0 silently.
#include <cstring>

#include "settings/settings.h"

namespace uzyv {

namespace {
// An output the caller cannot take (null, read-only, too short) is refused
// with 1 rather than written through. Values are copied bytewise, so that an
// output at any address takes them.
template <class T>
bool takesValue(const T* out) {
  return requireWritable(out, sizeof *out) == kOk;
}
template <class T>
void writeOut(T* out, T value) {
  std::memcpy(out, &value, sizeof value);
}

template <class Read>
Code readGroupValue(bool outputsWritable, Read read) {
  if (!core().groups) return kSilent;
  DeviceGroup* group = nullptr;
  if (Code c = requireOpen(group)) return c;
  if (!outputsWritable) return UZYV_ERR_POINTER;
  read(*group);
  return kOk;
}

template <class Read>
Code readChannel(int32_t channel, int32_t* out, Read read) {
  if (!core().groups) return kSilent;
  DeviceGroup* group = nullptr;
  if (Code c = requireOpen(group)) return c;
  ChannelState* record = nullptr;
  if (Code c = requireChannelRecord(*group, channel, record)) return c;
  if (!takesValue(out)) return UZYV_ERR_POINTER;
  writeOut<int32_t>(out, read(*record));
  return kOk;
}
}  // namespace

Code getBwl(int32_t channel, int32_t* bwl) {
  return readChannel(channel, bwl, [](const ChannelState& c) { return c.bwl(); });
}
Code getCoupling(int32_t channel, int32_t* coupling) {
  return readChannel(channel, coupling, [](const ChannelState& c) { return c.coupling(); });
}
Code getAcquireMode(int32_t channel, int32_t* mode) {
  return readChannel(channel, mode, [](const ChannelState& c) { return c.acquireMode(); });
}
Code getVoltDiv(int32_t channel, int32_t* voltDiv) {
  return readChannel(channel, voltDiv, [](const ChannelState& c) { return c.voltDiv; });
}
Code getVoltPos(int32_t channel, int32_t* pos) {
  return readChannel(channel, pos, [](const ChannelState& c) { return c.voltPos; });
}
Code getVoltOfs(int32_t channel, int32_t* ofs) {
  return readChannel(channel, ofs, [](const ChannelState& c) { return c.voltOfs; });
}
Code getTrigCouple(int32_t* couple) {
  return readGroupValue(takesValue(couple), [&](const DeviceGroup& g) { writeOut(couple, g.trigCouple()); });
}
Code getSampleRate(int64_t* rate) {
  return readGroupValue(takesValue(rate), [&](const DeviceGroup& g) { writeOut(rate, g.sampleRate); });
}
Code getRecordLength(int32_t* length) {
  return readGroupValue(takesValue(length), [&](const DeviceGroup& g) { writeOut(length, g.recordLength); });
}
Code getWaitMode(int32_t* mode, int64_t* param) {
  return readGroupValue(takesValue(mode) && takesValue(param), [&](const DeviceGroup& g) {
    writeOut<int32_t>(mode, g.waitMode());
    writeOut<int64_t>(param, g.waitParam);
  });
}
Code getDelayTime(int64_t* time) {
  return readGroupValue(takesValue(time), [&](const DeviceGroup& g) { writeOut(time, g.delayTime); });
}
Code getHoldoffTime(int64_t* time) {
  return readGroupValue(takesValue(time), [&](const DeviceGroup& g) { writeOut(time, g.holdoffTime); });
}
Code getTrigPos(int64_t* pos) {
  return readGroupValue(takesValue(pos), [&](const DeviceGroup& g) { writeOut(pos, g.trigPos); });
}
Code getHwBit(int32_t* bits) {
  return readGroupValue(takesValue(bits), [&](const DeviceGroup& g) { writeOut(bits, g.hwBit); });
}

}  // namespace uzyv

using namespace uzyv;

extern "C" {

UZYV_API int32_t UZYV_CALL uZyvSDKGetBWL(int32_t channel, int32_t* bwl) { return exportCall(getBwl, channel, bwl); }
UZYV_API int32_t UZYV_CALL uZyvSDKGetCoupling(int32_t channel, int32_t* coupling) {
  return exportCall(getCoupling, channel, coupling);
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetAcquireMode(int32_t channel, int32_t* mode) {
  return exportCall(getAcquireMode, channel, mode);
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetVoltDiv(int32_t channel, int32_t* voltDiv) {
  return exportCall(getVoltDiv, channel, voltDiv);
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetVoltPos(int32_t channel, int32_t* pos) {
  return exportCall(getVoltPos, channel, pos);
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetVoltOfs(int32_t channel, int32_t* ofs) {
  return exportCall(getVoltOfs, channel, ofs);
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetTrigCouple(int32_t* couple) { return exportCall(getTrigCouple, couple); }
UZYV_API int32_t UZYV_CALL uZyvSDKGetSampleRate(int64_t* rate) { return exportCall(getSampleRate, rate); }
UZYV_API int32_t UZYV_CALL uZyvSDKGetRecordLength(int32_t* length) { return exportCall(getRecordLength, length); }
UZYV_API int32_t UZYV_CALL uZyvSDKGetWaitMode(int32_t* mode, int64_t* param) {
  return exportCall(getWaitMode, mode, param);
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetDelayTime(int64_t* time) { return exportCall(getDelayTime, time); }
UZYV_API int32_t UZYV_CALL uZyvSDKGetHoldoffTime(int64_t* time) { return exportCall(getHoldoffTime, time); }
UZYV_API int32_t UZYV_CALL uZyvSDKGetTrigPos(int64_t* pos) { return exportCall(getTrigPos, pos); }
UZYV_API int32_t UZYV_CALL uZyvSDKGetHwBit(int32_t* bits) { return exportCall(getHwBit, bits); }

}  // extern "C"
