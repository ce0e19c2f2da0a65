// Device information: one operation behind every hardware-information export,
// differing only in selector and buffer size.
#include "core/groups.h"

namespace uzyv {

namespace {
// Bytes that must be writable for a selector; 0 means the buffer is handed
// to the runtime unchecked.
std::size_t selectorSize(uint32_t selector) {
  switch (selector) {
    case kInfoVendorName:
    case kInfoProductName: return 10;
    case kInfoSerialNum: return 16;
    case kInfoHwVer:
    case kInfoFwVer:
    case kInfoProductId:
    case kInfoUsbHandle: return 4;
    case kInfoCalibration: return sizeof(CalibrationData);
    case kInfoChannelOnOff: return 8;
    default: return 0;
  }
}
}  // namespace

Code readHwInfo(int32_t device, uint32_t selector, void* buffer) {
  DeviceGroup* group = nullptr;
  if (Code c = requireOpen(group)) return c;
  if (Code c = requireDevice(*group, device)) return c;
  if (const std::size_t size = selectorSize(selector))
    if (Code c = requireWritable(buffer, size)) return c;
  RuntimeApi::GetHwInfo get = runtime().uZyvGetHwInfo;
  if (!get) return UZYV_ERR_RUNTIME_ENTRIES;
  return get(device, int32_t(selector), buffer) ? kOk : runtimeFailure();
}

namespace {
// uZyvSDKGetChOnOff: the runtime's on/off state of a channel's input, 1 or
// 0; 0 also when the query fails (LastError set).
int32_t channelOnOff(int32_t channel) {
  struct {
    int32_t input;
    int32_t state;
  } block{channel % 2, 0};
  const int32_t device = channel < 0 ? -1 : channel / 2;
  noteFailure(readHwInfo(device, kInfoChannelOnOff, &block));
  return block.state != 0 ? 1 : 0;
}
}  // namespace

}  // namespace uzyv

using namespace uzyv;

extern "C" {

UZYV_API int32_t UZYV_CALL uZyvSDKGetHwInfo(int32_t device, uint32_t selector, void* buffer) {
  return exportCall(readHwInfo, device, selector, buffer);
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetHwInfoA(int32_t device, uint32_t selector, void* buffer) {
  return exportCall(readHwInfo, device, selector, buffer);
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetHwInfoB(int32_t device, uint32_t selector, void* buffer) {
  return exportCall(readHwInfo, device, selector, buffer);
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetVendorName(int32_t device, char* buffer) {
  return exportCall(readHwInfo, device, kInfoVendorName, buffer);
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetProductName(int32_t device, char* buffer) {
  return exportCall(readHwInfo, device, kInfoProductName, buffer);
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetSerialNum(int32_t device, char* buffer) {
  return exportCall(readHwInfo, device, kInfoSerialNum, buffer);
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetHwVer(int32_t device, int32_t* version) {
  return exportCall(readHwInfo, device, kInfoHwVer, version);
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetFwVer(int32_t device, int32_t* version) {
  return exportCall(readHwInfo, device, kInfoFwVer, version);
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetProductID(int32_t device, int32_t* productId) {
  return exportCall(readHwInfo, device, kInfoProductId, productId);
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetUsbDeviceHandle(int32_t device, uint32_t* handle) {
  return exportCall(readHwInfo, device, kInfoUsbHandle, handle);
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetCalibrationData(int32_t device, double* calibration) {
  return exportCall(readHwInfo, device, kInfoCalibration, calibration);
}
UZYV_API int32_t UZYV_CALL uZyvSDKGetTemperature(int32_t device, void* buffer) {
  return exportCall(readHwInfo, device, kInfoTemperature, buffer);
}

UZYV_API int32_t UZYV_CALL uZyvSDKGetChOnOff(int32_t channel) { return exportValue(channelOnOff, channel); }

}  // extern "C"
