// The measurement engine's part in the library's life.
#include "core/library.h"

namespace uzyv {
void measurementLoaded() {}
void measurementStartUp() {}
void measurementUnloading() {}
}  // namespace uzyv
