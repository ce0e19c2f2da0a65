// The result convention of the internal operations and the shell through
// which every export runs one of them.
#pragma once

#include <cstdint>
#include <mutex>
#include <utility>

#include "uZyvSDK.h"

namespace uzyv {

// Internal operations return a Code: kOk, a LastError value, or kSilent for
// a refusal that leaves LastError as it was.
using Code = int32_t;
inline constexpr Code kOk = 0;
inline constexpr Code kSilent = -1;

void setLastError(Code code);

// Notes a step's failure in LastError the way an export reports it (kSilent
// leaves it as it was), for operations that go on after a failed step.
// True when the step failed.
bool noteFailure(Code code);

// The answer 0 of an operation that answers a value, with the failure that
// ends it noted.
inline int32_t failedAnswer(Code code) {
  noteFailure(code);
  return 0;
}

// Turns an export's Code into its result, 1 or 0, and LastError.
int32_t report(Code code);

// The one lock of the library, a member of the library object. Every export
// holds it for the whole of its operation, so that calls from several
// threads run one after another; it is recursive, so an operation may use
// another that takes it. The one thing read without it is the caller's
// abort byte of a measurement, which another thread sets while the
// measuring thread holds the lock.
std::recursive_mutex& exportLock();

// The shell of the exports that answer 1 or 0: runs the operation under the
// lock and reports its Code; no exception crosses the interface (15).
template <class Operation, class... Args>
int32_t exportCall(Operation&& operation, Args... args) noexcept {
  try {
    const std::lock_guard<std::recursive_mutex> serialised(exportLock());
    return report(std::forward<Operation>(operation)(args...));
  } catch (...) {
    return report(UZYV_ERR_RUNTIME);
  }
}

// The shell of the exports that answer a value of their own (a count, a
// runtime's answer, a double): the operation's value, under the lock, or 0
// with LastError 15 when an exception escapes it.
template <class Operation, class... Args>
auto exportValue(Operation&& operation, Args... args) noexcept -> decltype(operation(args...)) {
  try {
    const std::lock_guard<std::recursive_mutex> serialised(exportLock());
    return std::forward<Operation>(operation)(args...);
  } catch (...) {
    setLastError(UZYV_ERR_RUNTIME);
    return {};
  }
}

}  // namespace uzyv
