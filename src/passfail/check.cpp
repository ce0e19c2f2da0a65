// uZyvSDKPassFailCheck: reads one channel's current waveform and reports
// the first point outside the mask.
#include <algorithm>
#include <vector>

#include "acquisition/acquisition.h"
#include "passfail/mask.h"
#include "settings/settings.h"

namespace uzyv {
namespace {

Code checkChannel(int32_t channel, int32_t* result) {
  const PassFailMask* mask = passFailMask();
  if (!mask) return UZYV_ERR_NO_MASK;
  int64_t rate = 0;
  int32_t n = 0;
  if (Code c = getSampleRate(&rate)) return c;
  if (Code c = getRecordLength(&n)) return c;
  if (channel < 0) return UZYV_ERR_CHANNEL;
  if (Code c = requireWritable(result, sizeof *result)) return c;
  if (!maskRateUsable(rate)) return UZYV_ERR_MASK;
  n = std::max(n, 0);

  // The unshifted record with its time offset; never an empty buffer, so
  // that a record length of 0 still reads.
  std::vector<int16_t> samples(std::max<std::size_t>(std::size_t(n) * 2, 1));
  double zeroLevels[2] = {};
  double baseOffsets[2] = {};
  double gains[2] = {};
  int32_t timeOffset = 0;
  int32_t readResult = 0;
  if (Code c = readRaw(channel / 2, nullptr, samples.data(), zeroLevels, baseOffsets, gains, &timeOffset, readResult))
    return c;

  *result = -1;
  const int64_t g = int64_t(timeOffset) / -sampleIntervalPs(rate);
  const int16_t* block = samples.data() + std::size_t(channel % 2) * std::size_t(n);
  *result = firstMaskFailure(block, n, g, *mask);
  return kOk;
}

}  // namespace
}  // namespace uzyv

extern "C" UZYV_API int32_t UZYV_CALL uZyvSDKPassFailCheck(int32_t channel, int32_t* result) {
  return uzyv::exportCall(uzyv::checkChannel, channel, result);
}
