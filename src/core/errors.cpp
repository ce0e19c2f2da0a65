// LastError, the translation of the runtime's error codes, and the two
// error-code exports.
#include "core/groups.h"

namespace uzyv {

namespace {
// LastError, cleared by reading it.
int32_t takeLastError() {
  CoreState& state = core();
  const Code code = state.lastError;
  state.lastError = 0;
  return code;
}

// The runtime's own current error code; 0 without a runtime.
int32_t runtimeErrorCode() {
  RuntimeApi::GetErrorCode get = runtime().uZyvGetErrorCode;
  return get ? get() : 0;
}

}  // namespace

Code translateRuntimeCode(int32_t runtimeCode, bool extendedProduct) {
  struct Row {
    int32_t runtime;
    Code plain;
    Code extended;
  };
  static constexpr Row kRows[] = {
      {1, 16, 16}, {2, 5, 17},  {3, 13, 15}, {4, 14, 15},  {5, 1, 15},   {6, 7, 15},
      {7, 8, 15},  {8, 9, 15},  {9, 10, 15}, {10, 11, 15}, {11, 12, 15}, {12, 15, 36},
      {17, 31, 31}, {18, 32, 32}, {19, 33, 33}, {99, 14, 14},
  };
  for (const Row& row : kRows)
    if (row.runtime == runtimeCode) return extendedProduct ? row.extended : row.plain;
  return UZYV_ERR_RUNTIME;
}

Code runtimeFailure() {
  DeviceGroup* group = currentGroupRecord();
  const bool extended = group && group->extendedProduct();
  return translateRuntimeCode(runtimeErrorCode(), extended);
}

}  // namespace uzyv

using namespace uzyv;

extern "C" {

UZYV_API int32_t UZYV_CALL uZyvSDKGetErrorCodeEx(void) { return exportValue(takeLastError); }
UZYV_API int32_t UZYV_CALL uZyvSDKGetErrorCode(void) { return exportValue(runtimeErrorCode); }

}  // extern "C"
