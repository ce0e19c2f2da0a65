// Working folder, environment request, initialisation of a group's devices
// with the library's defaults, and shutdown.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "core/startup.h"

namespace uzyv {

namespace {
constexpr std::size_t kTextLimit = 260;  // a folder text holds at most 259 characters
constexpr std::size_t kPathCapacity = 260;
constexpr int32_t kMaxDevices = 1 << 20;

bool endsWithRuntimeName(const std::string& text) {
  static constexpr char kName[] = "zyvrun.dll";
  constexpr std::size_t n = sizeof(kName) - 1;
  if (text.size() < n) return false;
  for (std::size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(text[text.size() - n + i])) != kName[i]) return false;
  return true;
}

// The process's current folder is switched to the working folder for the
// runtime's initialisation only.
class WorkDirScope {
 public:
  WorkDirScope() {
    const std::string& dir = core().workDir;
    saved_ = platform::currentFolder(previous_, kPathCapacity);
    if (!dir.empty()) platform::setCurrentFolder(dir);
  }
  ~WorkDirScope() {
    if (saved_) platform::setCurrentFolder(previous_);
  }
  WorkDirScope(const WorkDirScope&) = delete;
  WorkDirScope& operator=(const WorkDirScope&) = delete;

 private:
  std::string previous_;
  bool saved_ = false;
};

class TraceFile {
 public:
  TraceFile() : file_(std::fopen(platform::traceFilePath().c_str(), "wb")) {}
  ~TraceFile() {
    if (file_) std::fclose(file_);
  }
  TraceFile(const TraceFile&) = delete;
  TraceFile& operator=(const TraceFile&) = delete;
  void line(const char* text) {
    if (file_) std::fprintf(file_, "%s  (%d)\r\n", text, static_cast<int>(platform::tickCount()));
  }

 private:
  std::FILE* file_;
};

// Sends one default; a failure stays in LastError and is remembered.
void sendDefault(bool& anyFailed, int32_t channel, int32_t id, uZyvValue value) {
  if (noteFailure(sendSetting(channel, id, value))) anyFailed = true;
}

// Steps after the runtime reported its device count: a group without
// devices is reloaded from its copy; otherwise it opens and gets the
// defaults. Returns the device count, or 0.
int32_t openWithDefaults(DeviceGroup& group, int32_t count) {
  CoreState& state = core();
  if (count <= 0 || count > kMaxDevices) {
    // No device: reload the private copy so that the runtime starts afresh.
    group.deviceCount = 0;
    group.setOpen(false);
    const Code kept = state.lastError;
    platform::unloadModule(group.runtimeModule);
    group.runtimeModule = platform::loadModule(group.copyLoadPath);
    resolveEntryPoints();
    state.lastError = kept;
    return 0;
  }
  group.deviceCount = count;
  group.setOpen(true);

  int32_t productId = 0;
  noteFailure(readHwInfo(0, kInfoProductId, &productId));
  if (productId == 8722) group.setExtendedProduct(true);

  group.channels.assign(std::size_t(2) * std::size_t(count), ChannelState{});

  bool anyFailed = false;
  for (int32_t ch = 0; ch < 2 * count; ++ch) {
    group.channels[std::size_t(ch)].voltPos = 8000;
    sendDefault(anyFailed, ch, kSetVoltPos, 8000);
  }
  group.recordLength = 2000;
  sendDefault(anyFailed, 0, kSetRecordLength, 2000 + 4096);
  group.trigKind = kTrigEdge;
  group.trigParam[0] = 0;
  group.trigParam[1] = 0;
  group.trigParam[2] = 160000;
  group.setWaitMode(0);
  sendDefault(anyFailed, 0, kSetWaitMode, 0);
  group.trigPos = 0;
  int64_t zeroPosition = 0;
  sendDefault(anyFailed, 0, kSetTrigPos, reinterpret_cast<uZyvValue>(&zeroPosition));
  if (anyFailed) {
    shutdownCurrentGroup();
    return 0;
  }

  group.hwBit = 8;
  if (state.api.ZyvSetting) state.api.ZyvSetting(kSettingExHwBit, 8, 0);
  double generatorValue = 11.0;
  for (int32_t device = 0; device < count; ++device)
    noteFailure(sendSetting(device, kSetFunctionGenerator, reinterpret_cast<uZyvValue>(&generatorValue)));
  return count;
}

// Parses the comma-separated device list; false when it does not fit.
bool parseStackList(const char* list, StackList& out, bool& anyItem) {
  std::memset(&out, 0, sizeof out);
  anyItem = list && *list;
  if (!anyItem) return true;
  std::size_t item = 0, length = 0;
  for (const char* p = list; *p; ++p) {
    if (*p == ',') {
      ++item;
      length = 0;
      continue;
    }
    if (item >= 20 || length >= 16) return false;
    out.items[item][length++] = *p;
  }
  return true;
}

Code setWorkDir(const char* dir) {
  CoreState& state = core();
  if (state.initialised) return UZYV_ERR_STATE;
  if (!dir) return UZYV_ERR_POINTER;
  const void* end = std::memchr(dir, '\0', kTextLimit);
  if (!end) return UZYV_ERR_POINTER;
  std::string text(dir, static_cast<const char*>(end));
  if (endsWithRuntimeName(text)) text.resize(text.size() - 10);
  if (text.empty() || text.back() != platform::folderSeparator()) text += platform::folderSeparator();
  if (!platform::canOpenForReading(text + "Zyvrun.dll")) return UZYV_ERR_RUNTIME_FILE;
  state.workDir = text;
  return kOk;
}

Code setEnvironment(uint32_t mode, uint32_t second, uint32_t third) {
  startIfNeeded();
  DeviceGroup* group = currentGroupRecord();
  if (group && group->open()) return UZYV_ERR_STATE;
  if (!resolveEntryPoints()) return UZYV_ERR_RUNTIME_ENTRIES;
  if (mode > 2u) return UZYV_ERR_VALUE;
  EnvRequest request{kEnvRequestMagic, 7, int32_t(mode), int32_t(second & 0xFF), int32_t(third & 0xFF)};
  return runtime().uZyvEnv(&request) ? kOk : runtimeFailure();
}

// uZyvSDKInit: the device count, 0 on failure (LastError set).
int32_t initialise() {
  TraceFile trace;
  trace.line("Function Entry");
  startIfNeeded();
  trace.line("System Init Finished");
  int32_t result = 0;
  DeviceGroup* group = currentGroupRecord();
  if (!runtime().uZyvInit || !group) {
    setLastError(UZYV_ERR_RUNTIME_ENTRIES);
  } else {
    int32_t count = 0;
    {
      WorkDirScope scope;
      count = runtime().uZyvInit();
    }
    result = openWithDefaults(*group, count);
  }
  trace.line("All Finished");
  return result;
}

// uZyvSDKInitStack: as initialise, with the devices of a list.
int32_t initialiseStack(const char* list) {
  startIfNeeded();
  DeviceGroup* group = currentGroupRecord();
  if (!runtime().uZyvInitStack || !group) {
    setLastError(UZYV_ERR_RUNTIME_ENTRIES);
    return 0;
  }
  StackList stack;
  bool anyItem = false;
  if (!parseStackList(list, stack, anyItem)) {
    setLastError(UZYV_ERR_STACK_LIST);
    return 0;
  }
  int32_t count = 0;
  {
    WorkDirScope scope;
    count = runtime().uZyvInitStack(anyItem ? &stack : nullptr);
  }
  return openWithDefaults(*group, count);
}

int32_t deviceCount() {
  DeviceGroup* group = currentGroupRecord();
  return group ? group->deviceCount : 0;
}
}  // namespace

int32_t shutdownCurrentGroup() {
  DeviceGroup* group = currentGroupRecord();
  if (!group || !group->open()) return 1;
  group->setOpen(false);
  RuntimeApi::Shutdown shutdown = runtime().uZyvShutdown;
  return shutdown ? shutdown() : 1;
}

}  // namespace uzyv

using namespace uzyv;

extern "C" {

UZYV_API int32_t UZYV_CALL uZyvSDKSetWorkDir(const char* dir) { return exportCall(setWorkDir, dir); }
UZYV_API int32_t UZYV_CALL uZyvSDKSetEnv(uint32_t mode, uint32_t second, uint32_t third) {
  return exportCall(setEnvironment, mode, second, third);
}
UZYV_API int32_t UZYV_CALL uZyvSDKInit(void) { return exportValue(initialise); }
UZYV_API int32_t UZYV_CALL uZyvSDKInitStack(const char* list) { return exportValue(initialiseStack, list); }
UZYV_API int32_t UZYV_CALL uZyvSDKShutdown(void) { return exportValue(shutdownCurrentGroup); }
UZYV_API int32_t UZYV_CALL uZyvSDKGetDeviceCount(void) { return exportValue(deviceCount); }

}  // extern "C"
