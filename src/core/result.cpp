// LastError and the result convention.
#include "core/result.h"

#include "core/groups.h"

namespace uzyv {

void setLastError(Code code) { core().lastError = code; }

bool noteFailure(Code code) {
  if (code == kOk) return false;
  if (code != kSilent) setLastError(code);
  return true;
}

int32_t report(Code code) { return noteFailure(code) ? 0 : 1; }

}  // namespace uzyv
