// The pass/fail mask's part in the library's life.
#include "core/library.h"

namespace uzyv {
void passFailUnloading() {}
}  // namespace uzyv
