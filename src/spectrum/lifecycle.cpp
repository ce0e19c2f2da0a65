// The transform engine's part in the library's life.
#include "core/library.h"

namespace uzyv {
void spectrumLoaded() {}
void spectrumUnloading() {}
}  // namespace uzyv
