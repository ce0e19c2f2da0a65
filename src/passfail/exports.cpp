// uZyvSDKPassFailInit and uZyvSDKPassFailGetMask: building the mask from the
// application's reference and handing it back.
#include <algorithm>
#include <memory>
#include <new>
#include <stdexcept>

#include "passfail/mask.h"
#include "settings/settings.h"

namespace uzyv {
namespace {

Code buildMask(const int16_t* reference, int32_t count, int64_t rate, int64_t tolBefore, int64_t tolAfter,
               int32_t tolBelow, int32_t tolAbove, int32_t factor, const double* divisor, int32_t refOffset) {
  if (!reference || !divisor) return UZYV_ERR_POINTER;
  if (count < 0) return UZYV_ERR_MASK;
  MaskTolerances tolerances;
  if (Code c = maskTolerances(rate, tolBefore, tolAfter, tolBelow, tolAbove, factor, *divisor, refOffset, tolerances))
    return c;

  // From here a failure leaves no mask.
  replacePassFailMask(nullptr);
  std::unique_ptr<PassFailMask> mask;
  std::vector<int32_t> scratch;
  try {
    mask = std::make_unique<PassFailMask>();
    mask->limits.assign(std::size_t(count) * 2, 0);
    scratch.resize(std::size_t(count) * 2);
  } catch (const std::bad_alloc&) {
    return UZYV_ERR_MASK;
  } catch (const std::length_error&) {
    return UZYV_ERR_MASK;
  }
  mask->length = count;
  int16_t* upper = mask->limits.data();
  buildMaskLimits(reference, count, tolerances, upper, upper + count, scratch.data());
  mask->refShift = tolerances.refShift;
  replacePassFailMask(std::move(mask));
  return kOk;
}

// Copies min(record length, capacity, mask length) codes and writes that
// count back.
void copyLimits(const int16_t* from, int32_t length, int32_t recordLength, int16_t* to, int32_t* capacity) {
  const int32_t m = std::max(0, std::min({recordLength, *capacity, length}));
  std::copy(from, from + m, to);
  *capacity = m;
}

Code handOutMask(int16_t* upper, int32_t* upperCount, int16_t* lower, int32_t* lowerCount, int32_t* refShift) {
  int32_t n = 0;
  if (Code c = getRecordLength(&n)) return c;
  const PassFailMask* mask = passFailMask();
  if (!mask) return UZYV_ERR_NO_MASK;
  if (upper && upperCount) copyLimits(mask->upper(), mask->length, n, upper, upperCount);
  if (lower && lowerCount) copyLimits(mask->lower(), mask->length, n, lower, lowerCount);
  if (refShift) *refShift = mask->refShift;
  return kOk;
}

}  // namespace
}  // namespace uzyv

extern "C" {

UZYV_API int32_t UZYV_CALL uZyvSDKPassFailInit(const int16_t* reference, int32_t count, int64_t referenceRate,
                                               int64_t toleranceBefore, int64_t toleranceAfter,
                                               int32_t toleranceBelow, int32_t toleranceAbove,
                                               int32_t verticalFactor, const double* verticalDivisor,
                                               int32_t referenceTimeOffset) {
  return uzyv::exportCall(uzyv::buildMask, reference, count, referenceRate, toleranceBefore, toleranceAfter,
                          toleranceBelow, toleranceAbove, verticalFactor, verticalDivisor, referenceTimeOffset);
}

UZYV_API int32_t UZYV_CALL uZyvSDKPassFailGetMask(int16_t* upper, int32_t* upperCount, int16_t* lower,
                                                  int32_t* lowerCount, int32_t* refShift) {
  return uzyv::exportCall(uzyv::handOutMask, upper, upperCount, lower, lowerCount, refShift);
}

}  // extern "C"
