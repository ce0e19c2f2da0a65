// The instance registry and the control interface of the hub.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "hub/entries.h"
#include "hub/instance.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace zyvsim {

namespace {
// The registry lives until the process ends and is never destroyed: the SDK
// shuts its groups down from its own unload, which at process exit may run
// after the static objects of this library are gone.
ZyvSimConfig& defaults() {
  static ZyvSimConfig* config = new ZyvSimConfig(builtInDefaults());
  return *config;
}

void copyText(char* to, std::size_t size, const char* text) {
  std::memset(to, 0, size);
  std::memcpy(to, text, std::min(size, std::strlen(text)));
}
}  // namespace

std::recursive_mutex& hubLock() {
  static auto* lock = new std::recursive_mutex();  // never destroyed, as the registry
  return *lock;
}

std::deque<Instance>& instances() {
  static auto* all = new std::deque<Instance>();
  return *all;
}

Instance* instance(int32_t index) {
  auto& all = instances();
  return index >= 0 && std::size_t(index) < all.size() ? &all[std::size_t(index)] : nullptr;
}

ZyvSimConfig builtInDefaults() {
  ZyvSimConfig c{};
  c.deviceCount = 2;
  for (int d = 0; d < ZYVSIM_MAX_DEVICES; ++d) {
    ZyvSimDevice& dev = c.devices[d];
    copyText(dev.vendorName, sizeof dev.vendorName, "ZYVSIM");
    copyText(dev.productName, sizeof dev.productName, "ZS-2202");
    char serial[17];
    std::snprintf(serial, sizeof serial, "SIM%013d", 1000 + d);
    std::memcpy(dev.serialNum, serial, sizeof dev.serialNum);
    dev.hwVer = 0x0201;
    dev.fwVer = 0x0105;
    dev.productId = 8721;
    dev.usbHandle = 0x1000u + uint32_t(d);
    for (int in = 0; in < 2; ++in) {
      dev.calibration[3 * in + 0] = 1.0;
      dev.calibration[3 * in + 1] = 0.0;
      dev.calibration[3 * in + 2] = 0.0;
    }
    dev.temperature = 35;
  }
  fillDefaultSignals(c);
  c.instrument = 1;
  c.seed = 1;
  return c;
}

const Fault* Instance::faultFor(const char* entry, int64_t key) const {
  for (const Fault& f : faults)
    if (f.entry == entry && (f.match == -1 || f.match == key)) return &f;
  return nullptr;
}

bool readable(const void* p, std::size_t size) {
  if (!p) return false;
#if defined(_WIN32)
  return !IsBadReadPtr(p, size);
#else
  static int fds[2] = {-1, -1};
  if (fds[0] < 0 && pipe(fds) != 0) return false;
  char sink[ZYVSIM_BLOCK_BYTES];
  bool ok = true;
  const auto* bytes = static_cast<const char*>(p);
  while (size > 0 && ok) {
    std::size_t n = std::min(size, sizeof sink);
    ok = write(fds[1], bytes, n) == ssize_t(n);
    if (ok) ok = read(fds[0], sink, n) == ssize_t(n);
    bytes += n;
    size -= n;
  }
  return ok;
#endif
}

}  // namespace zyvsim

using namespace zyvsim;

extern "C" {

ZYVSIM_API void zyvsim_reset(void) {
  HubGuard hold(hubLock());
  instances().clear();
  defaults() = builtInDefaults();
}

ZYVSIM_API ZyvSimConfig* zyvsim_defaults(void) {
  HubGuard hold(hubLock());
  return &defaults();
}

ZYVSIM_API int32_t zyvsim_instance_count(void) {
  HubGuard hold(hubLock());
  return int32_t(instances().size());
}

ZYVSIM_API ZyvSimConfig* zyvsim_config(int32_t index) {
  HubGuard hold(hubLock());
  Instance* in = instance(index);
  return in ? &in->config : nullptr;
}

ZYVSIM_API int32_t zyvsim_loaded(int32_t index) {
  HubGuard hold(hubLock());
  Instance* in = instance(index);
  return in && in->loaded ? 1 : 0;
}

ZYVSIM_API const char* zyvsim_module_path(int32_t index) {
  HubGuard hold(hubLock());
  Instance* in = instance(index);
  return in ? in->modulePath.c_str() : "";
}

ZYVSIM_API void zyvsim_fail(int32_t index, const char* entry, int64_t match, int32_t result, int32_t errorCode) {
  HubGuard hold(hubLock());
  if (Instance* in = instance(index)) in->faults.push_back(Fault{entry, match, result, errorCode});
}

ZYVSIM_API void zyvsim_clear_faults(int32_t index) {
  HubGuard hold(hubLock());
  if (Instance* in = instance(index)) in->faults.clear();
}

ZYVSIM_API int32_t zyvsim_log_count(int32_t index) {
  HubGuard hold(hubLock());
  Instance* in = instance(index);
  return in ? int32_t(in->log.size()) : 0;
}

ZYVSIM_API const ZyvSimCall* zyvsim_log_entry(int32_t index, int32_t k) {
  HubGuard hold(hubLock());
  Instance* in = instance(index);
  if (!in || k < 0 || std::size_t(k) >= in->log.size()) return nullptr;
  return &in->log[std::size_t(k)];
}

ZYVSIM_API void zyvsim_clear_log(int32_t index) {
  HubGuard hold(hubLock());
  if (Instance* in = instance(index)) in->log.clear();
}

ZYVSIM_API int32_t zyvsim_setting(int32_t index, int32_t channel, int32_t settingId, int64_t* value) {
  HubGuard hold(hubLock());
  Instance* in = instance(index);
  if (!in) return 0;
  auto it = in->settings.find({channel, settingId});
  if (it == in->settings.end()) return 0;
  if (value) *value = it->second;
  return 1;
}

ZYVSIM_API int32_t zyvsim_attach(const char* modulePath) {
  HubGuard hold(hubLock());
  auto& all = instances();
  all.emplace_back();
  all.back().config = defaults();
  all.back().modulePath = modulePath ? modulePath : "";
  return int32_t(all.size() - 1);
}

ZYVSIM_API void zyvsim_detach(int32_t index) {
  HubGuard hold(hubLock());
  if (Instance* in = instance(index)) in->loaded = false;
}

}  // extern "C"
