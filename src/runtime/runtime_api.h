// The boundary to the acquisition runtime: its 17 entry points and the
// records exchanged with it. Every entry uses the library's own calling
// convention and returns int32.
#pragma once

#include <cstddef>
#include <cstdint>

#include "uZyvSDK.h"

namespace uzyv {

struct RuntimeApi {
  using Init = int32_t(UZYV_CALL*)();
  using InitStack = int32_t(UZYV_CALL*)(void* stackList);
  using Shutdown = int32_t(UZYV_CALL*)();
  using Env = int32_t(UZYV_CALL*)(void* request);
  using GetHwInfo = int32_t(UZYV_CALL*)(int32_t device, int32_t selector, void* buffer);
  using HwInfo = int32_t(UZYV_CALL*)(int32_t device, int32_t selector, void* buffer);
  using Setting = int32_t(UZYV_CALL*)(int32_t channel, int32_t id, uZyvValue value);
  using SettingEx = int32_t(UZYV_CALL*)(int32_t id, int32_t value, int32_t reserved);
  using Capture = int32_t(UZYV_CALL*)(void* params);
  using Stop = int32_t(UZYV_CALL*)();
  using ForceTrig = int32_t(UZYV_CALL*)(int32_t device);
  using GetStatus = int32_t(UZYV_CALL*)(int32_t value);
  using DataReady = int32_t(UZYV_CALL*)();
  using Read = int32_t(UZYV_CALL*)(uZyvValue value);
  using ReadEx = int32_t(UZYV_CALL*)(void* request, int32_t device, int32_t one);
  using GetErrorCode = int32_t(UZYV_CALL*)();
  using ReadWithFFT = int32_t(UZYV_CALL*)();

  // In resolution order; the first sixteen are required.
  Init uZyvInit;
  GetHwInfo uZyvGetHwInfo;
  Stop uZyvStop;
  Capture uZyvCapture;
  GetStatus uZyvGetStatus;
  DataReady uZyvDataReady;
  Read uZyvRead;
  ReadEx uZyvReadEx;
  GetErrorCode uZyvGetErrorCode;
  ForceTrig uZyvForceTrig;
  ReadWithFFT uZyvReadWithFFT;
  SettingEx ZyvSetting;
  Setting uZyvSetting;
  Shutdown uZyvShutdown;
  InitStack uZyvInitStack;
  Env uZyvEnv;
  HwInfo ZyvHwInfo;  // optional
};

// Names in resolution order, matching the fields of RuntimeApi.
inline constexpr const char* kRuntimeEntryNames[17] = {
    "uZyvInit",     "uZyvGetHwInfo",    "uZyvStop",   "uZyvCapture",  "uZyvGetStatus", "uZyvDataReady",
    "uZyvRead",     "uZyvReadEx",       "uZyvGetErrorCode", "uZyvForceTrig", "uZyvReadWithFFT", "ZyvSetting",
    "uZyvSetting",  "uZyvShutdown",     "uZyvInitStack", "uZyvEnv",   "ZyvHwInfo"};
inline constexpr int kRequiredRuntimeEntries = 16;
static_assert(sizeof(RuntimeApi) == 17 * sizeof(void*));

// Setting IDs sent through uZyvSetting.
enum SettingId : int32_t {
  kSetCoupling = 1,
  kSetBandwidth = 2,
  kSetChannelOnOff = 3,
  kSetAcquireMode = 4,
  kSetCaptureArm = 5,
  kSetTrigCouple = 6,
  kSetVoltDiv = 7,
  kSetVoltPos = 8,
  kSetVoltOfs = 9,
  kSetTrigRecord = 10,
  kSetSampleRate = 11,
  kSetRecordLength = 12,
  kSetWaitMode = 13,
  kSetWaitParam = 14,
  kSetDelayTime = 15,
  kSetHoldoffTime = 16,
  kSetVoltDivEx = 17,
  kSetTrigPos = 18,
  kSetFunctionGenerator = 0x62170003,
};
// Sent through ZyvSetting with the sample resolution.
inline constexpr int32_t kSettingExHwBit = 116;

// Hardware-information selectors.
enum HwInfoSelector : int32_t {
  kInfoVendorName = 0,
  kInfoProductName = 1,
  kInfoSerialNum = 2,
  kInfoHwVer = 3,
  kInfoFwVer = 4,
  kInfoProductId = 5,
  kInfoUsbHandle = 6,
  kInfoCalibration = 7,
  kInfoTemperature = 9,
  kInfoChannelOnOff = 10,
  kInfoSignalSummary = 306,
};

// Environment request handed to uZyvEnv.
struct EnvRequest {
  int32_t magic;  // kEnvRequestMagic
  int32_t seven;  // always 7
  int32_t mode;
  int32_t second;
  int32_t third;
};
inline constexpr int32_t kEnvRequestMagic = 0x3A7C41E5;
static_assert(sizeof(EnvRequest) == 20 && offsetof(EnvRequest, mode) == 8 && offsetof(EnvRequest, third) == 16);

// Device list handed to uZyvInitStack: 20 items of 16 characters, not
// terminated when an item fills its slot.
struct StackList {
  char items[20][16];
};
static_assert(sizeof(StackList) == 320);

// Block handed to uZyvReadEx with the device index and 1; 20 bytes on the
// 32-bit DLL.
#pragma pack(push, 4)
struct ReadRequest {
  int32_t reserved;
  int32_t status;  // bit 15 selects the half-sample alignment
  int64_t timeOffset;  // picoseconds
  int16_t* samples;
};
#pragma pack(pop)
inline constexpr int32_t kStatusHalfSample = 0x8000;
static_assert(offsetof(ReadRequest, status) == 4 && offsetof(ReadRequest, timeOffset) == 8 &&
              offsetof(ReadRequest, samples) == 16);
static_assert(sizeof(ReadRequest) == 16 + sizeof(void*));

// Calibration of both inputs, from selector 7.
struct ChannelCalibration {
  double gain;        // millivolts per count
  double zeroLevel;   // count of 0 V
  double baseOffset;  // millivolts
};
struct CalibrationData {
  ChannelCalibration channel[2];
};
static_assert(sizeof(CalibrationData) == 48 && offsetof(CalibrationData, channel[1].gain) == 24);

// Capture parameters: the three fields the library reads.
static_assert(offsetof(CaptureParams, sampleRate) == 8 && offsetof(CaptureParams, trigPos) == 120 &&
              offsetof(CaptureParams, recordLength) == 136);

// Measurement parameters from the application.
static_assert(offsetof(MeasParams, reservedCh) == 12 && offsetof(MeasParams, voltOffset) == 24 &&
              offsetof(MeasParams, zeroLevel) == 40 && offsetof(MeasParams, baseOffset) == 56 &&
              offsetof(MeasParams, gain) == 72 && offsetof(MeasParams, multiplier) == 88 &&
              offsetof(MeasParams, samples) == 96);
static_assert(sizeof(void*) != 4 || sizeof(MeasParams) == 104);

}  // namespace uzyv
