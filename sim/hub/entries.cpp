// The runtime entries of the simulated instrument: each logs its call,
// applies an injected fault if one matches, and otherwise answers from the
// instance's configuration and the settings it has received.
#include <algorithm>
#include <cstring>

#include "hub/entries.h"
#include "hub/instance.h"
#include "hub/instrument_link.h"
#include "hub/summary.h"

namespace zyvsim {
namespace {

// Setting IDs whose value is the address of an int64.
bool settingByAddress(int32_t id) { return id == 11 || id == 14 || id == 15 || id == 16 || id == 18; }
constexpr int32_t kTrigRecordId = 10;
constexpr int32_t kRecordLengthId = 12;

// The block handed to uZyvReadEx, as the library lays it out.
#pragma pack(push, 4)
struct ReadRequest {
  int32_t reserved;
  int32_t status;
  int64_t timeOffset;
  int16_t* samples;
};
#pragma pack(pop)
constexpr int32_t kGeneratorId = 0x62170003;

// The arguments a call is logged with.
struct Arguments {
  int64_t a0 = 0, a1 = 0, a2 = 0;
};

ZyvSimCall& logCall(Instance& in, const char* entry, const Arguments& args) {
  ZyvSimCall call{};
  std::strncpy(call.entry, entry, sizeof call.entry - 1);
  call.arg[0] = args.a0;
  call.arg[1] = args.a1;
  call.arg[2] = args.a2;
  in.log.push_back(call);
  return in.log.back();
}

void logBlock(ZyvSimCall& call, const void* p, std::size_t size) {
  if (!p || size == 0) return;
  size = std::min<std::size_t>(size, ZYVSIM_BLOCK_BYTES);
  std::memcpy(call.block, p, size);
  call.blockSize = int32_t(size);
}

// Applies a matching fault: its result is returned and its code reported.
bool faulted(Instance& in, const char* entry, int64_t key, int32_t& result) {
  const Fault* f = in.faultFor(entry, key);
  if (!f) return false;
  in.errorCode = f->errorCode;
  result = f->result;
  return true;
}

int32_t fail(Instance& in, int32_t code) {
  in.errorCode = code;
  return 0;
}

bool deviceInRange(const Instance& in, int32_t device) { return device >= 0 && device < in.openDevices; }

// Every entry begins alike: it finds its instance (0 without one) and logs
// the call; `body` answers it.
template <class Body>
int32_t logged(int32_t index, const char* entry, const Arguments& args, Body&& body) {
  HubGuard hold(hubLock());
  Instance* in = instance(index);
  if (!in) return 0;
  return body(*in, logCall(*in, entry, args));
}

// An entry that injected faults can answer: `record` adds to the log what
// the call passed by address, then a fault that matches `faultKey` answers,
// or else `answer`.
template <class Record, class Answer>
int32_t answered(int32_t index, const char* entry, const Arguments& args, int64_t faultKey, Record&& record,
                 Answer&& answer) {
  return logged(index, entry, args, [&](Instance& in, ZyvSimCall& call) {
    record(in, call);
    int32_t result = 0;
    if (faulted(in, entry, faultKey, result)) return result;
    return answer(in, call);
  });
}

template <class Answer>
int32_t answered(int32_t index, const char* entry, const Arguments& args, int64_t faultKey, Answer&& answer) {
  return answered(index, entry, args, faultKey, [](Instance&, ZyvSimCall&) {}, answer);
}

constexpr int64_t kAnyCall = -1;  // the fault key of entries without a key of their own

int32_t initialised(Instance& in) {
  if (playedByInstrument(in)) instrumentInitialise(in);
  in.openDevices = std::max(0, std::min(in.config.deviceCount, ZYVSIM_MAX_DEVICES));
  return in.openDevices;
}

}  // namespace
}  // namespace zyvsim

using namespace zyvsim;

extern "C" {

ZYVSIM_API int32_t zyvsim_uZyvInit(int32_t index) {
  return answered(index, "uZyvInit", {}, kAnyCall, [](Instance& in, ZyvSimCall&) { return initialised(in); });
}

ZYVSIM_API int32_t zyvsim_uZyvInitStack(int32_t index, void* stackList) {
  return answered(
      index, "uZyvInitStack", {stackList ? 1 : 0}, kAnyCall,
      [&](Instance&, ZyvSimCall& call) { logBlock(call, stackList, 320); },
      [](Instance& in, ZyvSimCall&) { return initialised(in); });
}

ZYVSIM_API int32_t zyvsim_uZyvShutdown(int32_t index) {
  return answered(index, "uZyvShutdown", {}, kAnyCall, [](Instance& in, ZyvSimCall&) {
    in.openDevices = 0;
    return 1;
  });
}

ZYVSIM_API int32_t zyvsim_uZyvEnv(int32_t index, void* request) {
  return answered(
      index, "uZyvEnv", {}, kAnyCall, [&](Instance&, ZyvSimCall& call) { logBlock(call, request, 20); },
      [&](Instance& in, ZyvSimCall&) { return request ? 1 : fail(in, 5); });
}

ZYVSIM_API int32_t zyvsim_uZyvGetHwInfo(int32_t index, int32_t device, int32_t selector, void* buffer) {
  auto record = [&](Instance&, ZyvSimCall& call) {
    if (selector == 10 && buffer) logBlock(call, buffer, 8);
  };
  return answered(index, "uZyvGetHwInfo", {device, selector}, device, record, [&](Instance& in, ZyvSimCall&) {
    if (!deviceInRange(in, device)) return fail(in, 8);
    const ZyvSimDevice& dev = in.config.devices[device];
    auto put = [&](const void* data, std::size_t size) {
      if (!buffer) return fail(in, 5);
      std::memcpy(buffer, data, size);
      return 1;
    };
    switch (selector) {
      case 0: return put(dev.vendorName, sizeof dev.vendorName);
      case 1: return put(dev.productName, sizeof dev.productName);
      case 2: return put(dev.serialNum, sizeof dev.serialNum);
      case 3: return put(&dev.hwVer, 4);
      case 4: return put(&dev.fwVer, 4);
      case 5: return put(&dev.productId, 4);
      case 6: return put(&dev.usbHandle, 4);
      case 7:
        if (playedByInstrument(in)) {
          double calibration[6];
          instrumentCalibration(in, device, calibration);
          return put(calibration, sizeof calibration);
        }
        return put(dev.calibration, sizeof dev.calibration);
      case 9: return buffer ? put(&dev.temperature, 4) : 1;
      case 10: {
        if (!buffer) return fail(in, 5);
        int32_t block[2];
        std::memcpy(block, buffer, sizeof block);
        auto it = in.channelOn.find(2 * device + block[0]);
        block[1] = it == in.channelOn.end() ? 1 : it->second;
        std::memcpy(buffer, block, sizeof block);
        return 1;
      }
      default: return fail(in, 2);
    }
  });
}

ZYVSIM_API int32_t zyvsim_ZyvHwInfo(int32_t index, int32_t device, int32_t selector, void* buffer) {
  auto record = [&](Instance&, ZyvSimCall& call) {
    if (selector == kSummarySelector && readable(buffer, kSummaryBytes)) logBlock(call, buffer, kSummaryBytes);
  };
  return answered(index, "ZyvHwInfo", {device, selector}, device, record, [&](Instance& in, ZyvSimCall&) {
    int32_t code = 0;
    if (playedByInstrument(in)) return instrumentSummary(in, device, selector, buffer, code) ? 1 : fail(in, code);
    return answerSummary(index, in, device, selector, buffer, code) ? 1 : fail(in, code);
  });
}

ZYVSIM_API int32_t zyvsim_uZyvSetting(int32_t index, int32_t channel, int32_t id, intptr_t value) {
  const void* address = reinterpret_cast<const void*>(value);
  int64_t stored = value;
  auto record = [&](Instance& in, ZyvSimCall& call) {
    if (settingByAddress(id) && readable(address, 8)) {
      logBlock(call, address, 8);
      std::memcpy(&stored, address, 8);
    } else if (id == kTrigRecordId && readable(address, 8)) {
      int32_t size = 0;
      std::memcpy(&size, static_cast<const char*>(address) + 4, 4);
      if (size > 0 && size <= 64 && readable(address, std::size_t(size))) logBlock(call, address, std::size_t(size));
    } else if (id == kGeneratorId && uintptr_t(value) >= 0x10000 && readable(address, 8)) {
      // Initialisation passes the address of a double; applications pass values.
      logBlock(call, address, 8);
      std::memcpy(&stored, address, 8);
    }
    // The library sizes its read buffer from the record length it sent, even
    // when the runtime refused it; reads fill blocks of the length received.
    if (id == kRecordLengthId) in.blockLength = std::max<int32_t>(0, int32_t(value));
  };
  return answered(index, "uZyvSetting", {channel, id, value}, id, record, [&](Instance& in, ZyvSimCall& call) {
    if (in.openDevices == 0) return fail(in, 1);
    in.settings[{channel, id}] = stored;
    if (id == 3) in.channelOn[channel] = int32_t(value & 0xFF);
    if (playedByInstrument(in)) {
      // Values behind an address as they were copied into the log.
      const bool copied =
          (settingByAddress(id) && call.blockSize == 8) || (id == kTrigRecordId && call.blockSize > 0);
      instrumentSetting(in, channel, id, stored, copied ? call.block : nullptr,
                        copied ? std::size_t(call.blockSize) : 0);
    }
    return 1;
  });
}

ZYVSIM_API int32_t zyvsim_ZyvSetting(int32_t index, int32_t id, int32_t value, int32_t reserved) {
  return answered(index, "ZyvSetting", {id, value, reserved}, id, [&](Instance& in, ZyvSimCall&) {
    in.settings[{-1, id}] = value;
    if (playedByInstrument(in)) instrumentSecondSetting(in, id, value);
    return 1;
  });
}

ZYVSIM_API int32_t zyvsim_uZyvCapture(int32_t index, void* params) {
  return answered(
      index, "uZyvCapture", {params ? 1 : 0}, kAnyCall,
      [&](Instance&, ZyvSimCall& call) { logBlock(call, params, 144); },
      [&](Instance& in, ZyvSimCall&) {
        if (in.openDevices <= 0) return fail(in, 1);
        int32_t code = 0;
        if (playedByInstrument(in) && !instrumentCapture(in, params, code)) return fail(in, code);
        return 1;
      });
}

ZYVSIM_API int32_t zyvsim_uZyvStop(int32_t index) {
  return answered(index, "uZyvStop", {}, kAnyCall, [](Instance& in, ZyvSimCall&) {
    if (playedByInstrument(in)) in.instrument.stop();
    return 1;
  });
}

ZYVSIM_API int32_t zyvsim_uZyvForceTrig(int32_t index, int32_t device) {
  return answered(index, "uZyvForceTrig", {device}, device, [&](Instance& in, ZyvSimCall&) {
    if (!deviceInRange(in, device)) return fail(in, 8);
    if (playedByInstrument(in)) in.instrument.forceTrigger();
    return 1;
  });
}

ZYVSIM_API int32_t zyvsim_uZyvGetStatus(int32_t index, int32_t value) {
  return answered(index, "uZyvGetStatus", {value}, kAnyCall,
                  [](Instance& in, ZyvSimCall&) { return 0x100 | (in.openDevices & 0xFF); });
}

ZYVSIM_API int32_t zyvsim_uZyvDataReady(int32_t index) {
  return answered(index, "uZyvDataReady", {}, kAnyCall, [](Instance& in, ZyvSimCall&) {
    if (playedByInstrument(in) && !in.instrument.dataReady()) return 0;
    return in.openDevices > 0 ? 1 : 0;
  });
}

ZYVSIM_API int32_t zyvsim_uZyvRead(int32_t index, intptr_t value) {
  return answered(index, "uZyvRead", {value}, kAnyCall,
                  [](Instance& in, ZyvSimCall&) { return in.openDevices > 0 ? 1 : fail(in, 1); });
}

ZYVSIM_API int32_t zyvsim_uZyvReadEx(int32_t index, void* request, int32_t device, int32_t one) {
  auto record = [&](Instance&, ZyvSimCall& call) { logBlock(call, request, sizeof(ReadRequest)); };
  return answered(index, "uZyvReadEx", {device, one}, device, record, [&](Instance& in, ZyvSimCall&) {
    if (!request || !deviceInRange(in, device)) return fail(in, 8);
    ReadRequest req;
    std::memcpy(&req, request, sizeof req);
    if (!req.samples) return fail(in, 5);
    ZyvSimRead read{};
    read.device = device;
    read.blockLength = in.blockLength;
    read.block[0] = req.samples;
    read.block[1] = req.samples + in.blockLength;
    int32_t code = 0;
    if (!readDevice(index, in, read, code)) return fail(in, code);
    req.status = read.status;
    req.timeOffset = read.timeOffset;
    std::memcpy(request, &req, sizeof req);
    return 1;
  });
}

// Injected faults do not reach the error code or the unused entry.
ZYVSIM_API int32_t zyvsim_uZyvGetErrorCode(int32_t index) {
  return logged(index, "uZyvGetErrorCode", {}, [](Instance& in, ZyvSimCall&) { return in.errorCode; });
}

ZYVSIM_API int32_t zyvsim_uZyvReadWithFFT(int32_t index) {
  return logged(index, "uZyvReadWithFFT", {}, [](Instance&, ZyvSimCall&) { return 0; });
}

}  // extern "C"
