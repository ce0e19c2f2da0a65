// The setting dispatch, the typed setters and getters and their cache.
#include <cstring>

#include "support/sdk.h"

using namespace sdktest;

namespace {

class Settings : public SdkTest {
 protected:
  void SetUp() override {
    SdkTest::SetUp();
    ASSERT_EQ(2, openGroup());  // four channels
    zyvsim_clear_log(0);
  }
};

}  // namespace

TEST_F(Settings, DispatchForwardsUpToChannel2N) {
  EXPECT_EQ(1, SDK(uZyvSDKSetting)(4, 99, 12345));
  EXPECT_EQ((Sent{{4, 99, 12345}}), sentSettings());
  for (int32_t bad : {5, -1}) {
    EXPECT_EQ(0, SDK(uZyvSDKSetting)(bad, 1, 0));
    EXPECT_EQ(UZYV_ERR_CHANNEL, lastError());
  }
  EXPECT_TRUE(sentSettings().empty());
}

TEST_F(Settings, PointerSizedValuesReachTheRuntimeWhole) {
  // Top bits set: a value cut to 32 bits on the way loses them on 64-bit
  // hosts; on 32-bit hosts it is a negative number, sign-extended in the log.
  const auto wide = uZyvValue(~uintptr_t(0) << (8 * sizeof(uZyvValue) - 4) | 0x5A5A);
  EXPECT_EQ(1, SDK(uZyvSDKSetting)(1, 99, wide));
  EXPECT_EQ(1, SDK(uZyvSDKFGSetting)(2, wide));
  EXPECT_EQ((Sent{{1, 99, int64_t(wide)}, {2, 0x62170003, int64_t(wide)}}), sentSettings());
  EXPECT_EQ(1, SDK(uZyvSDKRead)(wide));
  const auto reads = calls(0, "uZyvRead");
  ASSERT_EQ(1u, reads.size());
  EXPECT_EQ(int64_t(wide), reads[0].arg[0]);
}

struct ChannelSetterCase {
  const char* name;
  int32_t (*set)(int32_t channel, int32_t value);
  int32_t (*get)(int32_t channel, int32_t* value);
  int32_t id;
  int32_t good;
  int32_t bad;
  int32_t badError;
};

int32_t setBwl(int32_t c, int32_t v) { return SDK(uZyvSDKSetBWL)(c, v); }
int32_t setCoupling(int32_t c, int32_t v) { return SDK(uZyvSDKSetCoupling)(c, v); }
int32_t setAcquire(int32_t c, int32_t v) { return SDK(uZyvSDKSetAcquireMode)(c, v); }
int32_t setVoltDiv(int32_t c, int32_t v) { return SDK(uZyvSDKSetVoltDiv)(c, v); }
int32_t setVoltDivEx(int32_t c, int32_t v) { return SDK(uZyvSDKSetVoltDivEx)(c, v); }
int32_t setVoltPos(int32_t c, int32_t v) { return SDK(uZyvSDKSetVoltPos)(c, v); }
int32_t getBwl(int32_t c, int32_t* v) { return SDK(uZyvSDKGetBWL)(c, v); }
int32_t getCoupling(int32_t c, int32_t* v) { return SDK(uZyvSDKGetCoupling)(c, v); }
int32_t getAcquire(int32_t c, int32_t* v) { return SDK(uZyvSDKGetAcquireMode)(c, v); }
int32_t getVoltDiv(int32_t c, int32_t* v) { return SDK(uZyvSDKGetVoltDiv)(c, v); }
int32_t getVoltPos(int32_t c, int32_t* v) { return SDK(uZyvSDKGetVoltPos)(c, v); }

class ChannelSetter : public Settings, public ::testing::WithParamInterface<ChannelSetterCase> {};

TEST_P(ChannelSetter, ChecksCachesAndSends) {
  const ChannelSetterCase& c = GetParam();
  int32_t before = 0, now = 0;
  ASSERT_EQ(1, c.get(3, &before));

  EXPECT_EQ(1, c.set(3, c.good));
  EXPECT_EQ((Sent{{3, c.id, c.good}}), sentSettings());
  EXPECT_EQ(1, c.get(3, &now));
  EXPECT_EQ(c.good, now);
  int32_t other = 0;
  ASSERT_EQ(1, c.get(2, &other));
  EXPECT_EQ(before, other) << "only the named channel changes";

  EXPECT_EQ(0, c.set(3, c.bad));
  EXPECT_EQ(c.badError, lastError());
  EXPECT_EQ(1, c.get(3, &now));
  EXPECT_EQ(c.good, now) << "a refused value is not cached";

  // Channel 2N passes the dispatch but has no record: refused, nothing read
  // or written past the records.
  for (int32_t channel : {4, 5, -1}) {
    EXPECT_EQ(0, c.set(channel, c.good));
    EXPECT_EQ(UZYV_ERR_CHANNEL, lastError());
    EXPECT_EQ(0, c.get(channel, &now));
    EXPECT_EQ(UZYV_ERR_CHANNEL, lastError());
  }
  EXPECT_TRUE(sentSettings().empty());

  // A runtime refusal keeps the new value cached.
  zyvsim_fail(0, "uZyvSetting", c.id, 0, 1);
  EXPECT_EQ(0, c.set(1, c.good));
  EXPECT_EQ(UZYV_ERR_RUNTIME_1, lastError());
  EXPECT_EQ(1, c.get(1, &now));
  EXPECT_EQ(c.good, now);
}

INSTANTIATE_TEST_SUITE_P(
    Setters, ChannelSetter,
    ::testing::Values(ChannelSetterCase{"BWL", setBwl, getBwl, 2, 2, 3, UZYV_ERR_VALUE},
                      ChannelSetterCase{"Coupling", setCoupling, getCoupling, 1, 2, -1, UZYV_ERR_VALUE},
                      ChannelSetterCase{"AcquireMode", setAcquire, getAcquire, 4, 5, 6, UZYV_ERR_VALUE},
                      ChannelSetterCase{"VoltDiv", setVoltDiv, getVoltDiv, 7, 10000000, 3000, UZYV_ERR_VOLTDIV},
                      ChannelSetterCase{"VoltDivEx", setVoltDivEx, getVoltDiv, 17, 2000, 0, UZYV_ERR_VOLTDIV},
                      ChannelSetterCase{"VoltPos", setVoltPos, getVoltPos, 8, 16000, 16001, UZYV_ERR_POSITION},
                      ChannelSetterCase{"VoltPosNegative", setVoltPos, getVoltPos, 8, 0, -1, UZYV_ERR_POSITION}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Settings, EveryListedVoltDivIsAccepted) {
  for (int32_t v : {2000, 5000, 10000, 20000, 50000, 100000, 200000, 500000, 1000000, 2000000, 5000000, 10000000})
    EXPECT_EQ(1, SDK(uZyvSDKSetVoltDiv)(0, v)) << v;
  for (int32_t v : {0, 1000, 2001, 20000000, -2000}) {
    EXPECT_EQ(0, SDK(uZyvSDKSetVoltDiv)(0, v)) << v;
    EXPECT_EQ(UZYV_ERR_VOLTDIV, lastError());
  }
}

TEST_F(Settings, ValueChecksComeBeforeTheGuard) {
  unloadSdk();
  reloadSdk();
  EXPECT_EQ(0, SDK(uZyvSDKSetBWL)(0, 7));
  EXPECT_EQ(UZYV_ERR_VALUE, lastError());
  EXPECT_EQ(0, SDK(uZyvSDKSetVoltDiv)(0, 7));
  EXPECT_EQ(UZYV_ERR_VOLTDIV, lastError());
  EXPECT_EQ(0, SDK(uZyvSDKSetRecordLength)(7));
  EXPECT_EQ(UZYV_ERR_RECORD_LENGTH, lastError());
  EXPECT_EQ(0, SDK(uZyvSDKSetDelayTime)(-1));
  EXPECT_EQ(UZYV_ERR_DELAY_TIME, lastError());
  EXPECT_EQ(0, SDK(uZyvSDKSetBWL)(0, 1));
  EXPECT_EQ(UZYV_ERR_NOT_OPEN, lastError());
  // The offset needs the cached volts/div: the guard comes first.
  EXPECT_EQ(0, SDK(uZyvSDKSetVoltOfs)(0, 999999999));
  EXPECT_EQ(UZYV_ERR_NOT_OPEN, lastError());
  // Getters before the group table exists: 0, LastError untouched.
  int32_t v = 0;
  EXPECT_EQ(0, SDK(uZyvSDKGetBWL)(0, &v));
  EXPECT_EQ(0, SDK(uZyvSDKGetRecordLength)(&v));
  EXPECT_EQ(0, lastError());
}

TEST_F(Settings, VoltOffsetLimitFollowsTheCachedVoltDiv) {
  EXPECT_EQ(1, SDK(uZyvSDKSetVoltOfs)(1, 15000000));
  EXPECT_EQ(1, SDK(uZyvSDKSetVoltOfs)(1, -15000000));
  EXPECT_EQ((Sent{{1, 9, -15000000}, {1, 9, 15000000}}), sentSettings());
  EXPECT_EQ(0, SDK(uZyvSDKSetVoltOfs)(1, 15000001));
  EXPECT_EQ(UZYV_ERR_POSITION, lastError());
  ASSERT_EQ(1, SDK(uZyvSDKSetVoltDiv)(1, 2000000));
  EXPECT_EQ(1, SDK(uZyvSDKSetVoltOfs)(1, 150000000));
  EXPECT_EQ(0, SDK(uZyvSDKSetVoltOfs)(1, -150000001));
  EXPECT_EQ(UZYV_ERR_POSITION, lastError());
  int32_t ofs = 0;
  EXPECT_EQ(1, SDK(uZyvSDKGetVoltOfs)(1, &ofs));
  EXPECT_EQ(150000000, ofs) << "cached as given, not negated";
  // A later finer volts/div does not re-check the offset already set.
  ASSERT_EQ(1, SDK(uZyvSDKSetVoltDiv)(1, 2000));
  EXPECT_EQ(1, SDK(uZyvSDKGetVoltOfs)(1, &ofs));
  EXPECT_EQ(150000000, ofs);
  for (int32_t ch : {4, -1}) {
    EXPECT_EQ(0, SDK(uZyvSDKSetVoltOfs)(ch, 0));
    EXPECT_EQ(UZYV_ERR_CHANNEL, lastError());
  }
}

TEST_F(Settings, ChannelOnOffSendsTheLow8BitsAndAsksTheRuntime) {
  EXPECT_EQ(1, SDK(uZyvSDKSetChOnOff)(2, 256));
  EXPECT_EQ(1, SDK(uZyvSDKSetChOnOff)(3, 0x101));
  EXPECT_EQ((Sent{{2, 3, 0}, {3, 3, 1}}), sentSettings());
  EXPECT_EQ(0, SDK(uZyvSDKGetChOnOff)(2));
  EXPECT_EQ(1, SDK(uZyvSDKGetChOnOff)(3));
  std::vector<ZyvSimCall> q = calls(0, "uZyvGetHwInfo");
  ASSERT_EQ(2u, q.size());
  EXPECT_EQ(1, q[0].arg[0]) << "device = channel / 2";
  EXPECT_EQ(10, q[0].arg[1]);
  int32_t input = -1;
  std::memcpy(&input, q[1].block, 4);
  EXPECT_EQ(1, input) << "input = channel % 2";

  for (int32_t ch : {4, 5, -1, -2}) {
    EXPECT_EQ(0, SDK(uZyvSDKGetChOnOff)(ch));
    EXPECT_EQ(UZYV_ERR_DEVICE, lastError());
  }
  SDK(uZyvSDKShutdown)();
  EXPECT_EQ(0, SDK(uZyvSDKGetChOnOff)(3));
  EXPECT_EQ(UZYV_ERR_NOT_OPEN, lastError());
}

TEST_F(Settings, GroupSettingsByValueAndByAddress) {
  EXPECT_EQ(1, SDK(uZyvSDKSetTrigCouple)(3));
  EXPECT_EQ(1, SDK(uZyvSDKSetSampleRate)(int64_t(1) << 40));
  EXPECT_EQ(1, SDK(uZyvSDKSetRecordLength)(1000));
  EXPECT_EQ(1, SDK(uZyvSDKSetDelayTime)(50000000000000LL));
  EXPECT_EQ(1, SDK(uZyvSDKSetHoldoffTime)(10000000000000LL));
  EXPECT_EQ(1, SDK(uZyvSDKSetTrigPos)(-123456789012LL));
  EXPECT_EQ((Sent{{0, 6, 3},
                  {0, 11, int64_t(1) << 40},
                  {0, 12, 5096},
                  {0, 15, 50000000000000LL},
                  {0, 16, 10000000000000LL},
                  {0, 18, -123456789012LL}}),
            sentSettings());
  int32_t couple = 0, length = 0;
  int64_t rate = 0, delay = 0, holdoff = 0, pos = 0;
  EXPECT_EQ(1, SDK(uZyvSDKGetTrigCouple)(&couple));
  EXPECT_EQ(1, SDK(uZyvSDKGetSampleRate)(&rate));
  EXPECT_EQ(1, SDK(uZyvSDKGetRecordLength)(&length));
  EXPECT_EQ(1, SDK(uZyvSDKGetDelayTime)(&delay));
  EXPECT_EQ(1, SDK(uZyvSDKGetHoldoffTime)(&holdoff));
  EXPECT_EQ(1, SDK(uZyvSDKGetTrigPos)(&pos));
  EXPECT_EQ(3, couple);
  EXPECT_EQ(int64_t(1) << 40, rate);
  EXPECT_EQ(1000, length);
  EXPECT_EQ(50000000000000LL, delay);
  EXPECT_EQ(10000000000000LL, holdoff);
  EXPECT_EQ(-123456789012LL, pos);
}

struct RangeCase {
  const char* name;
  int32_t (*set)(int64_t);
  int64_t value;
  int32_t error;  // 0 = accepted
};

int32_t setCouple(int64_t v) { return SDK(uZyvSDKSetTrigCouple)(int32_t(v)); }
int32_t setLength(int64_t v) { return SDK(uZyvSDKSetRecordLength)(int32_t(v)); }
int32_t setDelay(int64_t v) { return SDK(uZyvSDKSetDelayTime)(v); }
int32_t setHoldoff(int64_t v) { return SDK(uZyvSDKSetHoldoffTime)(v); }
int32_t setWait(int64_t v) { return SDK(uZyvSDKSetWaitMode)(int32_t(v), 0); }

class GroupRange : public Settings, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(GroupRange, Bounds) {
  const RangeCase& c = GetParam();
  EXPECT_EQ(c.error == 0 ? 1 : 0, c.set(c.value));
  if (c.error) {
    EXPECT_EQ(c.error, lastError());
    EXPECT_TRUE(sentSettings().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Values, GroupRange,
    ::testing::Values(RangeCase{"couple3", setCouple, 3, 0}, RangeCase{"couple4", setCouple, 4, UZYV_ERR_VALUE},
                      RangeCase{"coupleNeg", setCouple, -1, UZYV_ERR_VALUE}, RangeCase{"length0", setLength, 0, 0},
                      RangeCase{"length1001", setLength, 1001, UZYV_ERR_RECORD_LENGTH},
                      RangeCase{"lengthNeg", setLength, -8, UZYV_ERR_RECORD_LENGTH},
                      RangeCase{"lengthTooLong", setLength, 2147483640, UZYV_ERR_RECORD_LENGTH},
                      RangeCase{"delayMax", setDelay, 50000000000000LL, 0},
                      RangeCase{"delayOver", setDelay, 50000000000001LL, UZYV_ERR_DELAY_TIME},
                      RangeCase{"delayNeg", setDelay, -1, UZYV_ERR_DELAY_TIME},
                      RangeCase{"holdoffOver", setHoldoff, 10000000000001LL, UZYV_ERR_HOLDOFF_TIME},
                      RangeCase{"holdoffNeg", setHoldoff, -1, UZYV_ERR_HOLDOFF_TIME},
                      RangeCase{"wait4", setWait, 4, UZYV_ERR_VALUE}, RangeCase{"waitNeg", setWait, -1, UZYV_ERR_VALUE}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Settings, WaitModeParameterOnlyForModeThree) {
  EXPECT_EQ(1, SDK(uZyvSDKSetWaitMode)(3, 777));
  EXPECT_EQ((Sent{{0, 13, 3}, {0, 14, 777}}), sentSettings());
  EXPECT_EQ(1, SDK(uZyvSDKSetWaitMode)(2, 999));
  EXPECT_EQ((Sent{{0, 13, 2}}), sentSettings());
  int32_t mode = 0;
  int64_t param = 0;
  EXPECT_EQ(1, SDK(uZyvSDKGetWaitMode)(&mode, &param));
  EXPECT_EQ(2, mode);
  EXPECT_EQ(777, param);
  // Mode 3 refused by the runtime: the parameter is not sent.
  zyvsim_fail(0, "uZyvSetting", 13, 0, 3);
  EXPECT_EQ(0, SDK(uZyvSDKSetWaitMode)(3, 5));
  EXPECT_EQ(UZYV_ERR_RECORD_LENGTH, lastError());
  EXPECT_EQ((Sent{{0, 13, 3}}), sentSettings());
  EXPECT_EQ(1, SDK(uZyvSDKGetWaitMode)(&mode, &param));
  EXPECT_EQ(3, mode);
  EXPECT_EQ(5, param);
}

TEST_F(Settings, HardwareResolutionIsSentThroughTheSecondEntry) {
  EXPECT_EQ(1, SDK(uZyvSDKSetHwBit)(12));
  std::vector<ZyvSimCall> c = calls(0, "ZyvSetting");
  ASSERT_EQ(1u, c.size());
  EXPECT_EQ(116, c[0].arg[0]);
  EXPECT_EQ(12, c[0].arg[1]);
  EXPECT_EQ(0, c[0].arg[2]);
  // A refusal is silent and keeps the new value; a closed group is fine.
  SDK(uZyvSDKShutdown)();
  zyvsim_fail(0, "ZyvSetting", 116, 0, 4);
  EXPECT_EQ(0, SDK(uZyvSDKSetVoltDiv)(0, 1));
  EXPECT_EQ(0, SDK(uZyvSDKSetHwBit)(16));
  EXPECT_EQ(UZYV_ERR_VOLTDIV, lastError());
}

TEST_F(Settings, GettersRefuseAClosedGroupAndNullOutputs) {
  EXPECT_EQ(0, SDK(uZyvSDKGetSampleRate)(nullptr));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
  EXPECT_EQ(0, SDK(uZyvSDKGetVoltDiv)(0, nullptr));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
  int32_t mode = 0;
  EXPECT_EQ(0, SDK(uZyvSDKGetWaitMode)(&mode, nullptr));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
  SDK(uZyvSDKShutdown)();
  int64_t rate = 0;
  EXPECT_EQ(0, SDK(uZyvSDKGetSampleRate)(&rate));
  EXPECT_EQ(UZYV_ERR_NOT_OPEN, lastError());
  EXPECT_EQ(0, SDK(uZyvSDKSetSampleRate)(1));
  EXPECT_EQ(UZYV_ERR_NOT_OPEN, lastError());
}
