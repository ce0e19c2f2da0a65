#include "session.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "format.h"
#include "host.h"
#include "uZyvSDK.h"

namespace zyvscope {

Failure::Failure(const std::string& what, int32_t code)
    : std::runtime_error(what + (code ? " failed with error " + std::to_string(code) + " (" + errorText(code) + ")"
                                      : std::string())),
      code_(code) {}

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

Session::Session(const std::string& runtimeFolder, int32_t group, Progress& progress)
    : folder_(runtimeFolder), progress_(progress) {
  if (!folder_.empty()) check(uZyvSDKSetWorkDir(folder_.c_str()), "uZyvSDKSetWorkDir(\"" + folder_ + "\")");
  if (group != 0) check(uZyvSDKSelectGroup(uint32_t(group)), "uZyvSDKSelectGroup(" + std::to_string(group) + ")");
  devices_ = uZyvSDKInit();
  if (devices_ <= 0) {
    const int32_t code = uZyvSDKGetErrorCodeEx();
    throw Failure(code ? "uZyvSDKInit" : "uZyvSDKInit found no device", code);
  }
  // The initialisation's edge trigger.
  trigger_ = TriggerInfo{true, 0, 0, 160000};
}

Session::~Session() { uZyvSDKShutdown(); }

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
  trigger_ = TriggerInfo{false, 0, 0, 0};
}

void Session::applySettingsFile(const std::string& path) {
  check(uZyvSDKReadIniFile(path.c_str()), "uZyvSDKReadIniFile(\"" + path + "\")");
  TriggerInfo t;
  if (triggerOfSettingsFile(path, t)) trigger_ = t;
}

void Session::setEdgeTrigger(int32_t source, int32_t slope, int64_t levelUv) {
  check(uZyvSDKSetEdgeTrig(source, slope, levelUv), "uZyvSDKSetEdgeTrig");
  trigger_ = TriggerInfo{true, source, slope, levelUv};
}

void Session::setRecordLength(int32_t length) {
  check(uZyvSDKSetRecordLength(length), "uZyvSDKSetRecordLength(" + std::to_string(length) + ")");
}

void Session::setSampleRate(int64_t rate) {
  check(uZyvSDKSetSampleRate(rate), "uZyvSDKSetSampleRate(" + std::to_string(rate) + ")");
}

bool Session::capture(double timeoutSeconds) {
  check(uZyvSDKCaptureEx(), "uZyvSDKCaptureEx");
  auto waitForData = [&] {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    for (int polls = 0;; ++polls) {
      if (uZyvSDKDataReady() != 0) return true;
      if (std::chrono::steady_clock::now() >= until) return false;
      if (polls > 100) host::sleepMilliseconds(1);
    }
  };
  if (waitForData()) return true;
  if (const int32_t code = uZyvSDKGetErrorCodeEx()) throw Failure("uZyvSDKDataReady", code);
  check(uZyvSDKForceTrig(), "uZyvSDKForceTrig");
  if (waitForData()) return false;
  const int32_t code = uZyvSDKGetErrorCodeEx();
  throw Failure(code ? "uZyvSDKDataReady" : "no data even after forcing the trigger", code);
}

Record Session::read(int32_t device) {
  const Timebase tb = timebase();
  Record r;
  r.device = device;
  r.length = tb.recordLength;
  r.sampleRate = tb.sampleRate;
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
  if (!trigger_.known && device == 0 && n > 0) {
    const auto [lo, hi] = std::minmax_element(r.volts[0].begin(), r.volts[0].end());
    trigger_ = TriggerInfo{true, 0, 0, int64_t((*lo + *hi) * 0.5 * 1e6)};
  }
  return r;
}

// ---------------------------------------------------------------------------
std::string defaultRuntimeFolder() {
  const char s = host::separator();
  const std::string beside = host::programFolder() + ".." + s + "sim" + s + "default" + s;
  if (host::isFile(beside + "Zyvrun.dll")) return host::absolutePath(beside);
  return "";
}

bool triggerOfSettingsFile(const std::string& path, TriggerInfo& trigger) {
  std::ifstream file(path);
  std::string line;
  bool found = false;
  while (std::getline(file, line)) {
    std::string s;
    for (char c : line)
      if (c != ' ' && c != '\t' && c != '\r') s += c;
    const std::size_t comment = s.find(';');
    if (comment != std::string::npos) s.erase(comment);
    const std::size_t eq = s.find('=');
    if (eq == std::string::npos) continue;
    std::string key = s.substr(0, eq);
    for (char& c : key) c = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (key != "trigedge") continue;
    long long v[3] = {0, 0, 0};
    std::size_t pos = eq + 1;
    for (int k = 0; k < 3 && pos <= s.size(); ++k) {
      v[k] = std::strtoll(s.c_str() + pos, nullptr, 10);
      const std::size_t comma = s.find(',', pos);
      if (comma == std::string::npos) break;
      pos = comma + 1;
    }
    trigger = TriggerInfo{true, int32_t(v[0]), int32_t(v[1]), v[2]};
    found = true;
  }
  return found;
}

}  // namespace zyvscope
