// One simulated instrument: the state behind one loaded copy of the runtime.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "zyvsim.h"

namespace zyvsim {

struct Fault {
  std::string entry;
  int64_t match;
  int32_t result;
  int32_t errorCode;
};

struct Instance {
  ZyvSimConfig config{};
  bool loaded = true;
  std::string modulePath;
  std::vector<ZyvSimCall> log;
  std::vector<Fault> faults;
  int32_t errorCode = 0;
  int32_t openDevices = 0;
  std::map<std::pair<int32_t, int32_t>, int64_t> settings;  // (channel, setting ID) -> last value
  std::map<int32_t, int32_t> channelOn;                     // channel -> on/off, on unless set

  // The fault that applies to a call, or null.
  const Fault* faultFor(const char* entry, int64_t key) const;
};

// The registry of instances, in load order.
std::deque<Instance>& instances();
Instance* instance(int32_t index);
ZyvSimConfig builtInDefaults();

// Whether `size` bytes at `p` can be read without a fault.
bool readable(const void* p, std::size_t size);

}  // namespace zyvsim
