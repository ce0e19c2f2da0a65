// The group table: its start-up and teardown, preparation of a slot (private
// runtime copy), resolution of the runtime entry points, and group selection.
#include <cstring>

#include "core/startup.h"

namespace uzyv {

namespace {
constexpr const char* kRuntimeFileName = "Zyvrun.dll";
constexpr double kRequiredVersion = 1.0 * 1000000 + 4.0 * 10000 + 0.0 * 100 + 2.0;  // 1.4.0.2
constexpr std::size_t kPathCapacity = 260;

bool versionAcceptable(const std::string& path) {
  uint32_t ms = 0, ls = 0;
  if (!platform::fileVersion(path, ms, ls)) return false;
  const double value = double(ms >> 16) * 1000000.0 + double(ms & 0xFFFF) * 10000.0 + double(ls >> 16) * 100.0 +
                       double(ls & 0xFFFF);
  return value >= kRequiredVersion;
}

void deleteCopyFile(DeviceGroup& group) {
  platform::releaseDeletion(group.copyDeletion);
  group.copyDeletion = nullptr;
  if (!group.tempCopyPath.empty()) platform::deleteFile(group.tempCopyPath);
  group.tempCopyPath.clear();
  group.copyLoadPath.clear();
}

Code selectGroup(uint32_t index) {
  startIfNeeded();
  if (index > 19u) return UZYV_ERR_GROUP_INDEX;
  CoreState& state = core();
  if (!state.groups) state.groups = std::make_unique<GroupTable>();
  state.currentGroup = int32_t(index);
  if (!prepareCurrentSlot()) {
    clearEntryPoints();
    return UZYV_ERR_RUNTIME_FILE;
  }
  if (!resolveEntryPoints()) return UZYV_ERR_RUNTIME_ENTRIES;
  return kOk;
}
}  // namespace

std::string runtimeFilePath() { return core().workDir + kRuntimeFileName; }

void clearEntryPoints() { runtime() = RuntimeApi{}; }

bool prepareCurrentSlot() {
  CoreState& state = core();
  auto& slot = (*state.groups)[std::size_t(state.currentGroup)];
  if (slot) return true;
  slot = std::make_unique<DeviceGroup>();
  DeviceGroup& group = *slot;

  const std::string source = runtimeFilePath();
  if (!platform::canOpenForReading(source) || !versionAcceptable(source)) {
    setLastError(UZYV_ERR_RUNTIME_FILE);
    return false;
  }
  std::string folder, copy;
  if (!platform::tempFolder(folder, kPathCapacity)) return false;
  if (!platform::createUniqueFile(folder, "ZYVRUN", copy)) return false;
  if (!platform::copyFileOver(source, copy)) {
    platform::deleteFile(copy);
    return false;
  }
  void* deletion = platform::arrangeDeletion(copy);
  group.runtimeModule = platform::loadModule(copy);
  if (!group.runtimeModule) {
    platform::releaseDeletion(deletion);
    platform::deleteFile(copy);
    return false;
  }
  group.copyDeletion = deletion;
  // Where the host allows, the loaded copy loses its name at once, so that
  // no copy outlives the process however it ends.
  if (!platform::forgetLoadedFile(copy, deletion, group.copyLoadPath)) group.tempCopyPath = copy;
  return true;
}

bool resolveEntryPoints() {
  DeviceGroup* group = currentGroupRecord();
  RuntimeApi found{};
  bool complete = group && group->runtimeModule;
  if (complete) {
    void** entries = reinterpret_cast<void**>(&found);
    for (int i = 0; i < 17; ++i) {
      entries[i] = platform::findSymbol(group->runtimeModule, kRuntimeEntryNames[i]);
      if (i < kRequiredRuntimeEntries && !entries[i]) complete = false;
    }
  }
  // An incomplete copy is not half-used: the table is emptied, so that no
  // later call can reach a runtime that failed its resolution.
  runtime() = complete ? found : RuntimeApi{};
  if (!complete) setLastError(UZYV_ERR_RUNTIME_ENTRIES);
  return complete;
}

bool startUpGroups() {
  CoreState& state = core();
  discardGroupTable();
  state.groups = std::make_unique<GroupTable>();
  if (!prepareCurrentSlot()) {
    clearEntryPoints();
    return false;
  }
  return resolveEntryPoints();
}

void releaseRuntimeCopies(bool processExit) {
  CoreState& state = core();
  if (!state.groups) return;
  GroupTable& table = *state.groups;
  for (int slot = 0; slot < kGroupSlots; ++slot) {
    DeviceGroup* group = table[std::size_t(slot)].get();
    if (!group || !group->runtimeModule) continue;
    if (!processExit) {
      state.currentGroup = slot;
      resolveEntryPoints();
      if (group->open() && state.api.uZyvShutdown) state.api.uZyvShutdown();
      group->setOpen(false);
      platform::unloadModule(group->runtimeModule);
    }
    group->runtimeModule = nullptr;
  }
  clearEntryPoints();
}

void discardGroupTable() {
  CoreState& state = core();
  if (!state.groups) return;
  clearEntryPoints();
  for (auto& slot : *state.groups) {
    if (!slot) continue;
    if (slot->runtimeModule) platform::unloadModule(slot->runtimeModule);
    slot->runtimeModule = nullptr;
    deleteCopyFile(*slot);
  }
  state.groups.reset();
}

}  // namespace uzyv

using namespace uzyv;

extern "C" UZYV_API int32_t UZYV_CALL uZyvSDKSelectGroup(uint32_t group) { return exportCall(selectGroup, group); }
