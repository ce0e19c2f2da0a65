#include "support/sdk.h"

#include <cstring>
#include <memory>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <sys/stat.h>
#endif

namespace sdktest {

namespace {
SdkModule* g_current = nullptr;
}

std::string runtimeFolder(const std::string& variant) {
  const char s = separator();
  return programFolder() + ".." + s + "sim" + s + variant + s;
}

bool fileExists(const std::string& path) {
#if defined(_WIN32)
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
#else
  struct stat st{};
  return stat(path.c_str(), &st) == 0;
#endif
}

std::vector<int16_t> irregularCodes(int32_t count, int32_t seed) {
  std::vector<int16_t> codes(static_cast<std::size_t>(count));
  uint32_t x = 2463534242u + uint32_t(seed);
  for (auto& c : codes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = int16_t(int32_t(x % 60001u) - 30000);
  }
  return codes;
}

SdkModule::SdkModule() {
#if defined(_WIN32)
  handle_ = reinterpret_cast<void*>(LoadLibraryA((programFolder() + "uZyvSDK.dll").c_str()));
#else
  handle_ = dlopen((programFolder() + "libuZyvSDK.so").c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
  g_current = this;
}

SdkModule::~SdkModule() {
  unload();
  if (g_current == this) g_current = nullptr;
}

void SdkModule::unload() {
  if (!handle_) return;
#if defined(_WIN32)
  FreeLibrary(static_cast<HMODULE>(handle_));
#else
  dlclose(handle_);
#endif
  handle_ = nullptr;
  const std::lock_guard<std::mutex> hold(cacheLock_);
  cache_.clear();
}

void* SdkModule::symbol(const char* name) {
  const std::lock_guard<std::mutex> hold(cacheLock_);
  auto it = cache_.find(name);
  if (it != cache_.end()) return it->second;
  void* p = nullptr;
  if (handle_) {
#if defined(_WIN32)
    p = reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
    p = dlsym(handle_, name);
#endif
  }
  if (!p) ADD_FAILURE() << "the SDK does not export " << name;
  cache_[name] = p;
  return p;
}

SdkModule& currentSdk() { return *g_current; }

void SdkTest::SetUp() {
  zyvsim_reset();
  // Tests script the runtime's answers; those that want the simulated
  // instrument switch it on.
  zyvsim_defaults()->instrument = 0;
  temp_ = std::make_unique<PrivateTemp>();
  sdk_ = std::make_unique<SdkModule>();
  ASSERT_TRUE(sdk_->loaded()) << "cannot load the SDK from " << programFolder();
}

void SdkTest::TearDown() {
  unloadSdk();
  sdk_.reset();
  temp_.reset();
}

void SdkTest::unloadSdk() {
  if (sdk_) sdk_->unload();
}

void SdkTest::reloadSdk() {
  sdk_.reset();
  sdk_ = std::make_unique<SdkModule>();
  ASSERT_TRUE(sdk_->loaded());
}

void SdkTest::useRuntime(const std::string& variant) {
  ASSERT_EQ(1, SDK(uZyvSDKSetWorkDir)(runtimeFolder(variant).c_str())) << runtimeFolder(variant);
}

int32_t SdkTest::openGroup(uint32_t group, const std::string& variant) {
  // The working folder can be set only before the first start-up; later
  // calls are refused harmlessly.
  SDK(uZyvSDKSetWorkDir)(runtimeFolder(variant).c_str());
  EXPECT_EQ(1, SDK(uZyvSDKSelectGroup)(group));
  return SDK(uZyvSDKInit)();
}

std::vector<ZyvSimCall> SdkTest::calls(int32_t instance, const char* entry, int32_t from) {
  std::vector<ZyvSimCall> out;
  for (int32_t k = from; k < zyvsim_log_count(instance); ++k) {
    const ZyvSimCall* c = zyvsim_log_entry(instance, k);
    if (!entry || std::strcmp(c->entry, entry) == 0) out.push_back(*c);
  }
  return out;
}

int64_t settingValue(const ZyvSimCall& call) {
  int64_t v = call.arg[2];
  if (call.blockSize == 8) std::memcpy(&v, call.block, 8);
  return v;
}

SdkTest::Sent SdkTest::sentSettings() {
  Sent out;
  for (const ZyvSimCall& c : calls(0, "uZyvSetting")) out.push_back({c.arg[0], c.arg[1], settingValue(c)});
  zyvsim_clear_log(0);
  return out;
}

int32_t SdkTest::lastError() { return SDK(uZyvSDKGetErrorCodeEx)(); }

}  // namespace sdktest
