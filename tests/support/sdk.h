// Test support: the SDK loaded afresh for each test, as an application loads
// it, and the paths of the simulated runtime's variants.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "program_folder.h"
#include "support/host.h"
#include "uZyvSDK.h"
#include "zyvsim.h"

namespace sdktest {

// Folder of the running test program, ending with the separator.
using hostpaths::programFolder;
using hostpaths::separator;
// Folder of a simulated runtime variant: "default", "v1401", "v2000",
// "noversion", "nohwinfo", "nofft", "noload".
std::string runtimeFolder(const std::string& variant);
bool fileExists(const std::string& path);

// The SDK module, loaded on construction and unloaded on destruction.
// The value of a logged uZyvSetting call: the int64 behind its address when
// the runtime copied one, the value itself otherwise.
int64_t settingValue(const ZyvSimCall& call);

// Codes that differ from sample to sample in an irregular way, positive and
// negative, so that a wrong index or weight shows; one sequence per seed.
std::vector<int16_t> irregularCodes(int32_t count, int32_t seed);

class SdkModule {
 public:
  SdkModule();
  ~SdkModule();
  SdkModule(const SdkModule&) = delete;
  SdkModule& operator=(const SdkModule&) = delete;

  bool loaded() const { return handle_ != nullptr; }
  void* handle() const { return handle_; }
  void* symbol(const char* name);
  void unload();

 private:
  void* handle_ = nullptr;
  std::mutex cacheLock_;  // tests call from several threads
  std::map<std::string, void*> cache_;
};

SdkModule& currentSdk();

// Each test gets a fresh simulated runtime and a freshly loaded SDK.
class SdkTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Unloads the SDK now (its teardown runs).
  void unloadSdk();
  // Unloads the SDK and loads it afresh.
  void reloadSdk();
  // Sets the working folder to a runtime variant.
  void useRuntime(const std::string& variant = "default");
  // Working folder, group selection and initialisation; returns the count.
  int32_t openGroup(uint32_t group = 0, const std::string& variant = "default");

  // The call log of a simulated instance, from entry `from` on.
  std::vector<ZyvSimCall> calls(int32_t instance, const char* entry = nullptr, int32_t from = 0);
  // The uZyvSetting calls of instance 0 since the last clear as (channel,
  // id, value or the int64 behind the address); the log is cleared.
  using Sent = std::vector<std::array<int64_t, 3>>;
  Sent sentSettings();
  int32_t lastError();  // uZyvSDKGetErrorCodeEx

  // The system's temporary folder for this test: the SDK's private runtime
  // copies and, on POSIX, the trace file land here.
  const std::string& tempFolder() const { return temp_->path(); }

  std::unique_ptr<PrivateTemp> temp_;
  std::unique_ptr<SdkModule> sdk_;
};

}  // namespace sdktest

// Calls an SDK export by name through the module loaded for this test, with
// the signature the public header declares.
#define SDK(name) (reinterpret_cast<decltype(&::name)>(::sdktest::currentSdk().symbol(#name)))
