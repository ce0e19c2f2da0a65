// Signal summaries (ZyvHwInfo, selector 306): per device, the highest and
// lowest code of each input and the rate reading. A device answers the
// summaries scripted for it, one per query, and then its steady summary; a
// device that was never given one shows no signal: both inputs flat at the
// middle code of the resolution the instance last received.
#include "hub/summary.h"
#include "hub/instrument_link.h"

#include <array>
#include <cstring>
#include <deque>
#include <map>
#include <string>

namespace zyvsim {
namespace {

constexpr int32_t kHwBitSetting = 116;

struct DeviceSummaries {
  bool steadyGiven = false;
  ZyvSimSummary steady{};
  std::deque<ZyvSimSummary> script;
};

// The summaries of one instance. The registry of instances is not ours, so
// the state remembers which instance it belongs to (its record and the file
// it was loaded from) and starts afresh when the slot holds another one,
// as after zyvsim_reset.
struct InstanceSummaries {
  const Instance* owner = nullptr;
  std::string modulePath;
  std::array<DeviceSummaries, ZYVSIM_MAX_DEVICES> devices;
};

std::map<int32_t, InstanceSummaries>& all() {
  // Never destroyed, like the registry: the SDK may query from its own
  // unload at process exit.
  static auto* state = new std::map<int32_t, InstanceSummaries>();
  return *state;
}

InstanceSummaries& summariesOf(int32_t index, const Instance& in) {
  InstanceSummaries& s = all()[index];
  if (s.owner != &in || s.modulePath != in.modulePath) {
    s = InstanceSummaries{};
    s.owner = &in;
    s.modulePath = in.modulePath;
  }
  return s;
}

DeviceSummaries* deviceOf(int32_t index, int32_t device) {
  const Instance* in = instance(index);
  if (!in || device < 0 || device >= ZYVSIM_MAX_DEVICES) return nullptr;
  return &summariesOf(index, *in).devices[std::size_t(device)];
}

// No signal: both inputs at the middle code of the received resolution
// (8 bits until one is received).
ZyvSimSummary quiet(const Instance& in) {
  int32_t bits = 8;
  auto it = in.settings.find({-1, kHwBitSetting});
  if (it != in.settings.end() && it->second >= 1 && it->second <= 31) bits = int32_t(it->second);
  const int32_t mid = int32_t(1u << (bits - 1));
  ZyvSimSummary s{};
  s.codeMax0 = s.codeMin0 = s.codeMax1 = s.codeMin1 = mid;
  return s;
}

}  // namespace

int32_t answerSummary(int32_t index, const Instance& in, int32_t device, int32_t selector, void* buffer,
                      int32_t& errorCode) {
  if (selector != kSummarySelector) {
    errorCode = 2;
    return 0;
  }
  if (device < 0 || device >= in.openDevices || device >= ZYVSIM_MAX_DEVICES) {
    errorCode = 8;
    return 0;
  }
  if (!readable(buffer, kSummaryBytes)) {
    errorCode = 5;
    return 0;
  }
  DeviceSummaries& d = summariesOf(index, in).devices[std::size_t(device)];
  ZyvSimSummary s = d.steadyGiven ? d.steady : quiet(in);
  if (!d.script.empty()) {
    s = d.script.front();
    d.script.pop_front();
  }
  // The request field at offset 0 is left as the library sent it.
  const int32_t fields[5] = {s.codeMax0, s.codeMin0, s.codeMax1, s.codeMin1, s.rateReading};
  std::memcpy(static_cast<char*>(buffer) + 4, fields, sizeof fields);
  return 1;
}

}  // namespace zyvsim

using namespace zyvsim;

extern "C" {

ZYVSIM_API void zyvsim_set_summary(int32_t index, int32_t device, const ZyvSimSummary* summary) {
  HubGuard hold(hubLock());
  scriptedFromNow(index);
  DeviceSummaries* d = deviceOf(index, device);
  if (!d) return;
  d->steadyGiven = summary != nullptr;
  d->steady = summary ? *summary : ZyvSimSummary{};
}

ZYVSIM_API void zyvsim_script_summaries(int32_t index, int32_t device, const ZyvSimSummary* list, int32_t count) {
  HubGuard hold(hubLock());
  scriptedFromNow(index);
  DeviceSummaries* d = deviceOf(index, device);
  if (!d) return;
  d->script.clear();
  if (list && count > 0) d->script.assign(list, list + count);
}

ZYVSIM_API int32_t zyvsim_scripted_left(int32_t index, int32_t device) {
  HubGuard hold(hubLock());
  DeviceSummaries* d = deviceOf(index, device);
  return d ? int32_t(d->script.size()) : 0;
}

}  // extern "C"
