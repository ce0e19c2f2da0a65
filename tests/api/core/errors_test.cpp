// LastError and the translation of the runtime's error codes.
#include "support/sdk.h"

using namespace sdktest;

using Errors = SdkTest;

TEST_F(Errors, ReadingTheCodeResetsItAndSuccessNeverClearsIt) {
  EXPECT_EQ(0, SDK(uZyvSDKSelectGroup)(20));
  EXPECT_EQ(UZYV_ERR_GROUP_INDEX, SDK(uZyvSDKGetErrorCodeEx)());
  EXPECT_EQ(0, SDK(uZyvSDKGetErrorCodeEx)());

  ASSERT_EQ(2, openGroup());
  EXPECT_EQ(0, SDK(uZyvSDKSetVoltDiv)(0, 3000));
  EXPECT_EQ(1, SDK(uZyvSDKSetVoltDiv)(0, 2000));
  EXPECT_EQ(UZYV_ERR_VOLTDIV, lastError());
}

TEST_F(Errors, UnloadingForgetsEverything) {
  EXPECT_EQ(0, SDK(uZyvSDKSelectGroup)(20));
  reloadSdk();
  EXPECT_EQ(0, lastError()) << "a fresh load starts with no error";
  EXPECT_EQ(0, SDK(uZyvSDKGetDeviceCount)());
}

TEST_F(Errors, RuntimeCodeIsReportedUntranslated) {
  ASSERT_EQ(2, openGroup());
  zyvsim_fail(0, "uZyvSetting", 7, 0, 12);
  EXPECT_EQ(0, SDK(uZyvSDKSetVoltDiv)(0, 2000));
  EXPECT_EQ(0, SDK(uZyvSDKSelectGroup)(21));
  EXPECT_EQ(12, SDK(uZyvSDKGetErrorCode)()) << "the runtime's own code, not 21";
  EXPECT_EQ(UZYV_ERR_GROUP_INDEX, lastError());
}

struct TranslationCase {
  int32_t runtimeCode;
  int32_t plain;
  int32_t extended;
};

class Translation : public SdkTest, public ::testing::WithParamInterface<TranslationCase> {
 protected:
  int32_t failWith(int32_t productId, int32_t runtimeCode) {
    reloadSdk();
    zyvsim_reset();
    zyvsim_defaults()->devices[0].productId = productId;
    useRuntime();
    EXPECT_EQ(1, SDK(uZyvSDKSelectGroup)(0));
    EXPECT_EQ(2, SDK(uZyvSDKInit)());
    zyvsim_fail(0, "uZyvSetting", 2, 0, runtimeCode);
    EXPECT_EQ(0, SDK(uZyvSDKSetBWL)(0, 1));
    return lastError();
  }
};

TEST_P(Translation, DependsOnTheExtendedProduct) {
  const TranslationCase& c = GetParam();
  EXPECT_EQ(c.plain, failWith(8721, c.runtimeCode));
  EXPECT_EQ(c.extended, failWith(8722, c.runtimeCode));
}

INSTANTIATE_TEST_SUITE_P(Table, Translation,
                         ::testing::Values(TranslationCase{1, 16, 16}, TranslationCase{2, 5, 17},
                                           TranslationCase{3, 13, 15}, TranslationCase{4, 14, 15},
                                           TranslationCase{5, 1, 15}, TranslationCase{6, 7, 15},
                                           TranslationCase{7, 8, 15}, TranslationCase{8, 9, 15},
                                           TranslationCase{9, 10, 15}, TranslationCase{10, 11, 15},
                                           TranslationCase{11, 12, 15}, TranslationCase{12, 15, 36},
                                           TranslationCase{17, 31, 31}, TranslationCase{18, 32, 32},
                                           TranslationCase{19, 33, 33}, TranslationCase{99, 14, 14},
                                           TranslationCase{0, 15, 15}, TranslationCase{13, 15, 15},
                                           TranslationCase{-1, 15, 15}, TranslationCase{100, 15, 15}));
