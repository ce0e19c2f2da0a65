#include "host.h"

#include <chrono>
#include <cstdio>
#include <thread>

#if defined(_WIN32)
#include <direct.h>
#include <io.h>
#include <windows.h>
#else
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zyvscope::host {

bool isFolder(const std::string& path) {
#if defined(_WIN32)
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
#else
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
#endif
}

bool isFile(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::fclose(f);
  return !isFolder(path);
}

bool makeFolder(const std::string& path) {
  if (path.empty() || isFolder(path)) return true;
#if defined(_WIN32)
  CreateDirectoryA(path.c_str(), nullptr);
#else
  mkdir(path.c_str(), 0777);
#endif
  return isFolder(path);
}

std::string absolutePath(const std::string& path) {
#if defined(_WIN32)
  char full[MAX_PATH] = {};
  const DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  return n > 0 && n < MAX_PATH ? std::string(full, n) : path;
#else
  char full[PATH_MAX] = {};
  return realpath(path.c_str(), full) ? std::string(full) : path;
#endif
}

std::string joinPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder == ".") return name;
  const char last = folder.back();
  if (last == '/' || last == '\\') return folder + name;
  return folder + separator() + name;
}

bool stderrIsTerminal() {
#if defined(_WIN32)
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(2) != 0;
#endif
}

void sleepMilliseconds(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace zyvscope::host
