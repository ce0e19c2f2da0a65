#include "support/host.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dirent.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace sdktest {

namespace {
char sep() {
#if defined(_WIN32)
  return '\\';
#else
  return '/';
#endif
}
int g_counter = 0;
}  // namespace

std::string systemTempFolder() {
#if defined(_WIN32)
  char buffer[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, buffer);
  return buffer;
#else
  const char* dir = std::getenv("TMPDIR");
  std::string s = dir && *dir ? dir : "/tmp";
  if (s.back() != '/') s += '/';
  return s;
#endif
}

bool makeFolder(const std::string& path) {
#if defined(_WIN32)
  return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
#else
  return mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
#endif
}

std::vector<std::string> listFolder(const std::string& folder) {
  std::vector<std::string> names;
#if defined(_WIN32)
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA((folder + "*").c_str(), &data);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::string n = data.cFileName;
      if (n != "." && n != "..") names.push_back(n);
    } while (FindNextFileA(h, &data));
    FindClose(h);
  }
#else
  if (DIR* d = opendir(folder.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    closedir(d);
  }
#endif
  std::sort(names.begin(), names.end());
  return names;
}

bool removeFile(const std::string& path) { return std::remove(path.c_str()) == 0; }

void removeTree(const std::string& path) {
  std::string folder = path;
  if (folder.empty()) return;
  if (folder.back() != sep()) folder += sep();
  for (const std::string& name : listFolder(folder)) {
    const std::string full = folder + name;
    if (!removeFile(full)) removeTree(full);
  }
#if defined(_WIN32)
  RemoveDirectoryA(folder.c_str());
#else
  rmdir(folder.c_str());
#endif
}

bool copyFile(const std::string& from, const std::string& to) {
  std::ifstream in(from, std::ios::binary);
  std::ofstream out(to, std::ios::binary | std::ios::trunc);
  if (!in || !out) return false;
  out << in.rdbuf();
  return bool(out);
}

bool writeFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  return bool(out);
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void setEnvironment(const char* name, const std::string& value) {
#if defined(_WIN32)
  SetEnvironmentVariableA(name, value.c_str());
#else
  setenv(name, value.c_str(), 1);
#endif
}

std::string currentFolder() {
#if defined(_WIN32)
  char buffer[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, buffer);
  return buffer;
#else
  char buffer[4096] = {};
  return getcwd(buffer, sizeof buffer) ? buffer : "";
#endif
}

int openDescriptors() { return int(listFolder("/proc/self/fd/").size()); }

void pauseOneSecond() {
#if defined(_WIN32)
  Sleep(1000);
#else
  sleep(1);
#endif
}

namespace {
std::string getEnvironment(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}
}  // namespace

PrivateTemp::PrivateTemp() {
  const std::string base = systemTempFolder();
#if defined(_WIN32)
  const unsigned long pid = GetCurrentProcessId();
#else
  const unsigned long pid = static_cast<unsigned long>(getpid());
#endif
  path_ = base + "uzyvtest-" + std::to_string(pid) + "-" + std::to_string(++g_counter) + sep();
  removeTree(path_);
  makeFolder(path_);
#if defined(_WIN32)
  const char* names[] = {"TMP", "TEMP"};
#else
  const char* names[] = {"TMPDIR"};
#endif
  for (const char* n : names) {
    saved_.emplace_back(n, getEnvironment(n));
    setEnvironment(n, path_);
  }
}

PrivateTemp::~PrivateTemp() {
  for (auto& [name, value] : saved_) {
#if defined(_WIN32)
    SetEnvironmentVariableA(name.c_str(), value.empty() ? nullptr : value.c_str());
#else
    if (value.empty())
      unsetenv(name.c_str());
    else
      setenv(name.c_str(), value.c_str(), 1);
#endif
  }
  removeTree(path_);
}

GuardedBuffer::GuardedBuffer(std::size_t size) : size_(size) {
#if defined(_WIN32)
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  const std::size_t page = info.dwPageSize;
#else
  const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
#endif
  page_ = page;
  const std::size_t dataPages = (size + page - 1) / page + 1;
  total_ = (dataPages + 1) * page;
#if defined(_WIN32)
  base_ = VirtualAlloc(nullptr, total_, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  DWORD old = 0;
  VirtualProtect(static_cast<char*>(base_) + dataPages * page, page, PAGE_NOACCESS, &old);
#else
  base_ = mmap(nullptr, total_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  mprotect(static_cast<char*>(base_) + dataPages * page, page, PROT_NONE);
#endif
  data_ = static_cast<char*>(base_) + dataPages * page - size;
}

void GuardedBuffer::makeReadOnly() {
#if defined(_WIN32)
  DWORD old = 0;
  VirtualProtect(base_, total_ - page_, PAGE_READONLY, &old);
#else
  mprotect(base_, total_ - page_, PROT_READ);
#endif
}

GuardedBuffer::~GuardedBuffer() {
#if defined(_WIN32)
  VirtualFree(base_, 0, MEM_RELEASE);
#else
  munmap(base_, total_);
#endif
}

}  // namespace sdktest
