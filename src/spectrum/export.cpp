// uZyvSDKGetFFTData: the amplitude spectrum of the caller's samples. It needs
// no group and touches no device.
#include "core/result.h"
#include "platform/platform.h"
#include "spectrum/fft.h"

namespace uzyv {
namespace {
Code spectrumOf(const double* samples, int32_t count, int32_t scale, int32_t window, double* spectrum) {
  if (!samples || !spectrum) return UZYV_ERR_POINTER;
  MyFFT& engine = requireSpectrumEngine();
  const int32_t n = engine.SetSize(count);
  if (n == 0) return kSilent;
  if (!platform::isWritable(spectrum, std::size_t(n) * sizeof(double))) return UZYV_ERR_POINTER;
  engine.Load(samples, n);
  engine.Run(n, scale, window, spectrum);
  return kOk;
}
}  // namespace
}  // namespace uzyv

extern "C" UZYV_API int32_t UZYV_CALL uZyvSDKGetFFTData(const double* samples, int32_t count, int32_t scale,
                                                        int32_t window, double* spectrum) {
  return uzyv::exportCall(uzyv::spectrumOf, samples, count, scale, window, spectrum);
}
