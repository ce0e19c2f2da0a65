#include "support/sdk.h"

using namespace sdktest;

TEST_F(SdkTest, OpensTheDefaultGroup) {
  EXPECT_EQ(2, openGroup());
  EXPECT_EQ(2, SDK(uZyvSDKGetDeviceCount)());
  EXPECT_EQ(1, zyvsim_instance_count());
}
