// The settings file: "Key = v1, v2, ..." lines, each applied at once through
// the setter its key names. Blanks are removed everywhere, ";" starts a
// comment, keys are matched without regard to case, and the first setting
// that fails stops the file.
#include <cstdio>
#include <cstring>
#include <string>

#include "settings/settings.h"

namespace uzyv {

namespace {

constexpr int kMaxValues = 10;
using Values = int64_t[kMaxValues];

// One line's setting, applied with the line's values.
struct Key {
  const char* name;
  Code (*apply)(const Values& v);
};

// In the order in which keys are matched.
const Key kKeys[] = {
    {"SampleRate", [](const Values& v) { return setSampleRate(v[0]); }},
    {"RecordLength", [](const Values& v) { return setRecordLength(low32(v[0])); }},
    {"BandWidth", [](const Values& v) { return setBwl(low32(v[0]), low32(v[1])); }},
    {"Coupling", [](const Values& v) { return setCoupling(low32(v[0]), low32(v[1])); }},
    // The file switches a channel with 0 or 1 only, through the dispatch.
    {"ChOnOff", [](const Values& v) { return sendSetting(low32(v[0]), kSetChannelOnOff, v[1] != 0 ? 1 : 0); }},
    {"Acquire", [](const Values& v) { return setAcquireMode(low32(v[0]), low32(v[1])); }},
    {"VoltDiv", [](const Values& v) { return setVoltDiv(low32(v[0]), low32(v[1]), kSetVoltDiv); }},
    {"VoltPos", [](const Values& v) { return setVoltPos(low32(v[0]), low32(v[1])); }},
    {"VoltOfs", [](const Values& v) { return setVoltOfs(low32(v[0]), low32(v[1])); }},
    {"WaitMode", [](const Values& v) { return setWaitMode(low32(v[0]), v[1]); }},
    {"TrigDelay", [](const Values& v) { return setDelayTime(v[0]); }},
    {"HoldOff", [](const Values& v) { return setHoldoffTime(v[0]); }},
    {"TrigPos", [](const Values& v) { return setTrigPos(v[0]); }},
    {"TrigCoupling", [](const Values& v) { return setTrigCouple(low32(v[0])); }},
    {"TrigEdge", [](const Values& v) { return setEdgeTrig(low32(v[0]), low32(v[1]), v[2]); }},
    {"TrigVideo", [](const Values& v) { return setVideoTrig(low32(v[0]), low32(v[1]), low32(v[2])); }},
    {"TrigRunt",
     [](const Values& v) {
       return setRuntTrig(low32(v[0]), low32(v[1]), low32(v[2]), low32(v[3]), v[4], v[5], v[6]);
     }},
    {"TrigWidth",
     [](const Values& v) { return setWidthTrig(low32(v[0]), low32(v[1]), low32(v[2]), low32(v[3]), v[4], v[5]); }},
    {"TrigPattern",
     [](const Values& v) {
       return setPatternTrig(low32(v[0]), low32(v[1]), low32(v[2]), low32(v[3]), low32(v[4]), v[5], v[6], v[7]);
     }},
    {"TrigState",
     [](const Values& v) {
       return setStateTrig(low32(v[0]), low32(v[1]), low32(v[2]), low32(v[3]), low32(v[4]), v[5], v[6]);
     }},
    {"VoltDivEx", [](const Values& v) { return setVoltDiv(low32(v[0]), low32(v[1]), kSetVoltDivEx); }},
    {"HwBit", [](const Values& v) { return setHwBit(low32(v[0])); }},
};

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool sameKey(const std::string& key, const char* name) {
  const std::size_t n = std::strlen(name);
  if (key.size() != n) return false;
  for (std::size_t i = 0; i < n; ++i)
    if (lowerAscii(key[i]) != lowerAscii(name[i])) return false;
  return true;
}

// A signed decimal number at the start of the text: an optional sign, then
// digits up to the first other character; no digits read as 0, and numbers
// beyond the 64-bit range as its nearest end.
int64_t readNumber(const char* p, const char* end) {
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  const uint64_t limit = negative ? uint64_t(INT64_MAX) + 1 : uint64_t(INT64_MAX);
  uint64_t magnitude = 0;
  bool saturated = false;
  for (; p < end && *p >= '0' && *p <= '9'; ++p) {
    const auto digit = uint64_t(*p - '0');
    if (saturated || magnitude > (limit - digit) / 10) {
      saturated = true;
      continue;
    }
    magnitude = magnitude * 10 + digit;
  }
  if (saturated) magnitude = limit;
  if (!negative) return int64_t(magnitude);
  return magnitude == uint64_t(INT64_MAX) + 1 ? INT64_MIN : -int64_t(magnitude);
}

// Up to ten comma-separated values; those the text does not give are 0.
void readValues(const std::string& text, Values& values) {
  for (int64_t& v : values) v = 0;
  const char* p = text.data();
  const char* end = p + text.size();
  int count = 0;
  values[count++] = readNumber(p, end);
  while (count < kMaxValues && p < end) {
    const void* comma = std::memchr(p, ',', std::size_t(end - p));
    if (!comma) break;
    p = static_cast<const char*>(comma) + 1;
    values[count++] = readNumber(p, end);
  }
}

// Applies one line (without its line end); kOk also for a line skipped.
Code applyLine(std::string& line) {
  std::size_t kept = 0;
  for (char c : line)
    if (c != ' ' && c != '\t') line[kept++] = c;
  line.resize(kept);
  const std::size_t comment = line.find(';');
  if (comment != std::string::npos) line.resize(comment);
  if (line.empty()) return kOk;
  const std::size_t equals = line.find('=');
  if (equals == std::string::npos) return kOk;
  const std::string key = line.substr(0, equals);
  for (const Key& k : kKeys) {
    if (!sameKey(key, k.name)) continue;
    Values values;
    readValues(line.substr(equals + 1), values);
    return k.apply(values);
  }
  return kOk;
}

class File {
 public:
  explicit File(const char* path) : file_(path ? std::fopen(path, "rb") : nullptr) {}
  ~File() {
    if (file_) std::fclose(file_);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  std::FILE* get() const { return file_; }

 private:
  std::FILE* file_;
};

}  // namespace

Code applySettingsFile(const char* path) {
  // Read as bytes, with LF and CR LF both ending a line, so that a file
  // reads the same on every host.
  File file(path);
  if (!file.get()) return UZYV_ERR_SETTINGS_FILE;
  std::string line;
  char chunk[16384];
  for (;;) {
    const std::size_t n = std::fread(chunk, 1, sizeof chunk, file.get());
    for (std::size_t i = 0; i < n; ++i) {
      if (chunk[i] != '\n') {
        line.push_back(chunk[i]);
        continue;
      }
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (Code c = applyLine(line)) return c;
      line.clear();
    }
    if (n < sizeof chunk) break;
  }
  // A read error is not the end of the file: what follows it was not read.
  if (std::ferror(file.get())) return UZYV_ERR_SETTINGS_FILE;
  return applyLine(line);
}

}  // namespace uzyv

extern "C" UZYV_API int32_t UZYV_CALL uZyvSDKReadIniFile(const char* path) {
  return uzyv::exportCall(uzyv::applySettingsFile, path);
}
