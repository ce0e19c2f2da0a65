// Channel and timebase setters of the settings cache. The exports and the
// settings file apply settings through these same operations.
#pragma once

#include "core/groups.h"

namespace uzyv {

// The low 32 bits of a 64-bit value, as an int32 argument.
inline int32_t low32(int64_t v) { return int32_t(uint32_t(uint64_t(v))); }

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

// Getters of the cache: kSilent before the group table exists, then the
// guard, then 1 for a null output.
Code getBwl(int32_t channel, int32_t* bwl);
Code getCoupling(int32_t channel, int32_t* coupling);
Code getAcquireMode(int32_t channel, int32_t* mode);
Code getVoltDiv(int32_t channel, int32_t* voltDiv);
Code getVoltPos(int32_t channel, int32_t* pos);
Code getVoltOfs(int32_t channel, int32_t* ofs);
Code getTrigCouple(int32_t* couple);
Code getSampleRate(int64_t* rate);
Code getRecordLength(int32_t* length);
Code getWaitMode(int32_t* mode, int64_t* param);
Code getDelayTime(int64_t* time);
Code getHoldoffTime(int64_t* time);
Code getTrigPos(int64_t* pos);
Code getHwBit(int32_t* bits);

// Trigger setters: they check their arguments and store the trigger in the
// group's cache without sending it. kSilent for the video and runt setters'
// refusal of a source other than 0 or 1.
Code setEdgeTrig(int32_t source, int32_t mode, int64_t level);
Code setVideoTrig(int32_t source, int32_t mode, int32_t value);
Code setRuntTrig(int32_t source, int32_t selA, int32_t selB, int32_t value, int64_t value64, int64_t level,
                 int64_t level2);
Code setWidthTrig(int32_t source, int32_t selA, int32_t selB, int32_t value, int64_t value64, int64_t level);
Code setPatternTrig(int32_t source, int32_t source2, int32_t value, int32_t value2, int32_t flag, int64_t value64,
                    int64_t level, int64_t level2);
Code setStateTrig(int32_t source, int32_t source2, int32_t value, int32_t value2, int32_t flag, int64_t level,
                  int64_t level2);

// Builds the record of the group's cached trigger, with each level taken
// relative to its source channel's offset as cached now, and sends it as
// setting 10. A source without a channel record (the external input, source
// 2 of a one-device group) counts as offset 0.
Code sendCachedTrigger(const DeviceGroup& group);

// uZyvSDKReadIniFile: applies each recognised line of the file at once;
// the first refusal stops the file.
Code applySettingsFile(const char* path);

}  // namespace uzyv
