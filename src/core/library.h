// The library's private internal header: the library-wide state, the device
// groups, the result convention and the common guard. Every subsystem builds
// on this; nothing here includes a system header.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "runtime/runtime_api.h"
#include "uZyvSDK.h"

namespace uzyv {

// ---------------------------------------------------------------------------
// Results. Internal operations return a Code: kOk, a LastError value, or
// kSilent for a refusal that leaves LastError as it was. report() is the one
// place where a Code becomes an export's result and LastError.
using Code = int32_t;
inline constexpr Code kOk = 0;
inline constexpr Code kSilent = -1;

void setLastError(Code code);
int32_t report(Code code);

// Runs an export body that returns a Code; no exception crosses the boundary.
template <class Body>
int32_t exportCall(Body&& body) noexcept {
  try {
    return report(body());
  } catch (...) {
    return report(UZYV_ERR_RUNTIME);
  }
}

// Runs an export body that returns its own value; `failed` is returned when
// an exception escapes (allocation failure).
template <class Value, class Body>
Value exportValue(Value failed, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    setLastError(UZYV_ERR_RUNTIME);
    return failed;
  }
}

// ---------------------------------------------------------------------------
// Per-channel settings cache.
struct ChannelState {
  uint8_t flags = 0;  // bits 0-1 bwl, 2-3 coupling, 4-7 acquireMode
  int32_t voltDiv = 100000;
  int32_t voltOfs = 0;
  int32_t voltPos = 0;

  int32_t bwl() const { return flags & 0x3; }
  int32_t coupling() const { return (flags >> 2) & 0x3; }
  int32_t acquireMode() const { return (flags >> 4) & 0xF; }
  void setBwl(int32_t v) { flags = uint8_t((flags & ~0x03) | (v & 0x3)); }
  void setCoupling(int32_t v) { flags = uint8_t((flags & ~0x0C) | ((v & 0x3) << 2)); }
  void setAcquireMode(int32_t v) { flags = uint8_t((flags & ~0xF0) | ((v & 0xF) << 4)); }
};

// Cached trigger kinds.
enum TrigKind : int32_t { kTrigEdge = 0, kTrigVideo = 1, kTrigRunt = 2, kTrigWidth = 3, kTrigPattern = 4, kTrigState = 5 };

// One prepared group slot: its private runtime copy and its settings cache.
struct DeviceGroup {
  platform::Module runtimeModule = nullptr;
  std::string tempCopyPath;  // the copy's file while it has a name; empty otherwise
  std::string copyLoadPath;  // where the loaded copy is loaded again from
  void* copyDeletion = nullptr;  // the system's arrangement to delete the copy
  int32_t deviceCount = 0;
  int64_t sampleRate = 10000000;
  int32_t recordLength = 0;
  int32_t hwBit = 8;
  int64_t waitParam = 0;
  int64_t delayTime = 0;
  int64_t holdoffTime = 0;
  int64_t trigPos = 0;
  uint8_t flags = 0;  // bit 0 open, bit 1 extendedProduct, bits 2-4 waitMode, bits 5-7 trigCouple
  int32_t trigKind = kTrigEdge;
  int64_t trigParam[10] = {};
  std::vector<ChannelState> channels;  // 2 x deviceCount after initialisation

  bool open() const { return flags & 0x01; }
  bool extendedProduct() const { return flags & 0x02; }
  int32_t waitMode() const { return (flags >> 2) & 0x7; }
  int32_t trigCouple() const { return (flags >> 5) & 0x7; }
  void setOpen(bool on) { flags = uint8_t(on ? flags | 0x01 : flags & ~0x01); }
  void setExtendedProduct(bool on) { flags = uint8_t(on ? flags | 0x02 : flags & ~0x02); }
  void setWaitMode(int32_t v) { flags = uint8_t((flags & ~0x1C) | ((v & 0x7) << 2)); }
  void setTrigCouple(int32_t v) { flags = uint8_t((flags & ~0xE0) | ((v & 0x7) << 5)); }

  // The ChannelState record of a channel, or null when it has none.
  ChannelState* channel(int32_t index) {
    return index >= 0 && std::size_t(index) < channels.size() ? &channels[std::size_t(index)] : nullptr;
  }
};

inline constexpr int kGroupSlots = 20;
using GroupTable = std::array<std::unique_ptr<DeviceGroup>, kGroupSlots>;

// ---------------------------------------------------------------------------
// Library-wide state: one instance from load to unload.
struct Library {
  std::unique_ptr<GroupTable> groups;  // absent until the start-up
  int32_t currentGroup = 0;
  bool initialised = false;
  std::string workDir;  // ends with the folder separator, or empty
  RuntimeApi api{};
  Code lastError = 0;
};
Library& library();
inline RuntimeApi& runtime() { return library().api; }

// ---------------------------------------------------------------------------
// The common guard, in its order: started (28), slot present (29), open (28),
// then device (4), channel (3) and pointer (1) checks.
DeviceGroup* currentGroupRecord();  // null without table or slot
Code requireStarted(DeviceGroup*& group);
Code requireOpen(DeviceGroup*& group);
Code requireDevice(const DeviceGroup& group, int32_t device);
Code requireChannelRecord(DeviceGroup& group, int32_t channel, ChannelState*& record);
Code requireWritable(const void* p, std::size_t size);

// ---------------------------------------------------------------------------
// Runtime results: the translation of the runtime's current error code.
Code translateRuntimeCode(int32_t runtimeCode, bool extendedProduct);
Code runtimeFailure();

// ---------------------------------------------------------------------------
// Start-up and groups.
bool startUp();
void startIfNeeded();  // runs the start-up when `initialised` is false
bool prepareCurrentSlot();
bool resolveEntryPoints();  // LastError 23 on failure
void clearEntryPoints();
void deleteCopyFile(DeviceGroup& group);  // the group's temporary copy
std::string runtimeFilePath();

// ---------------------------------------------------------------------------
// Shared operations of the exports.
Code sendSetting(int32_t channel, int32_t id, uZyvValue value);  // the dispatch
Code readHwInfo(int32_t device, uint32_t selector, void* buffer);
Code shutdownCurrentGroup(int32_t& runtimeResult);

// ---------------------------------------------------------------------------
// The processing subsystems' part in the library's life.
void measurementLoaded();      // load: dispatch tables filled
void measurementStartUp();     // start-up: two channel records
void measurementUnloading();
void spectrumLoaded();         // load: the transform engine is created
void spectrumUnloading();
void passFailUnloading();      // unload: the mask is freed

}  // namespace uzyv
