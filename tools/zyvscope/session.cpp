#include "session.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "format.h"
#include "host.h"
#include "interrupt.h"
#include "runtime_check.h"
#include "scratch_file.h"
#include "settings_lines.h"
#include "uZyvSDK.h"

namespace zyvscope {

Failure::Failure(const std::string& what, int32_t code)
    : std::runtime_error(what + (code ? " failed with error " + std::to_string(code) + " (" + errorText(code) + ")"
                                      : std::string())),
      code_(code) {}

Failure::Failure(Worded, const std::string& message, int32_t code) : std::runtime_error(message), code_(code) {}

// ---------------------------------------------------------------------------
struct Progress::Spinner {
  std::atomic<bool> running{true};
  std::thread thread;
};

Progress::Progress(bool quiet) : quiet_(quiet), terminal_(host::stderrIsTerminal()) {}

void Progress::step(const std::string& task, int done, int total) {
  if (quiet_) return;
  if (terminal_) {
    std::fprintf(stderr, "\r%s %d/%d ", task.c_str(), done, total);
    if (done >= total) std::fputc('\n', stderr);
  } else if (done == 1 || done == total || done % 10 == 0) {
    std::fprintf(stderr, "%s %d/%d\n", task.c_str(), done, total);
  }
  std::fflush(stderr);
}

void Progress::done(const std::string& task, const std::string& result) {
  if (quiet_) return;
  std::fprintf(stderr, "%s: %s\n", task.c_str(), result.c_str());
}

void Progress::startSpinner(const std::string& task) {
  if (quiet_) return;
  spinner_ = new Spinner;
  if (!terminal_) {
    std::fprintf(stderr, "%s ...\n", task.c_str());
    return;
  }
  Spinner* s = spinner_;
  s->thread = std::thread([s, task] {
    static const char wheel[] = "|/-\\";
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; s->running; ++i) {
      const double seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      std::fprintf(stderr, "\r%s %c %.1f s ", task.c_str(), wheel[i % 4], seconds);
      std::fflush(stderr);
      for (int k = 0; k < 10 && s->running; ++k) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::fprintf(stderr, "\r%s done in %.1f s\n", task.c_str(),
                 std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  });
}

void Progress::stopSpinner() {
  if (!spinner_) return;
  spinner_->running = false;
  if (spinner_->thread.joinable()) spinner_->thread.join();
  delete spinner_;
  spinner_ = nullptr;
}

// ---------------------------------------------------------------------------
void Session::check(int32_t result, const std::string& call) {
  if (result == 0) throw Failure(call, uZyvSDKGetErrorCodeEx());
}

namespace {

// The start-up reports a runtime file it cannot use as a missing entry
// point; the file itself tells the cause.
[[noreturn]] void startUpFailure(const std::string& call, int32_t code, const std::string& folder) {
  if (code == UZYV_ERR_RUNTIME_FILE || code == UZYV_ERR_RUNTIME_ENTRIES) {
    const RuntimeDiagnosis d = diagnoseRuntime(folder);
    if (d.code)
      throw Failure(Failure::Worded{}, "cannot start the runtime: " + d.reason + " (error " + std::to_string(d.code) + ")",
                    d.code);
  }
  throw Failure(call, code);
}

}  // namespace

Session::Session(const std::string& runtimeFolder, int32_t group, Progress& progress)
    : folder_(runtimeFolder), progress_(progress) {
  if (!folder_.empty() && !uZyvSDKSetWorkDir(folder_.c_str()))
    startUpFailure("uZyvSDKSetWorkDir(\"" + folder_ + "\")", uZyvSDKGetErrorCodeEx(), folder_);
  if (group != 0 && !uZyvSDKSelectGroup(uint32_t(group)))
    startUpFailure("uZyvSDKSelectGroup(" + std::to_string(group) + ")", uZyvSDKGetErrorCodeEx(), folder_);
  devices_ = uZyvSDKInit();
  if (devices_ <= 0) {
    const int32_t code = uZyvSDKGetErrorCodeEx();
    if (!code) throw Failure("uZyvSDKInit found no device", 0);
    startUpFailure("uZyvSDKInit", code, folder_);
  }
  // The initialisation's edge trigger.
  trigger_ = TriggerInfo{true, 0, 0, 160000};
}

Session::~Session() {
  // A capture that still waits for its trigger ends first.
  uZyvSDKStop();
  uZyvSDKShutdown();
}

ChannelSettings Session::channel(int32_t ch) const {
  ChannelSettings s;
  check(uZyvSDKGetVoltDiv(ch, &s.voltDiv), "uZyvSDKGetVoltDiv(" + std::to_string(ch) + ")");
  check(uZyvSDKGetVoltPos(ch, &s.position), "uZyvSDKGetVoltPos");
  check(uZyvSDKGetVoltOfs(ch, &s.offset), "uZyvSDKGetVoltOfs");
  check(uZyvSDKGetCoupling(ch, &s.coupling), "uZyvSDKGetCoupling");
  check(uZyvSDKGetBWL(ch, &s.bandwidthLimit), "uZyvSDKGetBWL");
  s.on = uZyvSDKGetChOnOff(ch) != 0;
  return s;
}

Timebase Session::timebase() const {
  Timebase t;
  check(uZyvSDKGetSampleRate(&t.sampleRate), "uZyvSDKGetSampleRate");
  check(uZyvSDKGetRecordLength(&t.recordLength), "uZyvSDKGetRecordLength");
  check(uZyvSDKGetTrigPos(&t.trigPos), "uZyvSDKGetTrigPos");
  check(uZyvSDKGetDelayTime(&t.delayTime), "uZyvSDKGetDelayTime");
  check(uZyvSDKGetHwBit(&t.bits), "uZyvSDKGetHwBit");
  return t;
}

void Session::autoset() {
  uZyvSDKGetErrorCodeEx();  // start from a clean LastError
  const int32_t result = progress_.whileBusy("autoset (40 captures)", [] { return uZyvSDKAutoset(); });
  check(result, "uZyvSDKAutoset");
  // Autoset reports only its entry checks; a step that failed on the way
  // leaves its code.
  if (const int32_t code = uZyvSDKGetErrorCodeEx())
    std::fprintf(stderr, "zyvscope: warning: a step of autoset failed with error %d (%s)\n", int(code),
                 errorText(code));
  // Autoset sets an edge trigger on channel 0 at the middle of its signal,
  // which no getter reports: the first read of device 0 estimates it.
  trigger_ = TriggerInfo{false, 0, 0, 0, false};
}

int Session::applySettingsFile(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f)
    throw Failure(Failure::Worded{}, "cannot open the settings file " + path + ": " + std::strerror(errno) +
                                         " (error 30)", UZYV_ERR_SETTINGS_FILE);
  std::string bytes;
  char chunk[16384];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) bytes.append(chunk, n);
  const bool readError = std::ferror(f) != 0;
  const int readErrno = errno;
  std::fclose(f);
  if (readError)
    throw Failure(Failure::Worded{}, "cannot read the settings file " + path + ": " + std::strerror(readErrno) +
                                         " (error 30)", UZYV_ERR_SETTINGS_FILE);
  const SettingsFileCheck file = checkSettingsText(bytes);
  if (!file.notText.empty())
    throw Failure(Failure::Worded{}, path + " is not a settings file: " + file.notText + "; nothing applied", 0);
  for (const std::string& w : file.warnings) std::fprintf(stderr, "zyvscope: warning: %s %s\n", path.c_str(), w.c_str());
  if (file.lines.empty()) std::fprintf(stderr, "zyvscope: warning: %s sets nothing\n", path.c_str());

  // The edge trigger of an applied line, which no getter reports.
  auto noteTrigger = [&](const SettingsLine& line) {
    if (std::string(line.key->name) == "TrigEdge")
      trigger_ = TriggerInfo{true, int32_t(line.values[0]), int32_t(line.values[1]), line.values[2], false};
  };
  // The library applies the file and stops at the first line it refuses;
  // the lines, applied one at a time in the same order, show which one.
  uZyvSDKGetErrorCodeEx();
  if (!uZyvSDKReadIniFile(path.c_str())) {
    const int32_t code = uZyvSDKGetErrorCodeEx();
    for (const SettingsLine& line : file.lines) {
      ScratchFile one(line.text + "\n");
      if (one.path().empty()) break;
      if (uZyvSDKReadIniFile(one.path().c_str())) {
        noteTrigger(line);
        continue;
      }
      const int32_t lineCode = uZyvSDKGetErrorCodeEx();
      throw Failure(Failure::Worded{}, path + " line " + std::to_string(line.number) + ": " + line.key->name +
                                           " refused: " + settingsRefusal(line, lineCode) +
                                           "; the lines after it were not applied", lineCode ? lineCode : code);
    }
    throw Failure("uZyvSDKReadIniFile(\"" + path + "\")", code);
  }
  for (const SettingsLine& line : file.lines) noteTrigger(line);
  return int(file.lines.size());
}

void Session::setWaitMode(int32_t mode) { check(uZyvSDKSetWaitMode(mode, 0), "uZyvSDKSetWaitMode"); }

int32_t Session::waitMode() const {
  int32_t mode = 0;
  int64_t param = 0;
  check(uZyvSDKGetWaitMode(&mode, &param), "uZyvSDKGetWaitMode");
  return mode;
}

void Session::setEdgeTrigger(int32_t source, int32_t slope, int64_t levelUv) {
  check(uZyvSDKSetEdgeTrig(source, slope, levelUv), "uZyvSDKSetEdgeTrig");
  trigger_ = TriggerInfo{true, source, slope, levelUv, false};
}

void Session::setRecordLength(int32_t length) {
  check(uZyvSDKSetRecordLength(length), "uZyvSDKSetRecordLength(" + std::to_string(length) + ")");
}

void Session::setSampleRate(int64_t rate) {
  check(uZyvSDKSetSampleRate(rate), "uZyvSDKSetSampleRate(" + std::to_string(rate) + ")");
}

bool Session::capture(double timeoutSeconds) {
  checkInterrupt();
  check(uZyvSDKCaptureEx(), "uZyvSDKCaptureEx");
  auto waitForData = [&](double seconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (int polls = 0;; ++polls) {
      if (uZyvSDKDataReady() != 0) return true;
      checkInterrupt();
      if (std::chrono::steady_clock::now() >= until) return false;
      if (polls > 100) host::sleepMilliseconds(1);
    }
  };
  bool forced = false;
  if (!waitForData(timeoutSeconds)) {
    if (const int32_t code = uZyvSDKGetErrorCodeEx()) throw Failure("uZyvSDKDataReady", code);
    if (waitMode() == 2) {
      uZyvSDKStop();
      throw Failure(Failure::Worded{}, "no trigger within " + engineering(timeoutSeconds, "s", 3) +
                                           " (single mode forces none; --timeout waits longer)", 0);
    }
    check(uZyvSDKForceTrig(), "uZyvSDKForceTrig");
    if (!waitForData(timeoutSeconds)) {
      const int32_t code = uZyvSDKGetErrorCodeEx();
      throw Failure(code ? "uZyvSDKDataReady" : "no data even after forcing the trigger", code);
    }
    forced = true;
  }
  // Autoset's trigger level is known to no getter: the middle of CH0's
  // signal, read off device 0 once, whichever device is shown.
  if (!trigger_.known) {
    const Record r = read(0);
    if (r.length > 0) {
      const auto [lo, hi] = std::minmax_element(r.volts[0].begin(), r.volts[0].end());
      trigger_ = TriggerInfo{true, 0, 0, int64_t((*lo + *hi) * 0.5 * 1e6), true};
    }
  }
  return forced;
}

Record Session::read(int32_t device) {
  const Timebase tb = timebase();
  Record r;
  r.device = device;
  r.length = tb.recordLength;
  r.sampleRate = tb.sampleRate;
  r.bits = tb.bits;
  const std::size_t n = std::size_t(std::max(0, r.length));
  std::vector<int16_t> raw(2 * n);
  check(uZyvSDKReadExRaw(device, &r.status, raw.data(), r.zeroLevel, r.baseOffset, r.gain, nullptr),
        "uZyvSDKReadExRaw(" + std::to_string(device) + ")");
  const double periodPs = tb.sampleRate > 0 ? 1e12 / double(tb.sampleRate) : 0.0;
  r.triggerIndex = 0.5 * double(r.length) +
                   (periodPs > 0 ? double(tb.trigPos - tb.delayTime) / periodPs : 0.0);
  for (int input = 0; input < 2; ++input) {
    r.raw[input].assign(raw.begin() + std::ptrdiff_t(input * n), raw.begin() + std::ptrdiff_t((input + 1) * n));
    int32_t offset = 0;
    check(uZyvSDKGetVoltOfs(2 * device + input, &offset), "uZyvSDKGetVoltOfs");
    r.offsetUv[input] = offset;
    std::vector<double> mv(n);
    if (n > 0)
      check(uZyvSDKRawToDbl_mv(r.raw[input].data(), mv.data(), int32_t(n), r.zeroLevel[input], r.baseOffset[input],
                               r.gain[input], double(offset), 1),
            "uZyvSDKRawToDbl_mv");
    r.volts[input].resize(n);
    for (std::size_t i = 0; i < n; ++i) r.volts[input][i] = mv[i] / 1000.0;
  }
  for (int input = 0; input < 2; ++input) r.on[input] = uZyvSDKGetChOnOff(2 * device + input) != 0;
  return r;
}

// ---------------------------------------------------------------------------
std::string defaultRuntimeFolder() {
  const char s = host::separator();
  const std::string beside = host::programFolder() + ".." + s + "sim" + s + "default" + s;
  if (host::isFile(beside + "Zyvrun.dll")) return host::absolutePath(beside);
  return "";
}

}  // namespace zyvscope
