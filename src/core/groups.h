// The device groups: their settings cache, the core's part of the
// library-wide state, and the common guard with which the exports that talk
// to a group begin.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/result.h"
#include "platform/platform.h"
#include "runtime/runtime_api.h"

namespace uzyv {

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
// The core's part of the library-wide state, a member of the library object.
struct CoreState {
  std::unique_ptr<GroupTable> groups;  // absent until the start-up
  int32_t currentGroup = 0;
  bool initialised = false;
  std::string workDir;  // ends with the folder separator, or empty
  RuntimeApi api{};     // the current group's runtime entries
  Code lastError = 0;
};
CoreState& core();
inline RuntimeApi& runtime() { return core().api; }

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
// Shared operations of the exports.
Code sendSetting(int32_t channel, int32_t id, uZyvValue value);  // the dispatch
Code readHwInfo(int32_t device, uint32_t selector, void* buffer);

}  // namespace uzyv
