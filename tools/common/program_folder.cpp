#include "program_folder.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace hostpaths {

char separator() {
#if defined(_WIN32)
  return '\\';
#else
  return '/';
#endif
}

std::string programFolder() {
#if defined(_WIN32)
  char path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string p(path, n < MAX_PATH ? n : 0);
  const std::size_t cut = p.find_last_of("\\/");
#else
  char path[4096] = {};
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  std::string p(path, n > 0 ? std::size_t(n) : 0);
  const std::size_t cut = p.find_last_of('/');
#endif
  return cut == std::string::npos ? std::string() : p.substr(0, cut + 1);
}

}  // namespace hostpaths
