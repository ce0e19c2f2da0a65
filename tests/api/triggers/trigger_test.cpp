// Trigger configuration: what the six setters accept and refuse, and the
// records the extended capture start sends for the cached trigger.
#include <cstring>
#include <functional>
#include <vector>

#include "support/sdk.h"

using namespace sdktest;

namespace {

// The record of the last trigger sent (setting 10), as int32 words.
struct SentRecord {
  std::vector<int32_t> words;
  int64_t int64At(std::size_t offset) const {
    int64_t v = 0;
    std::memcpy(&v, reinterpret_cast<const char*>(words.data()) + offset, 8);
    return v;
  }
};

class Triggers : public SdkTest {
 protected:
  void open(int32_t devices = 2, int32_t productId = 8722) {
    zyvsim_defaults()->deviceCount = devices;
    zyvsim_defaults()->devices[0].productId = productId;
    ASSERT_EQ(devices, openGroup());
  }

  // Runs an extended capture start and returns the trigger record it sent
  // (no words when none was sent).
  SentRecord captureRecord() {
    zyvsim_clear_log(0);
    SDK(uZyvSDKCaptureEx)();
    SentRecord r;
    for (const ZyvSimCall& c : calls(0, "uZyvSetting")) {
      if (c.arg[1] != 10) continue;
      EXPECT_EQ(0, c.arg[0]) << "trigger records go to channel 0";
      r.words.assign(std::size_t(c.blockSize) / 4, 0);
      std::memcpy(r.words.data(), c.block, r.words.size() * 4);
    }
    return r;
  }

  void setOffsets(std::initializer_list<int32_t> offsets) {
    int32_t ch = 0;
    for (int32_t ofs : offsets) ASSERT_EQ(1, SDK(uZyvSDKSetVoltOfs)(ch++, ofs));
  }
};

std::vector<int32_t> words(std::initializer_list<int64_t> list) {
  std::vector<int32_t> out;
  for (int64_t v : list) out.push_back(int32_t(v));
  return out;
}

constexpr int64_t kValue64 = 0x1122334455667788LL;
constexpr int32_t kLow = int32_t(0x55667788);
constexpr int32_t kHigh = int32_t(0x11223344);

TEST_F(Triggers, AfterInitialisationTheDefaultEdgeIsSentRelativeToChannel0) {
  open();
  setOffsets({10000});
  EXPECT_EQ(words({0, 20, 0, 0, 150000}), captureRecord().words);
}

TEST_F(Triggers, EachKindBuildsItsRecord) {
  open();
  setOffsets({-1000, 50000, 7, 300});
  struct Case {
    const char* what;
    std::function<int32_t()> set;
    std::vector<int32_t> record;
  } cases[] = {
      {"edge", [] { return SDK(uZyvSDKSetEdgeTrig)(1, 3, 160000); }, words({0, 20, 1, 3, 110000})},
      {"video", [] { return SDK(uZyvSDKSetVideoTrig)(1, 2, 77); }, words({1, 24, 1, 2, 77, 0})},
      {"width: record kind 2", [] { return SDK(uZyvSDKSetWidthTrig)(2, 1, 3, 9, kValue64, -5000); },
       words({2, 36, 2, 1, 3, 9, kLow, kHigh, -5007})},
      {"runt: record kind 3, both levels on the source",
       [] { return SDK(uZyvSDKSetRuntTrig)(1, 2, 0, 4, kValue64, 1000, -2000); },
       words({3, 40, 1, 2, 0, 4, kLow, kHigh, 1000 - 50000, -2000 - 50000})},
      {"pattern: value64 at offset 28, each level on its own source",
       [] { return SDK(uZyvSDKSetPatternTrig)(0, 2, 5, 6, 1, kValue64, 1000, 2000); },
       words({4, 44, 0, 2, 5, 6, 1, kLow, kHigh, 1000 + 1000, 2000 - 7})},
      {"state: second source and value first, no flag",
       [] { return SDK(uZyvSDKSetStateTrig)(1, 2, 5, 6, 1, 1000, 2000); },
       words({5, 32, 2, 1, 6, 5, 1000 - 50000, 2000 - 7})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(1, c.set());
    EXPECT_EQ(c.record, captureRecord().words);
  }
}

TEST_F(Triggers, StateRecordWithTheDocumentedValues) {
  open();
  ASSERT_EQ(1, SDK(uZyvSDKSetStateTrig)(0, 1, 5, 6, 0, 1000, 2000));
  EXPECT_EQ(words({5, 32, 1, 0, 6, 5, 1000, 2000}), captureRecord().words);
}

TEST_F(Triggers, LevelsAreTheLow32BitsMinusTheOffsetIn32Bits) {
  open();
  setOffsets({1000});
  ASSERT_EQ(1, SDK(uZyvSDKSetEdgeTrig)(0, 0, (int64_t(5) << 32) + 4000));
  EXPECT_EQ(3000, captureRecord().words.at(4));
  ASSERT_EQ(1, SDK(uZyvSDKSetEdgeTrig)(0, 0, INT32_MIN));
  EXPECT_EQ(INT32_MAX - 999, captureRecord().words.at(4)) << "the difference wraps";
  ASSERT_EQ(1, SDK(uZyvSDKSetVoltOfs)(0, -1000));
  ASSERT_EQ(1, SDK(uZyvSDKSetEdgeTrig)(0, 0, INT32_MAX));
  EXPECT_EQ(INT32_MIN + 999, captureRecord().words.at(4));
}

TEST_F(Triggers, OffsetIsTheOneCachedAtTheCaptureStart) {
  open();
  ASSERT_EQ(1, SDK(uZyvSDKSetEdgeTrig)(0, 0, 160000));
  setOffsets({50000});
  EXPECT_EQ(110000, captureRecord().words.at(4));
  setOffsets({0});
  EXPECT_EQ(160000, captureRecord().words.at(4)) << "the same trigger, sent again with today's offset";
}

// Source 2 of a one-device group is the external input: there is no
// channel record, so its levels are sent as they are.
TEST_F(Triggers, SourceWithoutAChannelRecordHasOffsetZero) {
  open(1);
  setOffsets({-3000, 4000});
  ASSERT_EQ(1, SDK(uZyvSDKSetEdgeTrig)(2, 1, 5000));
  EXPECT_EQ(words({0, 20, 2, 1, 5000}), captureRecord().words);
  ASSERT_EQ(1, SDK(uZyvSDKSetPatternTrig)(1, 2, 0, 0, 0, 0, 100, 200));
  EXPECT_EQ(words({4, 44, 1, 2, 0, 0, 0, 0, 0, 100 - 4000, 200}), captureRecord().words);
  ASSERT_EQ(1, SDK(uZyvSDKSetStateTrig)(2, 0, 0, 0, 0, 100, 200));
  EXPECT_EQ(words({5, 32, 0, 2, 0, 0, 100, 200 + 3000}), captureRecord().words);
  ASSERT_EQ(1, SDK(uZyvSDKSetWidthTrig)(2, 0, 0, 0, 0, -100));
  EXPECT_EQ(-100, captureRecord().words.at(8));
}

// Every refusal keeps the trigger cached before it: the next capture start
// sends the previous record.
TEST_F(Triggers, RefusalsKeepThePreviousTrigger) {
  open();
  struct Case {
    const char* what;
    std::function<int32_t()> set;
    int32_t error;  // -1: LastError keeps its previous value
  } cases[] = {
      {"edge mode 4", [] { return SDK(uZyvSDKSetEdgeTrig)(0, 4, 0); }, UZYV_ERR_VALUE},
      {"edge source 3", [] { return SDK(uZyvSDKSetEdgeTrig)(3, 0, 0); }, UZYV_ERR_VALUE},
      {"edge source -1 (unsigned test)", [] { return SDK(uZyvSDKSetEdgeTrig)(-1, 0, 0); }, UZYV_ERR_VALUE},
      {"edge mode -1", [] { return SDK(uZyvSDKSetEdgeTrig)(0, -1, 0); }, UZYV_ERR_VALUE},
      {"video source 2", [] { return SDK(uZyvSDKSetVideoTrig)(2, 0, 0); }, -1},
      {"video source -1", [] { return SDK(uZyvSDKSetVideoTrig)(-1, 9, 0); }, -1},
      {"video mode 4", [] { return SDK(uZyvSDKSetVideoTrig)(1, 4, 0); }, UZYV_ERR_VALUE},
      {"runt source 2", [] { return SDK(uZyvSDKSetRuntTrig)(2, 0, 0, 0, 0, 0, 0); }, -1},
      {"runt selA 3", [] { return SDK(uZyvSDKSetRuntTrig)(0, 3, 0, 0, 0, 0, 0); }, UZYV_ERR_VALUE},
      {"runt selB 4", [] { return SDK(uZyvSDKSetRuntTrig)(1, 0, 4, 0, 0, 0, 0); }, UZYV_ERR_VALUE},
      {"width source 3", [] { return SDK(uZyvSDKSetWidthTrig)(3, 0, 0, 0, 0, 0); }, UZYV_ERR_VALUE},
      {"width selA -1", [] { return SDK(uZyvSDKSetWidthTrig)(0, -1, 0, 0, 0, 0); }, UZYV_ERR_VALUE},
      {"width selB 4", [] { return SDK(uZyvSDKSetWidthTrig)(0, 0, 4, 0, 0, 0); }, UZYV_ERR_VALUE},
      {"pattern source 3", [] { return SDK(uZyvSDKSetPatternTrig)(3, 0, 0, 0, 0, 0, 0, 0); }, UZYV_ERR_VALUE},
      {"pattern source2 3", [] { return SDK(uZyvSDKSetPatternTrig)(0, 3, 0, 0, 0, 0, 0, 0); }, UZYV_ERR_VALUE},
      {"pattern flag 2", [] { return SDK(uZyvSDKSetPatternTrig)(0, 0, 0, 0, 2, 0, 0, 0); }, UZYV_ERR_VALUE},
      {"state source2 -1", [] { return SDK(uZyvSDKSetStateTrig)(0, -1, 0, 0, 0, 0, 0); }, UZYV_ERR_VALUE},
      {"state flag 2", [] { return SDK(uZyvSDKSetStateTrig)(0, 0, 0, 0, 2, 0, 0); }, UZYV_ERR_VALUE},
  };
  ASSERT_EQ(1, SDK(uZyvSDKSetEdgeTrig)(1, 2, 4321));
  const std::vector<int32_t> kept = captureRecord().words;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SDK(uZyvSDKSetVoltDiv)(0, 3000);  // leaves LastError 5
    EXPECT_EQ(0, c.set());
    EXPECT_EQ(c.error == -1 ? UZYV_ERR_VOLTDIV : c.error, lastError());
    EXPECT_EQ(kept, captureRecord().words);
  }
}

TEST_F(Triggers, AcceptedBoundaries) {
  open();
  EXPECT_EQ(1, SDK(uZyvSDKSetEdgeTrig)(2, 3, 0));
  EXPECT_EQ(1, SDK(uZyvSDKSetVideoTrig)(1, 3, 0));
  EXPECT_EQ(1, SDK(uZyvSDKSetRuntTrig)(1, 2, 3, 0, 0, 0, 0));
  EXPECT_EQ(1, SDK(uZyvSDKSetWidthTrig)(2, 2, 3, 0, 0, 0)) << "width takes source 2, runt does not";
  EXPECT_EQ(1, SDK(uZyvSDKSetPatternTrig)(2, 2, -1, -1, 1, -1, 0, 0));
  EXPECT_EQ(1, SDK(uZyvSDKSetStateTrig)(2, 2, -1, -1, 1, 0, 0));
}

TEST_F(Triggers, ExtendedKindsNeedTheExtendedProductBeforeAnyOtherCheck) {
  open(2, 8721);
  ASSERT_EQ(1, SDK(uZyvSDKSetEdgeTrig)(0, 1, 1234));
  const std::vector<int32_t> kept = captureRecord().words;
  const std::function<int32_t()> setters[] = {
      [] { return SDK(uZyvSDKSetRuntTrig)(2, 9, 9, 0, 0, 0, 0); },
      [] { return SDK(uZyvSDKSetWidthTrig)(7, 9, 9, 0, 0, 0); },
      [] { return SDK(uZyvSDKSetPatternTrig)(7, 7, 0, 0, 7, 0, 0, 0); },
      [] { return SDK(uZyvSDKSetStateTrig)(0, 0, 0, 0, 0, 0, 0); },
  };
  for (const auto& set : setters) {
    EXPECT_EQ(0, set());
    EXPECT_EQ(UZYV_ERR_TRIGGER_KIND, lastError());
  }
  EXPECT_EQ(kept, captureRecord().words) << "the edge trigger cached before is still sent";
  EXPECT_EQ(1, SDK(uZyvSDKSetVideoTrig)(0, 0, 0)) << "video is available everywhere";
}

TEST_F(Triggers, SettersNeedAStartedLibraryButNotAnOpenGroup) {
  EXPECT_EQ(0, SDK(uZyvSDKSetEdgeTrig)(9, 9, 0)) << "before the start-up";
  EXPECT_EQ(UZYV_ERR_NOT_OPEN, lastError()) << "the guard comes before the argument checks";
  open();
  SDK(uZyvSDKShutdown)();
  zyvsim_clear_log(0);
  EXPECT_EQ(1, SDK(uZyvSDKSetEdgeTrig)(1, 1, 0));
  EXPECT_EQ(1, SDK(uZyvSDKSetPatternTrig)(0, 1, 0, 0, 0, 0, 0, 0));
  EXPECT_EQ(0, zyvsim_log_count(0)) << "setting a trigger never calls the runtime";
}

TEST_F(Triggers, RefusedRecordStopsTheCaptureStart) {
  open();
  zyvsim_fail(0, "uZyvSetting", 10, 0, 1);
  zyvsim_clear_log(0);
  EXPECT_EQ(0, SDK(uZyvSDKCaptureEx)());
  EXPECT_EQ(UZYV_ERR_RUNTIME_1, lastError());
  EXPECT_TRUE(calls(0, "uZyvCapture").empty());
}

}  // namespace
