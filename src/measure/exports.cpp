// The measurement exports: one self-contained call, and the staged form that
// keeps its input and requested types in the library between calls. Both
// drive the one engine and share its requested set and its results.
#include "core/groups.h"
#include "measure/engine.h"

namespace uzyv {

namespace {

// Measurements need device 0 to answer its hardware version; the value
// itself is not used. Without a loaded runtime the query cannot be made.
Code checkHardware() {
  RuntimeApi::GetHwInfo get = runtime().uZyvGetHwInfo;
  int32_t version = 0;
  if (!get || !get(0, kInfoHwVer, &version)) return UZYV_ERR_HW_VERSION;
  return kOk;
}

// Channel 0 is always present; channel 1 only with samples.
uint32_t skipMaskFor(const MeasInput& in) { return ~uint32_t(1) & ~(in.channel[1].samples ? uint32_t(2) : 0); }

// A run with the caller's abort byte, which the engine forgets afterwards,
// together with the input.
bool runWith(AqMeasurement& engine, const MeasInput& in, uint8_t* abortFlag) {
  engine.abortFlag = abortFlag;
  const bool ok = engine.Run(&in);
  engine.abortFlag = nullptr;
  engine.input = nullptr;
  return ok;
}

Code doMeasurement(const int32_t* types, int32_t start, int32_t end, const MeasParams* params, uint8_t* abortFlag,
                   uint8_t* validOut, double* valuesOut) {
  if (!params || !types || !validOut || !valuesOut) return UZYV_ERR_POINTER;
  std::size_t listed = 0;
  while (types[listed] != UZYV_MEAS_LIST_END) ++listed;
  if (Code c = requireWritable(validOut, listed)) return c;
  if (Code c = requireWritable(valuesOut, listed * sizeof(double))) return c;
  if (Code c = checkHardware()) return c;

  MeasInput in;
  in.sampleRate = params->sampleRate;
  in.reserved0 = params->reserved0;
  for (int i = 0; i < kMeasInputChannels; ++i) {
    MeasInputChannel& ch = in.channel[i];
    ch.samples = params->samples[i];
    ch.zeroLevel = params->zeroLevel[i];
    ch.gain = params->gain[i];
    ch.baseOffset = params->baseOffset[i];
    ch.voltOffset = params->voltOffset[i];
    ch.multiplier = params->multiplier[i];
    ch.reserved = params->reservedCh[i];
  }
  in.skipMask = skipMaskFor(in);

  AqMeasurement& engine = measurementEngine();
  if (!engine.ClearRequests()) return UZYV_ERR_RUNTIME;
  for (std::size_t j = 0; j < listed && j < std::size_t(kMeasSlots); ++j)
    if (!engine.RequestType(types[j])) return UZYV_ERR_MEAS_TYPE;
  if (!engine.SetRange(-1, start, end)) return UZYV_ERR_MEAS_RANGE;
  if (!runWith(engine, in, abortFlag)) return UZYV_ERR_MEAS_RUN;
  for (std::size_t j = 0; j < listed; ++j) {
    double value = 0;
    if (engine.GetResult(types[j], &value)) {
      validOut[j] = 1;
      valuesOut[j] = value;
    } else {
      validOut[j] = 0;
    }
  }
  return kOk;
}

Code doMeasExInit(int32_t channel, int32_t reservedCh, double voltOffset, double zeroLevel, double baseOffset,
                  double gain, int32_t multiplier, int64_t sampleRate, int32_t reserved0, const int16_t* samples) {
  if (!samples) return UZYV_ERR_POINTER;
  if (channel < 0 || channel >= kMeasInputChannels) return UZYV_ERR_CHANNEL;
  if (Code c = checkHardware()) return c;
  MeasInput& staged = stagedMeasInput();
  MeasInputChannel& ch = staged.channel[channel];
  ch.voltOffset = voltOffset;
  ch.zeroLevel = zeroLevel;
  ch.baseOffset = baseOffset;
  ch.gain = gain;
  ch.multiplier = multiplier;
  ch.samples = samples;
  ch.reserved = reservedCh;
  staged.sampleRate = sampleRate;
  staged.reserved0 = reserved0;
  return kOk;
}

Code doMeasExAddType(int32_t type) {
  return measurementEngine().RequestType(type) ? kOk : UZYV_ERR_MEAS_TYPE;
}

Code doMeasExStart(int32_t start, int32_t end, uint8_t* abortFlag) {
  MeasInput& staged = stagedMeasInput();
  if (!staged.channel[0].samples) return UZYV_ERR_POINTER;
  if (Code c = checkHardware()) return c;
  staged.skipMask = skipMaskFor(staged);
  AqMeasurement& engine = measurementEngine();
  if (!engine.SetRange(-1, start, end)) return UZYV_ERR_MEAS_RANGE;
  if (!runWith(engine, staged, abortFlag)) return UZYV_ERR_MEAS_RUN;
  return kOk;
}

// The staged form's results: whether a type is valid, and its value (0 when
// it is not). Neither touches LastError.
int32_t measExResultValid(int32_t type) {
  double value = 0;
  return measurementEngine().GetResult(type, &value) ? 1 : 0;
}

double measExResultValue(int32_t type) {
  double value = 0;
  return measurementEngine().GetResult(type, &value) ? value : 0.0;
}

int32_t measExFreeResource() {
  measurementEngine().ClearRequests();
  return 1;
}

}  // namespace
}  // namespace uzyv

using namespace uzyv;

extern "C" {

UZYV_API int32_t UZYV_CALL uZyvSDKMeasurement(const int32_t* types, int32_t start, int32_t end, const MeasParams* params,
                                              uint8_t* abortFlag, uint8_t* validOut, double* valuesOut) {
  return exportCall(doMeasurement, types, start, end, params, abortFlag, validOut, valuesOut);
}

UZYV_API int32_t UZYV_CALL uZyvSDKMeasExInit(int32_t channel, int32_t reservedCh, double voltOffset, double zeroLevel,
                                             double baseOffset, double gain, int32_t multiplier, int64_t sampleRate,
                                             int32_t reserved0, const int16_t* samples) {
  return exportCall(doMeasExInit, channel, reservedCh, voltOffset, zeroLevel, baseOffset, gain, multiplier,
                    sampleRate, reserved0, samples);
}

UZYV_API int32_t UZYV_CALL uZyvSDKMeasExAddType(int32_t type) { return exportCall(doMeasExAddType, type); }
UZYV_API int32_t UZYV_CALL uZyvSDKMeasExStart(int32_t start, int32_t end, uint8_t* abortFlag) {
  return exportCall(doMeasExStart, start, end, abortFlag);
}
UZYV_API int32_t UZYV_CALL uZyvSDKMeasExGetResult(int32_t type) { return exportValue(measExResultValid, type); }
UZYV_API double UZYV_CALL uZyvSDKMeasExGetValue(int32_t type) { return exportValue(measExResultValue, type); }
UZYV_API int32_t UZYV_CALL uZyvSDKMeasExFreeResource(void) { return exportValue(measExFreeResource); }

}  // extern "C"
