// Capture control: arming, the trigger-position check, the two capture
// starts, stop, forced trigger and the polls.
#include <cstring>
#include <string>
#include <vector>

#include "support/sdk.h"

using namespace sdktest;

namespace {

class Capture : public SdkTest {
 protected:
  void SetUp() override {
    SdkTest::SetUp();
    ASSERT_EQ(2, openGroup());
    zyvsim_clear_log(0);
  }

  // The entries called since the last clear, with the setting ID for
  // uZyvSetting ("uZyvSetting 5").
  std::vector<std::string> entries() {
    std::vector<std::string> out;
    for (const ZyvSimCall& c : calls(0)) {
      std::string name = c.entry;
      if (name == "uZyvSetting") name += " " + std::to_string(c.arg[1]);
      out.push_back(name);
    }
    zyvsim_clear_log(0);
    return out;
  }

  static CaptureParams block(int32_t length, int64_t rate, int64_t trigPos) {
    CaptureParams p;
    std::memset(&p, 0xA5, sizeof p);
    p.recordLength = length;
    p.sampleRate = rate;
    p.trigPos = trigPos;
    return p;
  }
};

using Names = std::vector<std::string>;

TEST_F(Capture, BlockIsHandedOnUnchangedAfterArmingEveryChannel) {
  CaptureParams p = block(1000, 1000000, 0);
  EXPECT_EQ(1, SDK(uZyvSDKCapture)(&p));
  const auto arms = calls(0, "uZyvSetting");
  ASSERT_EQ(4u, arms.size());
  for (int32_t ch = 0; ch < 4; ++ch) {
    EXPECT_EQ(ch, arms[std::size_t(ch)].arg[0]);
    EXPECT_EQ(5, arms[std::size_t(ch)].arg[1]);
    EXPECT_EQ(1, arms[std::size_t(ch)].arg[2]);
  }
  const auto starts = calls(0, "uZyvCapture");
  ASSERT_EQ(1u, starts.size());
  ASSERT_EQ(int32_t(sizeof p), starts[0].blockSize);
  EXPECT_EQ(0, std::memcmp(&p, starts[0].block, sizeof p));
  EXPECT_EQ((Names{"uZyvSetting 5", "uZyvSetting 5", "uZyvSetting 5", "uZyvSetting 5", "uZyvCapture"}), entries());

  // The group's cache is not touched by the block.
  int64_t rate = 0, pos = -1;
  int32_t length = 0;
  SDK(uZyvSDKGetSampleRate)(&rate);
  SDK(uZyvSDKGetTrigPos)(&pos);
  SDK(uZyvSDKGetRecordLength)(&length);
  EXPECT_EQ(10000000, rate);
  EXPECT_EQ(0, pos);
  EXPECT_EQ(2000, length);
}

// half = abs(L x 10^12 / R x 0.5) against abs(trigger position).
struct PositionCase {
  int32_t length;
  int64_t rate;
  int64_t trigPos;
  bool accepted;
};

class TriggerPosition : public Capture, public ::testing::WithParamInterface<PositionCase> {};

TEST_P(TriggerPosition, BothCaptureStartsCheckIt) {
  const PositionCase& c = GetParam();
  CaptureParams p = block(c.length, c.rate, c.trigPos);
  EXPECT_EQ(c.accepted ? 1 : 0, SDK(uZyvSDKCapture)(&p));
  if (!c.accepted) {
    EXPECT_EQ(UZYV_ERR_TRIGGER_POSITION, lastError());
    EXPECT_EQ((Names{"uZyvSetting 5", "uZyvSetting 5", "uZyvSetting 5", "uZyvSetting 5"}), entries())
        << "the channels are armed before the check";
  }

  if (c.length % 8 != 0 || c.length < 0) return;
  ASSERT_EQ(1, SDK(uZyvSDKSetRecordLength)(c.length));
  ASSERT_EQ(1, SDK(uZyvSDKSetSampleRate)(c.rate));
  ASSERT_EQ(1, SDK(uZyvSDKSetTrigPos)(c.trigPos));
  zyvsim_clear_log(0);
  EXPECT_EQ(c.accepted ? 1 : 0, SDK(uZyvSDKCaptureEx)());
  if (!c.accepted) {
    EXPECT_EQ(UZYV_ERR_TRIGGER_POSITION, lastError());
    EXPECT_EQ(4u, entries().size()) << "no trigger record and no capture";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TriggerPosition,
    ::testing::Values(PositionCase{1000, 1000000, 500000000, true}, PositionCase{1000, 1000000, -500000000, true},
                      PositionCase{1000, 1000000, 500000001, false}, PositionCase{1000, 1000000, -500000001, false},
                      PositionCase{1000, -1000000, 500000000, true}, PositionCase{1000, -1000000, 500000001, false},
                      PositionCase{1000, 0, INT64_MAX, true}, PositionCase{0, 0, INT64_MIN, true},
                      PositionCase{0, 1000000, 1, false}, PositionCase{0, 1000000, 0, true},
                      PositionCase{1001, 1000000, 500500000, true}, PositionCase{1001, 1000000, 500500001, false}));

TEST_F(Capture, ExtendedStartSendsTheTriggerThenCapturesWithNull) {
  EXPECT_EQ(1, SDK(uZyvSDKCaptureEx)());
  EXPECT_EQ((Names{"uZyvSetting 5", "uZyvSetting 5", "uZyvSetting 5", "uZyvSetting 5", "uZyvSetting 10",
                   "uZyvCapture"}),
            entries());
  SDK(uZyvSDKCaptureEx)();
  const auto starts = calls(0, "uZyvCapture");
  ASSERT_EQ(1u, starts.size());
  EXPECT_EQ(0, starts[0].arg[0]) << "null: capture with the settings already sent";
}

TEST_F(Capture, ArmingFailuresAreLeftInLastErrorButDoNotStopTheStart) {
  zyvsim_fail(0, "uZyvSetting", 5, 0, 3);
  EXPECT_EQ(1, SDK(uZyvSDKCaptureEx)());
  EXPECT_EQ(UZYV_ERR_RECORD_LENGTH, lastError());
  CaptureParams p = block(0, 1, 0);
  EXPECT_EQ(1, SDK(uZyvSDKCapture)(&p));
  EXPECT_EQ(UZYV_ERR_RECORD_LENGTH, lastError());
}

TEST_F(Capture, Refusals) {
  EXPECT_EQ(0, SDK(uZyvSDKCapture)(nullptr));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
  EXPECT_TRUE(entries().empty()) << "nothing is armed for a null block";

  zyvsim_fail(0, "uZyvCapture", -1, 0, 1);
  CaptureParams p = block(8, 1, 0);
  EXPECT_EQ(0, SDK(uZyvSDKCapture)(&p));
  EXPECT_EQ(UZYV_ERR_RUNTIME_1, lastError());
  EXPECT_EQ(0, SDK(uZyvSDKCaptureEx)());
  EXPECT_EQ(UZYV_ERR_RUNTIME_1, lastError());

  SDK(uZyvSDKShutdown)();
  zyvsim_clear_log(0);
  EXPECT_EQ(0, SDK(uZyvSDKCapture)(&p));
  EXPECT_EQ(UZYV_ERR_NOT_OPEN, lastError());
  EXPECT_EQ(0, SDK(uZyvSDKCaptureEx)());
  EXPECT_EQ(UZYV_ERR_NOT_OPEN, lastError());
  EXPECT_TRUE(entries().empty());
}

TEST_F(Capture, StopOnlyAsksAnOpenGroupsRuntime) {
  EXPECT_EQ(1, SDK(uZyvSDKStop)());
  EXPECT_EQ(Names{"uZyvStop"}, entries());
  zyvsim_fail(0, "uZyvStop", -1, 0, 4);
  EXPECT_EQ(0, SDK(uZyvSDKStop)());
  EXPECT_EQ(UZYV_ERR_HW_VERSION, lastError());
  SDK(uZyvSDKShutdown)();
  zyvsim_clear_log(0);
  EXPECT_EQ(1, SDK(uZyvSDKStop)());
  EXPECT_TRUE(entries().empty());
  EXPECT_EQ(0, lastError());
}

TEST_F(Capture, StopBeforeTheStartUpSucceeds) {
  reloadSdk();
  EXPECT_EQ(1, SDK(uZyvSDKStop)());
  EXPECT_EQ(0, lastError());
}

TEST_F(Capture, ForceTrigCallsEveryDeviceAndAndsTheResults) {
  struct Case {
    int32_t first, second;  // what devices 0 and 1 return
    int32_t result;
  } cases[] = {{1, 1, 1}, {1, 0, 0}, {0, 1, 0}, {3, 1, 1}, {2, 1, 0}};
  for (const Case& c : cases) {
    zyvsim_clear_faults(0);
    if (c.first != 1) zyvsim_fail(0, "uZyvForceTrig", 0, c.first, 3);
    if (c.second != 1) zyvsim_fail(0, "uZyvForceTrig", 1, c.second, 3);
    zyvsim_clear_log(0);
    EXPECT_EQ(c.result, SDK(uZyvSDKForceTrig)()) << c.first << " & " << c.second;
    const Names called = entries();
    if (c.result == 0) {
      EXPECT_EQ((Names{"uZyvForceTrig", "uZyvForceTrig", "uZyvGetErrorCode"}), called);
      EXPECT_EQ(UZYV_ERR_RECORD_LENGTH, lastError());
    } else {
      EXPECT_EQ((Names{"uZyvForceTrig", "uZyvForceTrig"}), called);
      EXPECT_EQ(0, lastError());
    }
  }
  SDK(uZyvSDKShutdown)();
  EXPECT_EQ(0, SDK(uZyvSDKForceTrig)());
  EXPECT_EQ(UZYV_ERR_NOT_OPEN, lastError());
}

TEST_F(Capture, PollsHandTheRuntimesAnswersOn) {
  EXPECT_EQ(1, SDK(uZyvSDKDataReady)());
  zyvsim_fail(0, "uZyvDataReady", -1, 7, 0);
  EXPECT_EQ(7, SDK(uZyvSDKDataReady)());
  zyvsim_clear_faults(0);
  zyvsim_fail(0, "uZyvDataReady", -1, 0, 3);
  SDK(uZyvSDKSetVoltDiv)(0, 3000);  // leaves LastError 5
  EXPECT_EQ(0, SDK(uZyvSDKDataReady)());
  EXPECT_EQ(UZYV_ERR_VOLTDIV, lastError()) << "no data yet is not a failure";

  zyvsim_clear_log(0);
  EXPECT_EQ(0x102, SDK(uZyvSDKGetStatus)(42));
  const auto polls = calls(0, "uZyvGetStatus");
  ASSERT_EQ(1u, polls.size());
  EXPECT_EQ(42, polls[0].arg[0]);

  SDK(uZyvSDKShutdown)();
  EXPECT_EQ(0, SDK(uZyvSDKDataReady)());
  EXPECT_EQ(UZYV_ERR_NOT_OPEN, lastError());
  SDK(uZyvSDKSetVoltDiv)(0, 3000);
  EXPECT_EQ(0x100, SDK(uZyvSDKGetStatus)(0)) << "no guard";
  EXPECT_EQ(UZYV_ERR_VOLTDIV, lastError()) << "and LastError untouched";
}

TEST_F(Capture, StatusBeforeAnyRuntimeIsZero) {
  reloadSdk();
  EXPECT_EQ(0, SDK(uZyvSDKGetStatus)(1));
  EXPECT_EQ(0, lastError());
}

TEST_F(Capture, FunctionGeneratorSettingGoesThroughTheDispatch) {
  EXPECT_EQ(1, SDK(uZyvSDKFGSetting)(4, 12345));
  const auto sent = calls(0, "uZyvSetting");
  ASSERT_EQ(1u, sent.size());
  EXPECT_EQ(4, sent[0].arg[0]) << "index 2N passes the dispatch";
  EXPECT_EQ(0x62170003, sent[0].arg[1]);
  EXPECT_EQ(12345, sent[0].arg[2]);
  EXPECT_EQ(0, SDK(uZyvSDKFGSetting)(5, 0));
  EXPECT_EQ(UZYV_ERR_CHANNEL, lastError());
}

}  // namespace
