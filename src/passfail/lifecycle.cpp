// The pass/fail mask's part in the library's life: one library-wide mask,
// freed at unload.
#include "core/library.h"
#include "passfail/mask.h"

namespace uzyv {

namespace {
// A plain pointer, so that no static destructor runs in an order of the
// toolchain's choosing.
PassFailMask* g_mask = nullptr;
}  // namespace

PassFailMask* passFailMask() { return g_mask; }

void replacePassFailMask(PassFailMask* mask) {
  delete g_mask;
  g_mask = mask;
}

void passFailUnloading() { replacePassFailMask(nullptr); }

}  // namespace uzyv
