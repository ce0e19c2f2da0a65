// Hostile arguments to every export that takes a buffer, an index or a
// count: null, short (ending at a faulting page), read-only and misaligned
// buffers, negative and huge counts, indices outside their ranges, in each
// state of the library. Expected everywhere: no crash, no hang, the
// LastError the header names, and nothing written to the caller's memory
// when the call fails.
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "support/sdk.h"

using namespace sdktest;

namespace {

enum State { kNeverStarted, kOpen, kShutDown, kFailedLoad, kStates };
const char* const kStateNames[kStates] = {"never started", "open", "shut down", "after a failed runtime load"};

constexpr int32_t kRecord = 2000;  // the record length after initialisation
constexpr uint8_t kFill = 0xA5;

// Valid buffers for the arguments that are not under test.
struct Scratch {
  int32_t status = 0;
  int32_t timeOffset = 0;
  double zero[2] = {}, base[2] = {}, gains[2] = {};
  int32_t multipliers[2] = {1, 1};
  std::vector<int16_t> samples = std::vector<int16_t>(2 * kRecord, 0);
  std::vector<double> out = std::vector<double>(2 * kRecord, 0);
  int16_t raw[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  double spectrumIn[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  int32_t types[3] = {UZYV_MEAS_MAX, UZYV_MEAS_MIN, UZYV_MEAS_LIST_END};
  uint8_t valid[2] = {};
  double values[2] = {};
  MeasParams params{};
  int16_t reference[16] = {};
  double divisor = 1.0;
  int32_t result = 0;
  int64_t wide = 0;
};
Scratch* g_scratch = nullptr;
Scratch& s() { return *g_scratch; }

MeasParams* validParams() {
  s().params = MeasParams{};
  s().params.sampleRate = 1000000;
  s().params.gain[0] = 1;
  s().params.multiplier[0] = 1;
  s().params.samples[0] = s().samples.data();
  return &s().params;
}

// Where a bad buffer is refused: by the group guard first (28 unless the
// group is open), or in every state alike (the calls that need no group).
// Getters before the start-up fail without a new LastError; the pass/fail
// check refuses without a mask (built only in the open state) first.
enum Refusal { kGuardThenPointer, kPointerAlways, kGetter, kMaskThenPointer };

struct BufferCase {
  const char* name;
  std::size_t bytes;  // what the header says the buffer holds
  Refusal refusal;
  int32_t (*call)(void* buffer);
};

#define BUF(x) [](void* b) -> int32_t { return x; }
const BufferCase kBufferCases[] = {
    // Device information.
    {"GetHwInfo selector 0", 10, kGuardThenPointer, BUF(SDK(uZyvSDKGetHwInfo)(0, 0, b))},
    {"GetHwInfoA selector 2", 16, kGuardThenPointer, BUF(SDK(uZyvSDKGetHwInfoA)(0, 2, b))},
    {"GetHwInfoB selector 7", 48, kGuardThenPointer, BUF(SDK(uZyvSDKGetHwInfoB)(0, 7, b))},
    {"GetHwInfo selector 10", 8, kGuardThenPointer, BUF(SDK(uZyvSDKGetHwInfo)(0, 10, b))},
    {"GetVendorName", 10, kGuardThenPointer, BUF(SDK(uZyvSDKGetVendorName)(0, static_cast<char*>(b)))},
    {"GetProductName", 10, kGuardThenPointer, BUF(SDK(uZyvSDKGetProductName)(0, static_cast<char*>(b)))},
    {"GetSerialNum", 16, kGuardThenPointer, BUF(SDK(uZyvSDKGetSerialNum)(0, static_cast<char*>(b)))},
    {"GetHwVer", 4, kGuardThenPointer, BUF(SDK(uZyvSDKGetHwVer)(0, static_cast<int32_t*>(b)))},
    {"GetFwVer", 4, kGuardThenPointer, BUF(SDK(uZyvSDKGetFwVer)(0, static_cast<int32_t*>(b)))},
    {"GetProductID", 4, kGuardThenPointer, BUF(SDK(uZyvSDKGetProductID)(0, static_cast<int32_t*>(b)))},
    {"GetUsbDeviceHandle", 4, kGuardThenPointer, BUF(SDK(uZyvSDKGetUsbDeviceHandle)(0, static_cast<uint32_t*>(b)))},
    {"GetCalibrationData", 48, kGuardThenPointer, BUF(SDK(uZyvSDKGetCalibrationData)(0, static_cast<double*>(b)))},
    // Settings getters.
    {"GetBWL", 4, kGetter, BUF(SDK(uZyvSDKGetBWL)(0, static_cast<int32_t*>(b)))},
    {"GetCoupling", 4, kGetter, BUF(SDK(uZyvSDKGetCoupling)(1, static_cast<int32_t*>(b)))},
    {"GetAcquireMode", 4, kGetter, BUF(SDK(uZyvSDKGetAcquireMode)(2, static_cast<int32_t*>(b)))},
    {"GetVoltDiv", 4, kGetter, BUF(SDK(uZyvSDKGetVoltDiv)(3, static_cast<int32_t*>(b)))},
    {"GetVoltPos", 4, kGetter, BUF(SDK(uZyvSDKGetVoltPos)(0, static_cast<int32_t*>(b)))},
    {"GetVoltOfs", 4, kGetter, BUF(SDK(uZyvSDKGetVoltOfs)(0, static_cast<int32_t*>(b)))},
    {"GetTrigCouple", 4, kGetter, BUF(SDK(uZyvSDKGetTrigCouple)(static_cast<int32_t*>(b)))},
    {"GetSampleRate", 8, kGetter, BUF(SDK(uZyvSDKGetSampleRate)(static_cast<int64_t*>(b)))},
    {"GetRecordLength", 4, kGetter, BUF(SDK(uZyvSDKGetRecordLength)(static_cast<int32_t*>(b)))},
    {"GetWaitMode mode", 4, kGetter, BUF(SDK(uZyvSDKGetWaitMode)(static_cast<int32_t*>(b), &s().wide))},
    {"GetWaitMode param", 8, kGetter, BUF(SDK(uZyvSDKGetWaitMode)(&s().result, static_cast<int64_t*>(b)))},
    {"GetDelayTime", 8, kGetter, BUF(SDK(uZyvSDKGetDelayTime)(static_cast<int64_t*>(b)))},
    {"GetHoldoffTime", 8, kGetter, BUF(SDK(uZyvSDKGetHoldoffTime)(static_cast<int64_t*>(b)))},
    {"GetTrigPos", 8, kGetter, BUF(SDK(uZyvSDKGetTrigPos)(static_cast<int64_t*>(b)))},
    {"GetHwBit", 4, kGetter, BUF(SDK(uZyvSDKGetHwBit)(static_cast<int32_t*>(b)))},
    // Reads and conversions.
    {"ReadExRaw samples", 4 * kRecord, kGuardThenPointer,
     BUF(SDK(uZyvSDKReadExRaw)(0, &s().status, static_cast<int16_t*>(b), s().zero, s().base, s().gains,
                               &s().timeOffset))},
    {"ReadDbl_mv out", 16 * kRecord, kGuardThenPointer,
     BUF(SDK(uZyvSDKReadDbl_mv)(0, &s().status, static_cast<double*>(b), s().multipliers))},
    {"ReadDbl_uv out", 16 * kRecord, kGuardThenPointer,
     BUF(SDK(uZyvSDKReadDbl_uv)(0, &s().status, static_cast<double*>(b), s().multipliers))},
    {"RawToDbl_mv out", 64, kPointerAlways,
     BUF(SDK(uZyvSDKRawToDbl_mv)(s().raw, static_cast<double*>(b), 8, 0, 0, 1, 0, 1))},
    {"RawToDbl_uv out", 64, kPointerAlways,
     BUF(SDK(uZyvSDKRawToDbl_uv)(s().raw, static_cast<double*>(b), 8, 0, 0, 1, 0, 1))},
    // Spectrum, measurement, pass/fail.
    {"GetFFTData spectrum", 64, kPointerAlways,
     BUF(SDK(uZyvSDKGetFFTData)(s().spectrumIn, 8, 0, 1, static_cast<double*>(b)))},
    {"Measurement validOut", 2, kPointerAlways,
     BUF(SDK(uZyvSDKMeasurement)(s().types, 0, 100, validParams(), nullptr, static_cast<uint8_t*>(b),
                                 s().values))},
    {"Measurement valuesOut", 16, kPointerAlways,
     BUF(SDK(uZyvSDKMeasurement)(s().types, 0, 100, validParams(), nullptr, s().valid,
                                 static_cast<double*>(b)))},
    {"PassFailCheck result", 4, kMaskThenPointer,
     BUF(SDK(uZyvSDKPassFailCheck)(0, static_cast<int32_t*>(b)))},
};
#undef BUF

enum Kind { kNull, kShort, kReadOnly, kMisaligned };
const char* const kKindNames[] = {"null", "short", "read-only", "misaligned"};

class HostileArguments : public SdkTest {
 protected:
  void SetUp() override {
    SdkTest::SetUp();
    scratch_ = std::make_unique<Scratch>();
    g_scratch = scratch_.get();
  }
  void TearDown() override {
    g_scratch = nullptr;
    SdkTest::TearDown();
  }

  // Loads the library afresh, with the simulated runtime scripted, and
  // brings it into the state.
  void enter(State state) {
    reloadSdk();
    zyvsim_reset();
    zyvsim_defaults()->instrument = 0;
    switch (state) {
      case kNeverStarted:
        break;
      case kOpen:
        ASSERT_EQ(2, openGroup());
        // A mask, so that the pass/fail check reaches its result buffer.
        ASSERT_EQ(1, SDK(uZyvSDKPassFailInit)(s().reference, 16, 1000000000, 0, 0, 0, 0, 1, &s().divisor, 0));
        ASSERT_EQ(1, SDK(uZyvSDKSetSampleRate)(1000000000));
        break;
      case kShutDown:
        ASSERT_EQ(2, openGroup());
        ASSERT_EQ(1, SDK(uZyvSDKShutdown)());
        break;
      case kFailedLoad:
        useRuntime("noload");
        EXPECT_EQ(0, SDK(uZyvSDKSelectGroup)(0));
        break;
      case kStates:
        break;
    }
    lastError();
  }

  std::unique_ptr<Scratch> scratch_;
};

// The LastError of a refused buffer (0: none set).
int32_t expectedRefusal(const BufferCase& c, State state) {
  if (c.refusal == kPointerAlways || state == kOpen) return UZYV_ERR_POINTER;
  if (c.refusal == kGetter && state == kNeverStarted) return 0;
  if (c.refusal == kMaskThenPointer) return UZYV_ERR_NO_MASK;
  return UZYV_ERR_NOT_OPEN;
}

bool filledWith(const void* p, std::size_t n, uint8_t value) {
  const auto* bytes = static_cast<const uint8_t*>(p);
  for (std::size_t i = 0; i < n; ++i)
    if (bytes[i] != value) return false;
  return true;
}

TEST_F(HostileArguments, BadBuffersAreRefusedUntouchedInEveryState) {
  for (int st = 0; st < kStates; ++st) {
    const State state = State(st);
    enter(state);
    for (const BufferCase& c : kBufferCases) {
      for (Kind kind : {kNull, kShort, kReadOnly}) {
        SCOPED_TRACE(std::string(c.name) + ", " + kKindNames[kind] + ", " + kStateNames[state]);
        GuardedBuffer buffer(kind == kShort ? c.bytes - 1 : c.bytes);
        const std::size_t available = kind == kShort ? c.bytes - 1 : c.bytes;
        std::memset(buffer.data(), kFill, available);
        if (kind == kReadOnly) buffer.makeReadOnly();
        EXPECT_EQ(0, c.call(kind == kNull ? nullptr : buffer.data()));
        EXPECT_EQ(expectedRefusal(c, state), lastError());
        EXPECT_TRUE(filledWith(buffer.data(), available, kFill)) << "written on failure";
      }
    }
  }
}

TEST_F(HostileArguments, MisalignedBuffersWorkAsAlignedOnes) {
  for (State state : {kNeverStarted, kOpen}) {
    enter(state);
    for (const BufferCase& c : kBufferCases) {
      SCOPED_TRACE(std::string(c.name) + ", " + kStateNames[state]);
      std::vector<uint8_t> aligned(c.bytes + 16, kFill);
      const int32_t alignedResult = c.call(aligned.data() + 8);
      const int32_t alignedError = lastError();
      if (state == kOpen) EXPECT_NE(0, alignedResult) << "error " << alignedError;
      GuardedBuffer buffer(c.bytes + 1);
      std::memset(buffer.data(), kFill, c.bytes + 1);
      auto* odd = static_cast<uint8_t*>(buffer.data()) + 1;
      EXPECT_EQ(alignedResult, c.call(odd));
      EXPECT_EQ(alignedError, lastError());
      EXPECT_EQ(kFill, *static_cast<uint8_t*>(buffer.data()));
      if (alignedResult == 0) EXPECT_TRUE(filledWith(odd, c.bytes, kFill)) << "written on failure";
    }
  }
}

// Texts that end exactly at a faulting page: read up to their terminator
// and no further.
TEST_F(HostileArguments, TextsEndingAtAFaultingPageAreReadNoFurther) {
  const std::string folder = runtimeFolder("default");
  struct TextCase {
    const char* name;
    std::string text;
    int32_t (*call)(const char*);
  };
  const TextCase cases[] = {
      {"SetWorkDir", folder, [](const char* t) { return SDK(uZyvSDKSetWorkDir)(t); }},
      {"ReadIniFile", folder + "none.ini", [](const char* t) { return SDK(uZyvSDKReadIniFile)(t); }},
      {"InitStack", "a,b", [](const char* t) { return SDK(uZyvSDKInitStack)(t); }},
      {"SetWorkDir, overlong", std::string(600, 'x'), [](const char* t) { return SDK(uZyvSDKSetWorkDir)(t); }},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.name);
    GuardedBuffer buffer(c.text.size() + 1);
    std::memcpy(buffer.data(), c.text.c_str(), c.text.size() + 1);
    buffer.makeReadOnly();
    c.call(static_cast<const char*>(buffer.data()));
    lastError();
  }
}

// Indices and counts outside their ranges, on an open group of two devices.
struct RangeCase {
  const char* name;
  int32_t (*call)();
  int32_t result;
  int32_t error;
};

#define CALL(x) []() -> int32_t { return x; }
const RangeCase kRangeCases[] = {
    {"SelectGroup 20", CALL(SDK(uZyvSDKSelectGroup)(20)), 0, UZYV_ERR_GROUP_INDEX},
    {"SelectGroup max", CALL(SDK(uZyvSDKSelectGroup)(UINT32_MAX)), 0, UZYV_ERR_GROUP_INDEX},
    {"GetProductID device -1", CALL(SDK(uZyvSDKGetProductID)(-1, &s().result)), 0, UZYV_ERR_DEVICE},
    {"GetProductID device 2", CALL(SDK(uZyvSDKGetProductID)(2, &s().result)), 0, UZYV_ERR_DEVICE},
    {"GetHwInfo device min", CALL(SDK(uZyvSDKGetHwInfo)(INT32_MIN, 3, &s().result)), 0, UZYV_ERR_DEVICE},
    {"GetTemperature device max", CALL(SDK(uZyvSDKGetTemperature)(INT32_MAX, &s().result)), 0, UZYV_ERR_DEVICE},
    {"ReadExRaw device 2",
     CALL(SDK(uZyvSDKReadExRaw)(2, &s().status, s().samples.data(), s().zero, s().base, s().gains, nullptr)), 0,
     UZYV_ERR_RUNTIME_8},  // reads leave the device to the runtime, which refuses it
    {"ReadDbl_mv device -1", CALL(SDK(uZyvSDKReadDbl_mv)(-1, &s().status, s().out.data(), s().multipliers)), 0,
     UZYV_ERR_RUNTIME_8},
    {"SetVoltDiv channel -1", CALL(SDK(uZyvSDKSetVoltDiv)(-1, 2000)), 0, UZYV_ERR_CHANNEL},
    {"SetVoltDiv channel 4", CALL(SDK(uZyvSDKSetVoltDiv)(4, 2000)), 0, UZYV_ERR_CHANNEL},
    {"SetBWL channel max", CALL(SDK(uZyvSDKSetBWL)(INT32_MAX, 0)), 0, UZYV_ERR_CHANNEL},
    {"GetVoltDiv channel min", CALL(SDK(uZyvSDKGetVoltDiv)(INT32_MIN, &s().result)), 0, UZYV_ERR_CHANNEL},
    {"Setting channel 5", CALL(SDK(uZyvSDKSetting)(5, 7, 2000)), 0, UZYV_ERR_CHANNEL},
    {"Setting channel -1", CALL(SDK(uZyvSDKSetting)(-1, 7, 2000)), 0, UZYV_ERR_CHANNEL},
    {"GetChOnOff channel max", CALL(SDK(uZyvSDKGetChOnOff)(INT32_MAX)), 0, UZYV_ERR_DEVICE},
    {"SetEdgeTrig source 3", CALL(SDK(uZyvSDKSetEdgeTrig)(3, 0, 0)), 0, UZYV_ERR_VALUE},
    {"SetEdgeTrig source -1", CALL(SDK(uZyvSDKSetEdgeTrig)(-1, 0, 0)), 0, UZYV_ERR_VALUE},
    {"PassFailCheck channel -1", CALL(SDK(uZyvSDKPassFailCheck)(-1, &s().result)), 0, UZYV_ERR_CHANNEL},
    {"PassFailCheck channel 4", CALL(SDK(uZyvSDKPassFailCheck)(4, &s().result)), 0, UZYV_ERR_RUNTIME_8},
    {"PassFailCheck channel max", CALL(SDK(uZyvSDKPassFailCheck)(INT32_MAX, &s().result)), 0, UZYV_ERR_RUNTIME_8},
    {"MeasExInit channel 2", CALL(SDK(uZyvSDKMeasExInit)(2, 0, 0, 0, 0, 1, 1, 1000000, 0, s().raw)), 0,
     UZYV_ERR_CHANNEL},
    {"MeasExInit channel min", CALL(SDK(uZyvSDKMeasExInit)(INT32_MIN, 0, 0, 0, 0, 1, 1, 1000000, 0, s().raw)), 0,
     UZYV_ERR_CHANNEL},
    {"MeasExAddType -1", CALL(SDK(uZyvSDKMeasExAddType)(-1)), 0, UZYV_ERR_MEAS_TYPE},
    {"MeasExAddType max", CALL(SDK(uZyvSDKMeasExAddType)(INT32_MAX)), 0, UZYV_ERR_MEAS_TYPE},
    {"MeasExStart without samples", CALL(SDK(uZyvSDKMeasExStart)(0, 8, nullptr)), 0, UZYV_ERR_POINTER},
    {"Measurement start -1",
     CALL(SDK(uZyvSDKMeasurement)(s().types, -1, 8, validParams(), nullptr, s().valid, s().values)), 0,
     UZYV_ERR_MEAS_RANGE},
    {"Measurement end before start",
     CALL(SDK(uZyvSDKMeasurement)(s().types, 8, 4, validParams(), nullptr, s().valid, s().values)), 0,
     UZYV_ERR_MEAS_RANGE},
    {"Measurement start min",
     CALL(SDK(uZyvSDKMeasurement)(s().types, INT32_MIN, INT32_MIN, validParams(), nullptr, s().valid, s().values)),
     0, UZYV_ERR_MEAS_RANGE},
    {"RawToDbl_mv count max", CALL(SDK(uZyvSDKRawToDbl_mv)(s().raw, s().out.data(), INT32_MAX, 0, 0, 1, 0, 1)), 0,
     UZYV_ERR_POINTER},
    {"RawToDbl_uv count min", CALL(SDK(uZyvSDKRawToDbl_uv)(s().raw, s().out.data(), INT32_MIN, 0, 0, 1, 0, 1)), 1,
     0},
    {"GetFFTData count -1", CALL(SDK(uZyvSDKGetFFTData)(s().spectrumIn, -1, 0, 1, s().out.data())), 0, 0},
    {"GetFFTData count 4096", CALL(SDK(uZyvSDKGetFFTData)(s().spectrumIn, 4096, 0, 1, s().out.data())), 0, 0},
    {"GetFFTData count max", CALL(SDK(uZyvSDKGetFFTData)(s().spectrumIn, INT32_MAX, 0, 1, s().out.data())), 0, 0},
    {"PassFailInit count -1",
     CALL(SDK(uZyvSDKPassFailInit)(s().reference, -1, 1000000000, 0, 0, 0, 0, 1, &s().divisor, 0)), 0,
     UZYV_ERR_MASK},
    {"PassFailInit count min",
     CALL(SDK(uZyvSDKPassFailInit)(s().reference, INT32_MIN, 1000000000, 0, 0, 0, 0, 1, &s().divisor, 0)), 0,
     UZYV_ERR_MASK},
    {"PassFailInit rate min",
     CALL(SDK(uZyvSDKPassFailInit)(s().reference, 16, INT64_MIN, 0, 0, 0, 0, 1, &s().divisor, 0)), 0,
     UZYV_ERR_MASK},
    // Time tolerances beyond any record cover it whole.
    {"PassFailInit time tolerances extreme",
     CALL(SDK(uZyvSDKPassFailInit)(s().reference, 16, 1000000000, INT64_MAX, INT64_MIN, 0, 0, 1, &s().divisor, 0)),
     1, 0},
    {"PassFailInit tolerance above max",
     CALL(SDK(uZyvSDKPassFailInit)(s().reference, 16, 1000000000, 0, 0, 0, INT32_MAX, INT32_MAX, &s().divisor, 0)),
     0, UZYV_ERR_MASK},
    {"SetRecordLength -8", CALL(SDK(uZyvSDKSetRecordLength)(-8)), 0, UZYV_ERR_RECORD_LENGTH},
    {"SetRecordLength min", CALL(SDK(uZyvSDKSetRecordLength)(INT32_MIN)), 0, UZYV_ERR_RECORD_LENGTH},
    {"SetDelayTime min", CALL(SDK(uZyvSDKSetDelayTime)(INT64_MIN)), 0, UZYV_ERR_DELAY_TIME},
    {"SetHoldoffTime max", CALL(SDK(uZyvSDKSetHoldoffTime)(INT64_MAX)), 0, UZYV_ERR_HOLDOFF_TIME},
    {"SetVoltPos max", CALL(SDK(uZyvSDKSetVoltPos)(0, INT32_MAX)), 0, UZYV_ERR_POSITION},
    {"SetVoltOfs min", CALL(SDK(uZyvSDKSetVoltOfs)(0, INT32_MIN)), 0, UZYV_ERR_POSITION},
    {"SetEnv mode 3 while open", CALL(SDK(uZyvSDKSetEnv)(3, 0, 0)), 0, UZYV_ERR_STATE},
    {"InitStack 21 items", CALL(SDK(uZyvSDKInitStack)("a,b,c,d,e,f,g,h,i,j,k,l,m,n,o,p,q,r,s,t,u")), 0,
     UZYV_ERR_STACK_LIST},
    {"InitStack item of 17", CALL(SDK(uZyvSDKInitStack)("abcdefghijklmnopq")), 0, UZYV_ERR_STACK_LIST},
};
#undef CALL

TEST_F(HostileArguments, IndicesAndCountsOutOfRangeAreRefused) {
  enter(kOpen);
  for (const RangeCase& c : kRangeCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.result, c.call());
    EXPECT_EQ(c.error, lastError());
  }
}

// Every other export in every state, with arguments a program might pass
// by mistake: whatever happens, the call returns and LastError holds a code
// the header names.
struct AnyCall {
  const char* name;
  int32_t (*call)();
};

#define CALL(x) []() -> int32_t { return int32_t(x); }
const AnyCall kAnyCalls[] = {
    {"SetEnv", CALL(SDK(uZyvSDKSetEnv)(UINT32_MAX, UINT32_MAX, UINT32_MAX))},
    {"InitStack null", CALL(SDK(uZyvSDKInitStack)(nullptr))},
    {"InitStack commas", CALL(SDK(uZyvSDKInitStack)(",,,,,,,,,,,,,,,,,,,,,,,,,,,,,,"))},
    {"GetDeviceCount", CALL(SDK(uZyvSDKGetDeviceCount)())},
    {"GetErrorCode", CALL(SDK(uZyvSDKGetErrorCode)())},
    {"GetTemperature", CALL(SDK(uZyvSDKGetTemperature)(0, &s().wide))},
    {"GetHwInfo selector max", CALL(SDK(uZyvSDKGetHwInfo)(0, UINT32_MAX, &s().wide))},
    {"Setting", CALL(SDK(uZyvSDKSetting)(4, INT32_MIN, 0))},
    {"SetBWL", CALL(SDK(uZyvSDKSetBWL)(0, INT32_MIN))},
    {"SetCoupling", CALL(SDK(uZyvSDKSetCoupling)(1, INT32_MAX))},
    {"SetChOnOff", CALL(SDK(uZyvSDKSetChOnOff)(2, INT32_MIN))},
    {"SetAcquireMode", CALL(SDK(uZyvSDKSetAcquireMode)(3, -1))},
    {"SetTrigCouple", CALL(SDK(uZyvSDKSetTrigCouple)(INT32_MAX))},
    {"SetVoltDiv", CALL(SDK(uZyvSDKSetVoltDiv)(0, INT32_MIN))},
    {"SetVoltDivEx", CALL(SDK(uZyvSDKSetVoltDivEx)(1, 0))},
    {"SetVoltPos", CALL(SDK(uZyvSDKSetVoltPos)(0, -1))},
    {"SetVoltOfs", CALL(SDK(uZyvSDKSetVoltOfs)(3, INT32_MAX))},
    {"SetSampleRate", CALL(SDK(uZyvSDKSetSampleRate)(INT64_MIN))},
    {"SetRecordLength", CALL(SDK(uZyvSDKSetRecordLength)(INT32_MAX))},
    {"SetWaitMode", CALL(SDK(uZyvSDKSetWaitMode)(3, INT64_MIN))},
    {"SetDelayTime", CALL(SDK(uZyvSDKSetDelayTime)(-1))},
    {"SetHoldoffTime", CALL(SDK(uZyvSDKSetHoldoffTime)(INT64_MIN))},
    {"SetTrigPos", CALL(SDK(uZyvSDKSetTrigPos)(INT64_MAX))},
    {"SetHwBit", CALL(SDK(uZyvSDKSetHwBit)(INT32_MIN))},
    {"GetChOnOff", CALL(SDK(uZyvSDKGetChOnOff)(-1))},
    {"SetEdgeTrig", CALL(SDK(uZyvSDKSetEdgeTrig)(2, 3, INT64_MIN))},
    {"SetVideoTrig", CALL(SDK(uZyvSDKSetVideoTrig)(1, -1, INT32_MIN))},
    {"SetRuntTrig", CALL(SDK(uZyvSDKSetRuntTrig)(0, 2, 3, -1, INT64_MIN, INT64_MAX, INT64_MIN))},
    {"SetWidthTrig", CALL(SDK(uZyvSDKSetWidthTrig)(2, 2, 3, INT32_MAX, INT64_MAX, INT64_MIN))},
    {"SetPatternTrig", CALL(SDK(uZyvSDKSetPatternTrig)(2, 2, -1, -1, 1, INT64_MIN, INT64_MAX, INT64_MIN))},
    {"SetStateTrig", CALL(SDK(uZyvSDKSetStateTrig)(0, 2, INT32_MIN, INT32_MAX, 1, INT64_MAX, INT64_MIN))},
    {"Capture null", CALL(SDK(uZyvSDKCapture)(nullptr))},
    {"CaptureEx", CALL(SDK(uZyvSDKCaptureEx)())},
    {"Stop", CALL(SDK(uZyvSDKStop)())},
    {"ForceTrig", CALL(SDK(uZyvSDKForceTrig)())},
    {"GetStatus", CALL(SDK(uZyvSDKGetStatus)(INT32_MIN))},
    {"DataReady", CALL(SDK(uZyvSDKDataReady)())},
    {"FGSetting", CALL(SDK(uZyvSDKFGSetting)(INT32_MAX, 0))},
    {"Read", CALL(SDK(uZyvSDKRead)(0))},
    {"ReadExRaw all null", CALL(SDK(uZyvSDKReadExRaw)(0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr))},
    {"ReadDbl_uv null multipliers", CALL(SDK(uZyvSDKReadDbl_uv)(0, &s().status, s().out.data(), nullptr))},
    {"RawToDbl_mv null raw", CALL(SDK(uZyvSDKRawToDbl_mv)(nullptr, s().out.data(), 8, 0, 0, 1, 0, 1))},
    {"GetFFTData null samples", CALL(SDK(uZyvSDKGetFFTData)(nullptr, 8, 0, 0, s().out.data()))},
    {"ReadIniFile null", CALL(SDK(uZyvSDKReadIniFile)(nullptr))},
    {"ReadIniFile folder", CALL(SDK(uZyvSDKReadIniFile)("."))},
    {"Measurement null types", CALL(SDK(uZyvSDKMeasurement)(nullptr, 0, 8, validParams(), nullptr, s().valid, s().values))},
    {"Measurement null params", CALL(SDK(uZyvSDKMeasurement)(s().types, 0, 8, nullptr, nullptr, s().valid, s().values))},
    {"MeasExInit null samples", CALL(SDK(uZyvSDKMeasExInit)(0, 0, 0, 0, 0, 1, 1, 1000000, 0, nullptr))},
    {"MeasExAddType", CALL(SDK(uZyvSDKMeasExAddType)(2530))},
    {"MeasExStart", CALL(SDK(uZyvSDKMeasExStart)(INT32_MIN, INT32_MAX, nullptr))},
    {"MeasExGetResult", CALL(SDK(uZyvSDKMeasExGetResult)(INT32_MIN))},
    {"MeasExGetValue", CALL(SDK(uZyvSDKMeasExGetValue)(INT32_MAX))},
    {"MeasExFreeResource", CALL(SDK(uZyvSDKMeasExFreeResource)())},
    {"PassFailInit null reference",
     CALL(SDK(uZyvSDKPassFailInit)(nullptr, 16, 1000000000, 0, 0, 0, 0, 1, &s().divisor, 0))},
    {"PassFailInit null divisor", CALL(SDK(uZyvSDKPassFailInit)(s().reference, 16, 1000000000, 0, 0, 0, 0, 1, nullptr, 0))},
    {"PassFailGetMask all null", CALL(SDK(uZyvSDKPassFailGetMask)(nullptr, nullptr, nullptr, nullptr, nullptr))},
    {"Autoset", CALL(SDK(uZyvSDKAutoset)())},
    {"Shutdown", CALL(SDK(uZyvSDKShutdown)())},
    {"SelectGroup 19", CALL(SDK(uZyvSDKSelectGroup)(19))},
    {"Init", CALL(SDK(uZyvSDKInit)())},
    {"SetWorkDir", CALL(SDK(uZyvSDKSetWorkDir)(""))},
    {"GetErrorCodeEx", CALL(SDK(uZyvSDKGetErrorCodeEx)())},
};
#undef CALL

// A code of the header's error table.
bool documentedCode(int32_t code) { return std::strcmp(uZyvErrorText(code), "unknown error code") != 0; }

TEST_F(HostileArguments, EveryExportInEveryStateEndsWithADocumentedCode) {
  for (int st = 0; st < kStates; ++st) {
    const State state = State(st);
    enter(state);
    for (const AnyCall& c : kAnyCalls) {
      SCOPED_TRACE(std::string(c.name) + ", " + kStateNames[state]);
      c.call();
      EXPECT_TRUE(documentedCode(lastError()));
    }
  }
}

}  // namespace
