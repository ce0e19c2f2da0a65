#include "runtime_check.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace zyvscope {
namespace {

// The entries a runtime must offer.
const char* const kRuntimeEntries[] = {
    "uZyvInit",     "uZyvGetHwInfo",    "uZyvStop",         "uZyvCapture",   "uZyvGetStatus", "uZyvDataReady",
    "uZyvRead",     "uZyvReadEx",       "uZyvGetErrorCode", "uZyvForceTrig", "uZyvReadWithFFT",
    "ZyvSetting",   "uZyvSetting",      "uZyvShutdown",     "uZyvInitStack", "uZyvEnv"};

uint32_t le32(const unsigned char* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

// Loads the file on its own and looks up the entries; empty when all are
// there, else what failed.
std::string loadProblem(const std::string& path) {
#if defined(_WIN32)
  HMODULE module = LoadLibraryA(path.c_str());
  if (!module) return "it cannot be loaded (system error " + std::to_string(GetLastError()) + ")";
  std::string missing;
  for (const char* name : kRuntimeEntries)
    if (!GetProcAddress(module, name)) missing += (missing.empty() ? "" : ", ") + std::string(name);
  FreeLibrary(module);
#else
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    const char* why = dlerror();
    return std::string("it cannot be loaded: ") + (why ? why : "unknown reason");
  }
  std::string missing;
  for (const char* name : kRuntimeEntries)
    if (!dlsym(module, name)) missing += (missing.empty() ? "" : ", ") + std::string(name);
  dlclose(module);
#endif
  return missing.empty() ? std::string() : "it lacks the entry point(s) " + missing;
}

}  // namespace

bool runtimeFileVersion(const std::string& bytes, uint32_t& major, uint32_t& minor, uint32_t& build,
                        uint32_t& revision) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  for (std::size_t at = 0; at + 16 <= bytes.size(); at += 4) {
    if (le32(b + at) != 0xFEEF04BDu) continue;
    const uint32_t ms = le32(b + at + 8), ls = le32(b + at + 12);
    major = ms >> 16;
    minor = ms & 0xFFFF;
    build = ls >> 16;
    revision = ls & 0xFFFF;
    return true;
  }
  return false;
}

RuntimeDiagnosis diagnoseRuntime(const std::string& folder) {
  std::string path = folder;
  if (!path.empty() && path.back() != '/' && path.back() != '\\') path += '/';
  path += "Zyvrun.dll";
  const std::string shown = folder.empty() ? "Zyvrun.dll in the current folder" : path;
  std::ifstream in(path, std::ios::binary);
  if (!in) return {22, shown + " cannot be opened: " + std::strerror(errno)};
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  uint32_t v[4] = {};
  if (!runtimeFileVersion(bytes, v[0], v[1], v[2], v[3])) return {22, shown + " has no version information"};
  const std::string version = std::to_string(v[0]) + "." + std::to_string(v[1]) + "." + std::to_string(v[2]) + "." +
                              std::to_string(v[3]);
  const double value = v[0] * 1e6 + v[1] * 1e4 + v[2] * 1e2 + v[3];
  if (value < 1040002.0) return {22, shown + " is version " + version + "; at least 1.4.0.2 is needed"};
  const std::string problem = loadProblem(path);
  if (problem.empty()) return {};
  return {problem.compare(0, 9, "it lacks ") == 0 ? 23 : 22, shown + " (version " + version + "): " + problem};
}

}  // namespace zyvscope
