// Device information: selectors, buffer sizes, device index.
#include <cstring>

#include "support/sdk.h"

using namespace sdktest;

using DeviceInfo = SdkTest;

TEST_F(DeviceInfo, ReadsEveryPieceOfEachDevice) {
  ZyvSimDevice& dev1 = zyvsim_defaults()->devices[1];
  std::memcpy(dev1.vendorName, "VENDOR9876", 10);
  std::memcpy(dev1.serialNum, "SER-0123456789AB", 16);
  dev1.hwVer = 77;
  dev1.fwVer = 78;
  dev1.productId = 4242;
  dev1.usbHandle = 0xCAFE;
  for (int i = 0; i < 6; ++i) dev1.calibration[i] = 0.5 + i;
  ASSERT_EQ(2, openGroup());

  char vendor[10], product[10], serial[16];
  EXPECT_EQ(1, SDK(uZyvSDKGetVendorName)(1, vendor));
  EXPECT_EQ(0, std::memcmp(vendor, "VENDOR9876", 10));
  EXPECT_EQ(1, SDK(uZyvSDKGetProductName)(1, product));
  EXPECT_EQ(1, SDK(uZyvSDKGetSerialNum)(1, serial));
  EXPECT_EQ(0, std::memcmp(serial, "SER-0123456789AB", 16));
  int32_t hw = 0, fw = 0, id = 0;
  uint32_t usb = 0;
  EXPECT_EQ(1, SDK(uZyvSDKGetHwVer)(1, &hw));
  EXPECT_EQ(1, SDK(uZyvSDKGetFwVer)(1, &fw));
  EXPECT_EQ(1, SDK(uZyvSDKGetProductID)(1, &id));
  EXPECT_EQ(1, SDK(uZyvSDKGetUsbDeviceHandle)(1, &usb));
  EXPECT_EQ(77, hw);
  EXPECT_EQ(78, fw);
  EXPECT_EQ(4242, id);
  EXPECT_EQ(0xCAFEu, usb);
  double cal[6] = {};
  EXPECT_EQ(1, SDK(uZyvSDKGetCalibrationData)(1, cal));
  for (int i = 0; i < 6; ++i) EXPECT_EQ(0.5 + i, cal[i]);
  int32_t temperature = 0;
  EXPECT_EQ(1, SDK(uZyvSDKGetTemperature)(1, &temperature));
  EXPECT_EQ(35, temperature);
}

TEST_F(DeviceInfo, BufferMustBeWritableForTheSelectorsSize) {
  ASSERT_EQ(2, openGroup());
  GuardedBuffer ten(10);  // a faulting page right after 10 bytes
  EXPECT_EQ(1, SDK(uZyvSDKGetVendorName)(0, static_cast<char*>(ten.data())));
  EXPECT_EQ(1, SDK(uZyvSDKGetProductName)(0, static_cast<char*>(ten.data())));
  const int32_t before = zyvsim_log_count(0);
  EXPECT_EQ(0, SDK(uZyvSDKGetSerialNum)(0, static_cast<char*>(ten.data())));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
  EXPECT_EQ(0, SDK(uZyvSDKGetHwInfo)(0, 2, ten.data()));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
  EXPECT_EQ(before, zyvsim_log_count(0)) << "refused before the runtime is called";

  GuardedBuffer readOnly(64);
  readOnly.makeReadOnly();
  EXPECT_EQ(0, SDK(uZyvSDKGetHwVer)(0, static_cast<int32_t*>(readOnly.data())));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
  EXPECT_EQ(0, SDK(uZyvSDKGetCalibrationData)(0, nullptr));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
  GuardedBuffer fortySeven(47);
  EXPECT_EQ(0, SDK(uZyvSDKGetCalibrationData)(0, static_cast<double*>(fortySeven.data())));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
}

struct SelectorCase {
  uint32_t selector;
  std::size_t writable;  // bytes that must be writable; 0 = unchecked
};

class HwInfoSelector : public SdkTest, public ::testing::WithParamInterface<SelectorCase> {};

TEST_P(HwInfoSelector, ChecksItsSizeThenAsksTheRuntime) {
  const SelectorCase& c = GetParam();
  ASSERT_EQ(2, openGroup());
  for (const char* name : {"uZyvSDKGetHwInfo", "uZyvSDKGetHwInfoA", "uZyvSDKGetHwInfoB"}) {
    SCOPED_TRACE(name);
    auto fn = reinterpret_cast<decltype(&uZyvSDKGetHwInfo)>(currentSdk().symbol(name));
    if (c.writable > 0) {
      GuardedBuffer shortBy1(c.writable - 1);
      EXPECT_EQ(0, fn(0, c.selector, shortBy1.data()));
      EXPECT_EQ(UZYV_ERR_POINTER, lastError());
      GuardedBuffer exact(c.writable);
      std::memset(exact.data(), 0, c.writable);
      EXPECT_EQ(1, fn(0, c.selector, exact.data()));
    } else {
      // Unchecked: the runtime decides, even for a null buffer.
      zyvsim_clear_log(0);
      const int32_t result = fn(0, c.selector, nullptr);
      ASSERT_EQ(1u, calls(0, "uZyvGetHwInfo").size());
      EXPECT_EQ(c.selector, uint32_t(calls(0, "uZyvGetHwInfo")[0].arg[1]));
      if (result == 0) EXPECT_NE(0, lastError());
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, HwInfoSelector,
                         ::testing::Values(SelectorCase{0, 10}, SelectorCase{1, 10}, SelectorCase{2, 16},
                                           SelectorCase{3, 4}, SelectorCase{4, 4}, SelectorCase{5, 4},
                                           SelectorCase{6, 4}, SelectorCase{7, 48}, SelectorCase{10, 8},
                                           SelectorCase{8, 0}, SelectorCase{9, 0}, SelectorCase{11, 0},
                                           SelectorCase{0x80000000u, 0}));

TEST_F(DeviceInfo, TemperatureIsUncheckedAndTheRuntimeDecides) {
  ASSERT_EQ(2, openGroup());
  EXPECT_EQ(1, SDK(uZyvSDKGetTemperature)(0, nullptr));
  zyvsim_fail(0, "uZyvGetHwInfo", 0, 0, 17);
  EXPECT_EQ(0, SDK(uZyvSDKGetTemperature)(0, nullptr));
  EXPECT_EQ(UZYV_ERR_RUNTIME_17, lastError());
}

TEST_F(DeviceInfo, DeviceIndexOutsideTheGroupIsRefusedFirst) {
  ASSERT_EQ(2, openGroup());
  zyvsim_clear_log(0);
  int32_t id = 0;
  for (int32_t device : {2, -1, 1000}) {
    EXPECT_EQ(0, SDK(uZyvSDKGetProductID)(device, &id));
    EXPECT_EQ(UZYV_ERR_DEVICE, lastError());
    EXPECT_EQ(0, SDK(uZyvSDKGetHwInfoB)(device, 5, nullptr));
    EXPECT_EQ(UZYV_ERR_DEVICE, lastError());
  }
  EXPECT_TRUE(calls(0, "uZyvGetHwInfo").empty());
}

TEST_F(DeviceInfo, ClosedGroupIsRefused) {
  ASSERT_EQ(2, openGroup());
  SDK(uZyvSDKShutdown)();
  int32_t id = 0;
  EXPECT_EQ(0, SDK(uZyvSDKGetHwInfoA)(0, 5, &id));
  EXPECT_EQ(UZYV_ERR_NOT_OPEN, lastError());
}
