// The generic setting dispatch: every setting reaches the runtime here.
#include "core/groups.h"

namespace uzyv {

Code sendSetting(int32_t channel, int32_t id, uZyvValue value) {
  DeviceGroup* group = nullptr;
  if (Code c = requireOpen(group)) return c;
  // Inclusive upper bound: 2N + 1 channel values pass.
  if (channel < 0 || channel > 2 * group->deviceCount) return UZYV_ERR_CHANNEL;
  RuntimeApi::Setting send = runtime().uZyvSetting;
  if (!send) return UZYV_ERR_RUNTIME_ENTRIES;
  return send(channel, id, value) ? kOk : runtimeFailure();
}

}  // namespace uzyv

extern "C" UZYV_API int32_t UZYV_CALL uZyvSDKSetting(int32_t channel, int32_t id, uZyvValue value) {
  return uzyv::exportCall(uzyv::sendSetting, channel, id, value);
}
