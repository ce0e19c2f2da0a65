// Channel and timebase setters of the settings cache. The exports and the
// settings file apply settings through these same operations.
#pragma once

#include "core/library.h"

namespace uzyv {

// The twelve accepted volts/div values, microvolts per division.
bool isListedVoltDiv(int32_t voltDiv);

Code setBwl(int32_t channel, int32_t bwl);
Code setCoupling(int32_t channel, int32_t coupling);
Code setChannelOnOff(int32_t channel, int32_t sentValue);  // sends the value as it is
Code setAcquireMode(int32_t channel, int32_t mode);
Code setTrigCouple(int32_t couple);
Code setVoltDiv(int32_t channel, int32_t voltDiv, int32_t settingId);
Code setVoltPos(int32_t channel, int32_t pos);
Code setVoltOfs(int32_t channel, int32_t ofs);
Code setSampleRate(int64_t rate);
Code setRecordLength(int32_t length);
Code setWaitMode(int32_t mode, int64_t param);
Code setDelayTime(int64_t time);
Code setHoldoffTime(int64_t time);
Code setTrigPos(int64_t pos);
Code setHwBit(int32_t bits);  // kSilent when the runtime refuses

}  // namespace uzyv
