// Per-channel setters and the group-wide setters of the settings cache. Each
// checks its value, runs the guard, writes the cache, then sends; a runtime
// refusal leaves the new value cached.
#include <algorithm>
#include <iterator>

#include "settings/settings.h"

namespace uzyv {

namespace {
constexpr int32_t kVoltDivList[] = {2000,   5000,   10000,   20000,   50000,   100000,
                                    200000, 500000, 1000000, 2000000, 5000000, 10000000};

// Guard of a per-channel setter: open group and a channel that has a record.
// Channel 2N passes the dispatch but has no record, so it is refused here.
template <class Write>
Code setChannelValue(int32_t channel, int32_t id, int32_t sent, Write write) {
  DeviceGroup* group = nullptr;
  if (Code c = requireOpen(group)) return c;
  ChannelState* record = nullptr;
  if (Code c = requireChannelRecord(*group, channel, record)) return c;
  write(*record);
  return sendSetting(channel, id, sent);
}

// Group-wide setting, sent on channel 0.
template <class Write>
Code setGroupValue(int32_t id, uZyvValue sent, Write write) {
  DeviceGroup* group = nullptr;
  if (Code c = requireOpen(group)) return c;
  write(*group);
  return sendSetting(0, id, sent);
}

uZyvValue addressOf(int64_t& value) { return reinterpret_cast<uZyvValue>(&value); }
}  // namespace

bool isListedVoltDiv(int32_t voltDiv) {
  return std::find(std::begin(kVoltDivList), std::end(kVoltDivList), voltDiv) != std::end(kVoltDivList);
}

Code setBwl(int32_t channel, int32_t bwl) {
  if (bwl < 0 || bwl > 2) return UZYV_ERR_VALUE;
  return setChannelValue(channel, kSetBandwidth, bwl, [&](ChannelState& c) { c.setBwl(bwl); });
}

Code setCoupling(int32_t channel, int32_t coupling) {
  if (coupling < 0 || coupling > 2) return UZYV_ERR_VALUE;
  return setChannelValue(channel, kSetCoupling, coupling, [&](ChannelState& c) { c.setCoupling(coupling); });
}

Code setChannelOnOff(int32_t channel, int32_t sentValue) {
  return setChannelValue(channel, kSetChannelOnOff, sentValue, [](ChannelState&) {});
}

Code setAcquireMode(int32_t channel, int32_t mode) {
  if (mode < 0 || mode > 5) return UZYV_ERR_VALUE;
  return setChannelValue(channel, kSetAcquireMode, mode, [&](ChannelState& c) { c.setAcquireMode(mode); });
}

Code setVoltDiv(int32_t channel, int32_t voltDiv, int32_t settingId) {
  if (!isListedVoltDiv(voltDiv)) return UZYV_ERR_VOLTDIV;
  return setChannelValue(channel, settingId, voltDiv, [&](ChannelState& c) { c.voltDiv = voltDiv; });
}

Code setVoltPos(int32_t channel, int32_t pos) {
  if (uint32_t(pos) > 16000u) return UZYV_ERR_POSITION;
  return setChannelValue(channel, kSetVoltPos, pos, [&](ChannelState& c) { c.voltPos = pos; });
}

Code setVoltOfs(int32_t channel, int32_t ofs) {
  // The limit comes from the channel's cached volts/div, so the guard runs first.
  DeviceGroup* group = nullptr;
  if (Code c = requireOpen(group)) return c;
  ChannelState* record = nullptr;
  if (Code c = requireChannelRecord(*group, channel, record)) return c;
  const double v = double(record->voltDiv);
  const int32_t limit = v > 1000000.0 ? 150000000 : v > 1000.0 ? 15000000 : 1500000;
  if (ofs < -limit || ofs > limit) return UZYV_ERR_POSITION;
  record->voltOfs = ofs;
  return sendSetting(channel, kSetVoltOfs, -ofs);
}

Code setTrigCouple(int32_t couple) {
  if (couple < 0 || couple > 3) return UZYV_ERR_VALUE;
  return setGroupValue(kSetTrigCouple, couple, [&](DeviceGroup& g) { g.setTrigCouple(couple); });
}

Code setSampleRate(int64_t rate) {
  return setGroupValue(kSetSampleRate, addressOf(rate), [&](DeviceGroup& g) { g.sampleRate = rate; });
}

Code setRecordLength(int32_t length) {
  // Negative lengths, and lengths whose runtime value (length + 4096) would
  // not fit in 32 bits, are refused as well: reads size buffers from them.
  if (length % 8 != 0 || length < 0 || length > INT32_MAX - 4096) return UZYV_ERR_RECORD_LENGTH;
  return setGroupValue(kSetRecordLength, length + 4096, [&](DeviceGroup& g) { g.recordLength = length; });
}

Code setWaitMode(int32_t mode, int64_t param) {
  if (mode < 0 || mode > 3) return UZYV_ERR_VALUE;
  if (mode != 3) return setGroupValue(kSetWaitMode, mode, [&](DeviceGroup& g) { g.setWaitMode(mode); });
  Code sent = setGroupValue(kSetWaitMode, 3, [&](DeviceGroup& g) {
    g.setWaitMode(3);
    g.waitParam = param;
  });
  if (sent != kOk) return sent;
  return sendSetting(0, kSetWaitParam, addressOf(param));
}

Code setDelayTime(int64_t time) {
  if (time < 0 || time > 50000000000000LL) return UZYV_ERR_DELAY_TIME;
  return setGroupValue(kSetDelayTime, addressOf(time), [&](DeviceGroup& g) { g.delayTime = time; });
}

Code setHoldoffTime(int64_t time) {
  if (time < 0 || time > 10000000000000LL) return UZYV_ERR_HOLDOFF_TIME;
  return setGroupValue(kSetHoldoffTime, addressOf(time), [&](DeviceGroup& g) { g.holdoffTime = time; });
}

Code setTrigPos(int64_t pos) {
  return setGroupValue(kSetTrigPos, addressOf(pos), [&](DeviceGroup& g) { g.trigPos = pos; });
}

Code setHwBit(int32_t bits) {
  DeviceGroup* group = nullptr;
  if (Code c = requireStarted(group)) return c;
  group->hwBit = bits;
  RuntimeApi::SettingEx send = runtime().ZyvSetting;
  return send && send(kSettingExHwBit, bits, 0) ? kOk : kSilent;
}

}  // namespace uzyv

using namespace uzyv;

extern "C" {

UZYV_API int32_t UZYV_CALL uZyvSDKSetBWL(int32_t channel, int32_t bwl) {
  return exportCall(setBwl, channel, bwl);
}
UZYV_API int32_t UZYV_CALL uZyvSDKSetCoupling(int32_t channel, int32_t coupling) {
  return exportCall(setCoupling, channel, coupling);
}
UZYV_API int32_t UZYV_CALL uZyvSDKSetChOnOff(int32_t channel, int32_t onoff) {
  return exportCall(setChannelOnOff, channel, onoff & 0xFF);
}
UZYV_API int32_t UZYV_CALL uZyvSDKSetAcquireMode(int32_t channel, int32_t mode) {
  return exportCall(setAcquireMode, channel, mode);
}
UZYV_API int32_t UZYV_CALL uZyvSDKSetTrigCouple(int32_t couple) {
  return exportCall(setTrigCouple, couple);
}
UZYV_API int32_t UZYV_CALL uZyvSDKSetVoltDiv(int32_t channel, int32_t voltDiv) {
  return exportCall(setVoltDiv, channel, voltDiv, kSetVoltDiv);
}
UZYV_API int32_t UZYV_CALL uZyvSDKSetVoltDivEx(int32_t channel, int32_t voltDiv) {
  return exportCall(setVoltDiv, channel, voltDiv, kSetVoltDivEx);
}
UZYV_API int32_t UZYV_CALL uZyvSDKSetVoltPos(int32_t channel, int32_t pos) {
  return exportCall(setVoltPos, channel, pos);
}
UZYV_API int32_t UZYV_CALL uZyvSDKSetVoltOfs(int32_t channel, int32_t ofs) {
  return exportCall(setVoltOfs, channel, ofs);
}
UZYV_API int32_t UZYV_CALL uZyvSDKSetSampleRate(int64_t rate) {
  return exportCall(setSampleRate, rate);
}
UZYV_API int32_t UZYV_CALL uZyvSDKSetRecordLength(int32_t length) {
  return exportCall(setRecordLength, length);
}
UZYV_API int32_t UZYV_CALL uZyvSDKSetWaitMode(int32_t mode, int64_t param) {
  return exportCall(setWaitMode, mode, param);
}
UZYV_API int32_t UZYV_CALL uZyvSDKSetDelayTime(int64_t time) {
  return exportCall(setDelayTime, time);
}
UZYV_API int32_t UZYV_CALL uZyvSDKSetHoldoffTime(int64_t time) {
  return exportCall(setHoldoffTime, time);
}
UZYV_API int32_t UZYV_CALL uZyvSDKSetTrigPos(int64_t pos) {
  return exportCall(setTrigPos, pos);
}
UZYV_API int32_t UZYV_CALL uZyvSDKSetHwBit(int32_t bits) {
  return exportCall(setHwBit, bits);
}

}  // extern "C"
