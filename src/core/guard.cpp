// The common guard with which the exports that talk to a group begin.
#include "core/groups.h"

namespace uzyv {

DeviceGroup* currentGroupRecord() {
  CoreState& state = core();
  if (!state.groups) return nullptr;
  return (*state.groups)[std::size_t(state.currentGroup)].get();
}

Code requireStarted(DeviceGroup*& group) {
  group = nullptr;
  if (!core().initialised) return UZYV_ERR_NOT_OPEN;
  group = currentGroupRecord();
  return group ? kOk : UZYV_ERR_NO_GROUP;
}

Code requireOpen(DeviceGroup*& group) {
  if (Code c = requireStarted(group)) return c;
  return group->open() ? kOk : UZYV_ERR_NOT_OPEN;
}

Code requireDevice(const DeviceGroup& group, int32_t device) {
  return device < 0 || device >= group.deviceCount ? UZYV_ERR_DEVICE : kOk;
}

Code requireChannelRecord(DeviceGroup& group, int32_t channel, ChannelState*& record) {
  record = group.channel(channel);
  return record ? kOk : UZYV_ERR_CHANNEL;
}

Code requireWritable(const void* p, std::size_t size) {
  return platform::isWritable(p, size) ? kOk : UZYV_ERR_POINTER;
}

}  // namespace uzyv
