// The group table: lazy start-up, preparation of a slot (private runtime
// copy), resolution of the runtime entry points, and group selection.
#include <cstring>

#include "core/library.h"

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

// Unloads a group's copy and deletes its temporary file.
void releaseCopy(DeviceGroup& group) {
  if (group.runtimeModule) platform::unloadModule(group.runtimeModule);
  group.runtimeModule = nullptr;
  deleteCopyFile(group);
}

// A table left by an earlier, failed start-up: its copies are unloaded and
// their files deleted before it is replaced.
void discardTable(Library& lib) {
  if (!lib.groups) return;
  clearEntryPoints();
  for (auto& slot : *lib.groups)
    if (slot) releaseCopy(*slot);
  lib.groups.reset();
}
}  // namespace

void deleteCopyFile(DeviceGroup& group) {
  platform::releaseDeletion(group.copyDeletion);
  group.copyDeletion = nullptr;
  if (!group.tempCopyPath.empty()) platform::deleteFile(group.tempCopyPath);
  group.tempCopyPath.clear();
  group.copyLoadPath.clear();
}

std::string runtimeFilePath() { return library().workDir + kRuntimeFileName; }

void clearEntryPoints() { runtime() = RuntimeApi{}; }

bool prepareCurrentSlot() {
  Library& lib = library();
  auto& slot = (*lib.groups)[std::size_t(lib.currentGroup)];
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

bool startUp() {
  Library& lib = library();
  discardTable(lib);
  lib.groups = std::make_unique<GroupTable>();
  if (!prepareCurrentSlot()) {
    clearEntryPoints();
    return false;
  }
  if (!resolveEntryPoints()) return false;
  measurementStartUp();
  return true;
}

void startIfNeeded() {
  Library& lib = library();
  if (!lib.initialised) lib.initialised = startUp();
}

}  // namespace uzyv

using namespace uzyv;

extern "C" UZYV_API int32_t UZYV_CALL uZyvSDKSelectGroup(uint32_t group) {
  return exportCall([&]() -> Code {
    startIfNeeded();
    if (group > 19u) return UZYV_ERR_GROUP_INDEX;
    Library& lib = library();
    if (!lib.groups) lib.groups = std::make_unique<GroupTable>();
    lib.currentGroup = int32_t(group);
    if (!prepareCurrentSlot()) {
      clearEntryPoints();
      return UZYV_ERR_RUNTIME_FILE;
    }
    if (!resolveEntryPoints()) return UZYV_ERR_RUNTIME_ENTRIES;
    return kOk;
  });
}
