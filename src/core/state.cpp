// Library-wide state, the result convention, and the load and unload of the
// library module.
#include "core/library.h"

namespace uzyv {

namespace {
// Created at load and destroyed at unload; a plain pointer so that no static
// destructor runs in an order of the toolchain's choosing.
Library* g_library = nullptr;
}  // namespace

Library& library() {
  if (!g_library) g_library = new Library();
  return *g_library;
}

void setLastError(Code code) { library().lastError = code; }

int32_t report(Code code) {
  if (code == kOk) return 1;
  if (code != kSilent) setLastError(code);
  return 0;
}

void libraryLoaded() {
  measurementLoaded();
  library().workDir.clear();
  spectrumLoaded();
}

namespace {
// Shuts down every open group and unloads every copy, then deletes the
// temporary files (on Windows the system deletes each file once its module
// is unmapped). At process exit the copies have already been detached by the
// system, so they are neither called nor unloaded.
void tearDownGroups(Library& lib, bool processExit) {
  if (!lib.groups) return;
  GroupTable& table = *lib.groups;
  for (int slot = 0; slot < kGroupSlots; ++slot) {
    DeviceGroup* group = table[slot].get();
    if (!group || !group->runtimeModule) continue;
    if (!processExit) {
      lib.currentGroup = slot;
      resolveEntryPoints();
      if (group->open() && lib.api.uZyvShutdown) lib.api.uZyvShutdown();
      group->setOpen(false);
      platform::unloadModule(group->runtimeModule);
    }
    group->runtimeModule = nullptr;
  }
  clearEntryPoints();
  spectrumUnloading();
  for (auto& slot : table) {
    if (!slot) continue;
    deleteCopyFile(*slot);
    slot.reset();
  }
  lib.groups.reset();
}
}  // namespace

void libraryUnloading(bool processExit) {
  if (!g_library) return;
  Library& lib = *g_library;
  if (lib.groups) {
    tearDownGroups(lib, processExit);
  } else {
    spectrumUnloading();
  }
  passFailUnloading();
  measurementUnloading();
  delete g_library;
  g_library = nullptr;
}

}  // namespace uzyv
