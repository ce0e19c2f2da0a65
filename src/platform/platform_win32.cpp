// Win32 back-end of the platform layer: the system's own functions.
#include "platform/platform.h"

#include <windows.h>

#include <vector>

namespace uzyv::platform {

char folderSeparator() { return '\\'; }

Module loadModule(const std::string& path) { return reinterpret_cast<Module>(LoadLibraryA(path.c_str())); }

void* findSymbol(Module module, const char* name) {
  if (!module) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void unloadModule(Module module) {
  if (module) FreeLibrary(static_cast<HMODULE>(module));
}

bool fileVersion(const std::string& path, uint32_t& mostSignificant, uint32_t& leastSignificant) {
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  if (size == 0) return false;
  std::vector<char> block(size);
  if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return false;
  VS_FIXEDFILEINFO* info = nullptr;
  UINT infoSize = 0;
  char root[] = "\\";
  if (!VerQueryValueA(block.data(), root, reinterpret_cast<void**>(&info), &infoSize) || !info ||
      infoSize < sizeof(VS_FIXEDFILEINFO))
    return false;
  mostSignificant = info->dwFileVersionMS;
  leastSignificant = info->dwFileVersionLS;
  return true;
}

bool tempFolder(std::string& folder, std::size_t capacity) {
  std::vector<char> buffer(capacity, '\0');
  DWORD n = GetTempPathA(DWORD(capacity), buffer.data());
  if (n == 0 || n > capacity) return false;
  folder.assign(buffer.data(), n);
  return true;
}

bool createUniqueFile(const std::string& folder, const char* prefix, std::string& path) {
  char buffer[MAX_PATH] = {};
  if (GetTempFileNameA(folder.c_str(), prefix, 0, buffer) == 0) return false;
  path = buffer;
  return true;
}

bool copyFileOver(const std::string& from, const std::string& to) {
  return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

bool deleteFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

// A module file cannot be deleted while it is mapped, and a module freed from
// within the library's own unload is unmapped only after that unload
// returns. A delete-on-close handle, opened before the module is loaded,
// lets the system delete the file once the handle is closed and the module
// unmapped, at the latest when the process ends.
void* arrangeDeletion(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), DELETE | GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

void releaseDeletion(void* arrangement) {
  if (arrangement) CloseHandle(static_cast<HANDLE>(arrangement));
}

// A mapped module file cannot lose its name; the arrangement deletes it.
bool forgetLoadedFile(const std::string& path, void*, std::string& reloadPath) {
  reloadPath = path;
  return false;
}

bool canOpenForReading(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

bool currentFolder(std::string& folder, std::size_t capacity) {
  std::vector<char> buffer(capacity + 1, '\0');
  DWORD n = GetCurrentDirectoryA(DWORD(capacity), buffer.data());
  if (n == 0 || n > capacity) return false;
  folder.assign(buffer.data(), n);
  return true;
}

bool setCurrentFolder(const std::string& folder) { return SetCurrentDirectoryA(folder.c_str()) != 0; }

uint32_t tickCount() { return GetTickCount(); }

void sleepMs(uint32_t milliseconds) { Sleep(milliseconds); }

bool isWritable(const void* p, std::size_t size) {
  if (size == 0) return true;
  if (!p) return false;
  return IsBadWritePtr(const_cast<void*>(p), size) == 0;
}

std::string traceFilePath() { return "C:\\temp\\Init_TraceRec.txt"; }

}  // namespace uzyv::platform

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) uzyv::libraryLoaded();
  // A non-null `reserved` at detach means the process is ending without the
  // library having been unloaded first.
  if (reason == DLL_PROCESS_DETACH) uzyv::libraryUnloading(reserved != nullptr);
  return TRUE;
}
