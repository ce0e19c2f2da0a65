// One simulated instrument: the state behind one loaded copy of the runtime.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "instrument/instrument.h"
#include "zyvsim.h"

namespace zyvsim {

struct Fault {
  std::string entry;
  int64_t match;
  int32_t result;
  int32_t errorCode;
};

// What the built-in data source plays for one device.
struct DeviceReadout {
  ZyvSimWave wave[2] = {};
  std::vector<int16_t> samples[2];  // codes of ZYVSIM_WAVE_SAMPLES
  int32_t status = 0;
  int64_t timeOffset = 0;
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
  std::array<DeviceReadout, ZYVSIM_MAX_DEVICES> readout;
  int32_t blockLength = 0;  // the record length last received with setting 12
  ZyvSimDataSource source = nullptr;  // null: the built-in source
  void* sourceContext = nullptr;
  instrument::Instrument instrument;  // plays the instance when config.instrument is set

  // The fault that applies to a call, or null.
  const Fault* faultFor(const char* entry, int64_t key) const;
};

// The hub's lock: every runtime entry and every control function holds it,
// so that a program that calls the SDK from several threads reaches the
// instruments one call at a time. Recursive, because a data source runs
// under it and may use the control functions.
std::recursive_mutex& hubLock();
using HubGuard = std::lock_guard<std::recursive_mutex>;

// The registry of instances, in load order.
std::deque<Instance>& instances();
Instance* instance(int32_t index);
ZyvSimConfig builtInDefaults();
// The instrument's default signals on every input of a configuration.
void fillDefaultSignals(ZyvSimConfig& config);

// Fills the two blocks of one device read through the instance's data source.
int32_t readDevice(int32_t index, Instance& in, ZyvSimRead& read, int32_t& errorCode);

// Whether `size` bytes at `p` can be read without a fault.
bool readable(const void* p, std::size_t size);

}  // namespace zyvsim
