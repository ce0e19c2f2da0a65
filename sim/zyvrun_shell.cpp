// The simulated Zyvrun.dll. Each loaded copy registers itself with the hub
// as a new instrument instance and forwards every runtime entry to it.
#include <stdint.h>

#include "hub/entries.h"

#if defined(_WIN32)
#include <windows.h>
#define RUNTIME_CALL __stdcall
#else
#include <dlfcn.h>
#define RUNTIME_CALL
#endif

#if defined(_WIN32)
#define RUNTIME_EXPORT extern "C" __declspec(dllexport)
#else
#define RUNTIME_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {
int32_t g_instance = -1;  // this copy's instance in the hub
}

#if defined(ZYVSIM_FAIL_LOAD) && !defined(_WIN32)
// A copy that cannot be loaded: the symbol is resolved nowhere.
extern "C" int zyvsim_symbol_resolved_nowhere();
RUNTIME_EXPORT int zyvsimNeverLoads() { return zyvsim_symbol_resolved_nowhere(); }
#endif

#if defined(_WIN32)
extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
#if defined(ZYVSIM_FAIL_LOAD)
  // A copy that cannot be loaded.
  if (reason == DLL_PROCESS_ATTACH) return FALSE;
#endif
  if (reason == DLL_PROCESS_ATTACH) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, MAX_PATH);
    g_instance = zyvsim_attach(path);
  } else if (reason == DLL_PROCESS_DETACH) {
    zyvsim_detach(g_instance);
  }
  return TRUE;
}
#else
__attribute__((constructor)) static void attachCopy() {
  Dl_info info{};
  dladdr(reinterpret_cast<void*>(&attachCopy), &info);
  g_instance = zyvsim_attach(info.dli_fname);
}
__attribute__((destructor)) static void detachCopy() { zyvsim_detach(g_instance); }
#endif

RUNTIME_EXPORT int32_t RUNTIME_CALL uZyvInit() { return zyvsim_uZyvInit(g_instance); }
RUNTIME_EXPORT int32_t RUNTIME_CALL uZyvInitStack(void* list) { return zyvsim_uZyvInitStack(g_instance, list); }
RUNTIME_EXPORT int32_t RUNTIME_CALL uZyvShutdown() { return zyvsim_uZyvShutdown(g_instance); }
RUNTIME_EXPORT int32_t RUNTIME_CALL uZyvEnv(void* request) { return zyvsim_uZyvEnv(g_instance, request); }
RUNTIME_EXPORT int32_t RUNTIME_CALL uZyvGetHwInfo(int32_t device, int32_t selector, void* buffer) {
  return zyvsim_uZyvGetHwInfo(g_instance, device, selector, buffer);
}
#if !defined(ZYVSIM_WITHOUT_HWINFO)
RUNTIME_EXPORT int32_t RUNTIME_CALL ZyvHwInfo(int32_t device, int32_t selector, void* buffer) {
  return zyvsim_ZyvHwInfo(g_instance, device, selector, buffer);
}
#endif
RUNTIME_EXPORT int32_t RUNTIME_CALL uZyvSetting(int32_t channel, int32_t id, intptr_t value) {
  return zyvsim_uZyvSetting(g_instance, channel, id, value);
}
RUNTIME_EXPORT int32_t RUNTIME_CALL ZyvSetting(int32_t id, int32_t value, int32_t reserved) {
  return zyvsim_ZyvSetting(g_instance, id, value, reserved);
}
RUNTIME_EXPORT int32_t RUNTIME_CALL uZyvCapture(void* params) { return zyvsim_uZyvCapture(g_instance, params); }
RUNTIME_EXPORT int32_t RUNTIME_CALL uZyvStop() { return zyvsim_uZyvStop(g_instance); }
RUNTIME_EXPORT int32_t RUNTIME_CALL uZyvForceTrig(int32_t device) { return zyvsim_uZyvForceTrig(g_instance, device); }
RUNTIME_EXPORT int32_t RUNTIME_CALL uZyvGetStatus(int32_t value) { return zyvsim_uZyvGetStatus(g_instance, value); }
RUNTIME_EXPORT int32_t RUNTIME_CALL uZyvDataReady() { return zyvsim_uZyvDataReady(g_instance); }
RUNTIME_EXPORT int32_t RUNTIME_CALL uZyvRead(intptr_t value) { return zyvsim_uZyvRead(g_instance, value); }
RUNTIME_EXPORT int32_t RUNTIME_CALL uZyvReadEx(void* request, int32_t device, int32_t one) {
  return zyvsim_uZyvReadEx(g_instance, request, device, one);
}
RUNTIME_EXPORT int32_t RUNTIME_CALL uZyvGetErrorCode() { return zyvsim_uZyvGetErrorCode(g_instance); }
#if !defined(ZYVSIM_WITHOUT_READWITHFFT)
RUNTIME_EXPORT int32_t RUNTIME_CALL uZyvReadWithFFT() { return zyvsim_uZyvReadWithFFT(g_instance); }
#endif

#if !defined(_WIN32) && !defined(ZYVSIM_NO_VERSION)
// The fixed file-information record that the library reads the version from.
struct FixedFileInfo {
  uint32_t signature, structVersion, fileVersionMS, fileVersionLS, productVersionMS, productVersionLS;
  uint32_t flagsMask, flags, os, type, subtype, dateMS, dateLS;
};
static_assert(sizeof(FixedFileInfo) == 52);
extern "C" __attribute__((used, aligned(4))) const FixedFileInfo zyvrunVersionInfo = {
    0xFEEF04BDu, 0x00010000u,
    (ZYVSIM_VERSION_MAJOR << 16) | ZYVSIM_VERSION_MINOR, (ZYVSIM_VERSION_BUILD << 16) | ZYVSIM_VERSION_REVISION,
    (ZYVSIM_VERSION_MAJOR << 16) | ZYVSIM_VERSION_MINOR, (ZYVSIM_VERSION_BUILD << 16) | ZYVSIM_VERSION_REVISION,
    0x3Fu, 0, 0x40004u, 2u, 0, 0, 0};
#endif
