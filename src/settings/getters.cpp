// Getters of the settings cache: they answer from the cache and never ask
// the runtime. Before the group table exists they return 0 silently.
#include "settings/settings.h"

namespace uzyv {

namespace {
// A null output pointer is refused with 1 rather than written through.
template <class Read>
Code readGroupValue(bool outputsPresent, Read read) {
  if (!library().groups) return kSilent;
  DeviceGroup* group = nullptr;
  if (Code c = requireOpen(group)) return c;
  if (!outputsPresent) return UZYV_ERR_POINTER;
  read(*group);
  return kOk;
}

template <class Read>
Code readChannel(int32_t channel, int32_t* out, Read read) {
  if (!library().groups) return kSilent;
  DeviceGroup* group = nullptr;
  if (Code c = requireOpen(group)) return c;
  ChannelState* record = nullptr;
  if (Code c = requireChannelRecord(*group, channel, record)) return c;
  if (!out) return UZYV_ERR_POINTER;
  *out = read(*record);
  return kOk;
}
}  // namespace

}  // namespace uzyv

using namespace uzyv;

extern "C" {

UZYV_API int32_t UZYV_CALL uZyvSDKGetBWL(int32_t channel, int32_t* bwl) {
  return exportCall([&] { return readChannel(channel, bwl, [](const ChannelState& c) { return c.bwl(); }); });
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetCoupling(int32_t channel, int32_t* coupling) {
  return exportCall([&] { return readChannel(channel, coupling, [](const ChannelState& c) { return c.coupling(); }); });
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetAcquireMode(int32_t channel, int32_t* mode) {
  return exportCall([&] { return readChannel(channel, mode, [](const ChannelState& c) { return c.acquireMode(); }); });
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetVoltDiv(int32_t channel, int32_t* voltDiv) {
  return exportCall([&] { return readChannel(channel, voltDiv, [](const ChannelState& c) { return c.voltDiv; }); });
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetVoltPos(int32_t channel, int32_t* pos) {
  return exportCall([&] { return readChannel(channel, pos, [](const ChannelState& c) { return c.voltPos; }); });
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetVoltOfs(int32_t channel, int32_t* ofs) {
  return exportCall([&] { return readChannel(channel, ofs, [](const ChannelState& c) { return c.voltOfs; }); });
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetTrigCouple(int32_t* couple) {
  return exportCall([&] { return readGroupValue(couple != nullptr, [&](DeviceGroup& g) { *couple = g.trigCouple(); }); });
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetSampleRate(int64_t* rate) {
  return exportCall([&] { return readGroupValue(rate != nullptr, [&](DeviceGroup& g) { *rate = g.sampleRate; }); });
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetRecordLength(int32_t* length) {
  return exportCall([&] { return readGroupValue(length != nullptr, [&](DeviceGroup& g) { *length = g.recordLength; }); });
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetWaitMode(int32_t* mode, int64_t* param) {
  return exportCall([&] {
    return readGroupValue(mode && param, [&](DeviceGroup& g) {
      *mode = g.waitMode();
      *param = g.waitParam;
    });
  });
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetDelayTime(int64_t* time) {
  return exportCall([&] { return readGroupValue(time != nullptr, [&](DeviceGroup& g) { *time = g.delayTime; }); });
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetHoldoffTime(int64_t* time) {
  return exportCall([&] { return readGroupValue(time != nullptr, [&](DeviceGroup& g) { *time = g.holdoffTime; }); });
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetTrigPos(int64_t* pos) {
  return exportCall([&] { return readGroupValue(pos != nullptr, [&](DeviceGroup& g) { *pos = g.trigPos; }); });
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetHwBit(int32_t* bits) {
  return exportCall([&] { return readGroupValue(bits != nullptr, [&](DeviceGroup& g) { *bits = g.hwBit; }); });
}

}  // extern "C"
