#include "settings_lines.h"

#include <cstdio>
#include <limits>

#include "format.h"

namespace zyvscope {
namespace {

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool sameKey(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  return i == a.size() && !b[i];
}

std::string lineLabel(int number) { return "line " + std::to_string(number) + ": "; }

// The library's reading of one value: an optional sign and the digits up to
// the first other character, saturated to the 64-bit range. `plain` tells
// whether the text was exactly that.
int64_t readValue(const std::string& text, bool& plain) {
  std::size_t p = 0;
  bool negative = false;
  if (p < text.size() && (text[p] == '+' || text[p] == '-')) negative = text[p++] == '-';
  const std::size_t digitsStart = p;
  const uint64_t limit = negative ? uint64_t(std::numeric_limits<int64_t>::max()) + 1
                                  : uint64_t(std::numeric_limits<int64_t>::max());
  uint64_t magnitude = 0;
  bool saturated = false;
  for (; p < text.size() && text[p] >= '0' && text[p] <= '9'; ++p) {
    const auto digit = uint64_t(text[p] - '0');
    if (saturated || magnitude > (limit - digit) / 10) {
      saturated = true;
      continue;
    }
    magnitude = magnitude * 10 + digit;
  }
  if (saturated) magnitude = limit;
  plain = p > digitsStart && p == text.size() && !saturated;
  if (!negative) return int64_t(magnitude);
  return magnitude == limit && negative ? std::numeric_limits<int64_t>::min() : -int64_t(magnitude);
}

std::string valueList(const std::vector<int64_t>& values, std::size_t count) {
  std::string s;
  for (std::size_t i = 0; i < count && i < values.size(); ++i) s += (i ? ", " : "") + std::to_string(values[i]);
  return s;
}

}  // namespace

const std::vector<SettingsKey>& settingsKeys() {
  static const std::vector<SettingsKey> keys = {
      {"SampleRate", "samples per second", 1, "sample rate"},
      {"RecordLength", "samples per channel, a multiple of 8", 1, "record length"},
      {"ChOnOff", "channel, 0 (off) or 1 (on)", 2, "switches a channel"},
      {"VoltDiv", "channel, microvolts per division (2000, 5000, 10000 ... 10000000)", 2, "volts/div"},
      {"VoltDivEx", "channel, microvolts per division", 2, "volts/div, sent under the extended setting"},
      {"VoltPos", "channel, position 0..16000 (8000: the middle; 2000 per division)", 2, "vertical position"},
      {"VoltOfs", "channel, offset in microvolts (within 15 V, 150 V above 1 V/div)", 2, "vertical offset"},
      {"Coupling", "channel, 0 (DC), 1 (AC) or 2 (GND)", 2, "input coupling"},
      {"BandWidth", "channel, 0 (full), 1 (20 MHz) or 2 (2 MHz)", 2, "bandwidth limit"},
      {"Acquire", "channel, mode 0..5 (0, 1 sample; 2..5 average 4, 16, 64, 256)", 2, "acquire mode"},
      {"HwBit", "resolution in bits (8 or 12)", 1, "sample resolution"},
      {"WaitMode", "mode 0 (auto), 1 (normal), 2 (single) or 3 (auto with a time), time in ps for mode 3", 2,
       "how a capture waits for its trigger"},
      {"TrigPos", "picoseconds from the middle of the record, within half the record", 1, "trigger position"},
      {"TrigDelay", "time 0..50000000000000", 1, "trigger delay"},
      {"HoldOff", "time 0..10000000000000", 1, "trigger holdoff"},
      {"TrigCoupling", "0..3 (1 and 3 remove the average)", 1, "trigger coupling"},
      {"TrigEdge", "source channel 0..2, slope 0 (rising), 1 (falling), 2 or 3 (either), level in microvolts", 3,
       "edge trigger"},
      {"TrigVideo", "source 0 or 1, mode 0..3, value", 3, "video trigger"},
      {"TrigRunt", "source 0 or 1, selA 0..2, selB 0..3, value, value64, level, level2", 7,
       "runt trigger (extended product)"},
      {"TrigWidth", "source 0..2, selA 0..2, selB 0..3, value, value64, level", 6, "width trigger (extended product)"},
      {"TrigPattern", "source 0..2, source2 0..2, value, value2, flag 0..1, value64, level, level2", 8,
       "pattern trigger (extended product)"},
      {"TrigState", "source 0..2, source2 0..2, value, value2, flag 0..1, level, level2", 7,
       "state trigger (extended product)"},
  };
  return keys;
}

const SettingsKey* findSettingsKey(const std::string& name) {
  for (const SettingsKey& k : settingsKeys())
    if (sameKey(name, k.name)) return &k;
  return nullptr;
}

SettingsFileCheck checkSettingsText(const std::string& bytes) {
  SettingsFileCheck check;
  int number = 1;
  std::string raw;
  auto finishLine = [&](std::string line) {
    const int n = number++;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find('\r') != std::string::npos)
      check.warnings.push_back(lineLabel(n) + "a carriage return inside the line (lines end with LF or CR LF)");
    std::string s;
    for (char c : line)
      if (c != ' ' && c != '\t') s += c;
    const std::size_t comment = s.find(';');
    if (comment != std::string::npos) s.resize(comment);
    if (s.empty()) return;
    const std::size_t equals = s.find('=');
    if (equals == std::string::npos) {
      check.warnings.push_back(lineLabel(n) + "\"" + s + "\" has no \"=\": ignored");
      return;
    }
    const std::string name = s.substr(0, equals);
    const SettingsKey* key = findSettingsKey(name);
    if (!key) {
      check.warnings.push_back(lineLabel(n) + "unknown key \"" + name +
                               "\": ignored (zyvscope help settings lists the keys)");
      return;
    }
    SettingsLine entry;
    entry.number = n;
    entry.text = s;
    entry.key = key;
    // Up to ten comma-separated values, as the library reads them.
    const std::string text = s.substr(equals + 1);
    std::vector<std::string> pieces;
    std::size_t from = 0;
    for (;;) {
      const std::size_t comma = text.find(',', from);
      pieces.push_back(text.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
      if (comma == std::string::npos) break;
      from = comma + 1;
    }
    for (std::size_t i = 0; i < pieces.size() && i < 10; ++i) {
      bool plain = false;
      entry.values.push_back(readValue(pieces[i], plain));
      if (!plain && !(pieces.size() == 1 && pieces[0].empty()))
        check.warnings.push_back(lineLabel(n) + key->name + ": \"" + pieces[i] + "\" is not a whole number; read as " +
                                 std::to_string(entry.values.back()));
    }
    const std::size_t given = pieces.size() == 1 && pieces[0].empty() ? 0 : pieces.size();
    const std::size_t required = std::string(key->name) == "WaitMode" ? 1 : std::size_t(key->count);
    if (given < required)
      check.warnings.push_back(lineLabel(n) + key->name + " takes " + std::to_string(key->count) + " values (" +
                               key->values + "); " + std::to_string(given) + " given, the rest read as 0");
    else if (given > std::size_t(key->count))
      check.warnings.push_back(lineLabel(n) + key->name + " takes " + std::to_string(key->count) + " values; " +
                               "the other " + std::to_string(given - std::size_t(key->count)) + " are not used");
    entry.values.resize(10, 0);
    check.lines.push_back(entry);
  };
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != '\f') || c == 0x7F) {
      if (check.notText.empty()) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", unsigned(c));
        check.notText = lineLabel(number) + "the byte " + hex + " at offset " + std::to_string(i) +
                        " does not occur in a text file";
      }
    }
    if (c == '\n') {
      finishLine(raw);
      raw.clear();
    } else {
      raw += char(c);
    }
  }
  if (!raw.empty()) finishLine(raw);
  return check;
}

std::string settingsRefusal(const SettingsLine& line, int32_t code) {
  const std::string key = line.key ? line.key->name : "?";
  const auto& v = line.values;
  auto at = [&](std::size_t i) { return i < v.size() ? v[i] : 0; };
  std::string why;
  if (code == 3) {
    why = "channel " + std::to_string(at(0)) + " does not exist";
  } else if (code == 5) {
    why = engineering(double(at(1)) * 1e-6, "V/div", 4) +
          " is not one of 2 mV, 5 mV, 10 mV, 20 mV, 50 mV, 100 mV, 200 mV, 500 mV, 1 V, 2 V, 5 V, 10 V per division";
  } else if (code == 13) {
    why = "the record length " + std::to_string(at(0)) + " is not a multiple of 8 (or is negative)";
  } else if (code == 6) {
    why = key == "VoltPos" ? "the position " + std::to_string(at(1)) + " is outside 0..16000"
                           : "the offset " + engineering(double(at(1)) * 1e-6, "V", 4) + " is out of range";
  } else if (code == 0 && (key == "TrigVideo" || key == "TrigRunt") && at(0) != 0 && at(0) != 1) {
    why = "the source " + std::to_string(at(0)) + " must be 0 or 1";
  } else if (code == 0 && key == "HwBit") {
    why = "the instrument does not offer " + std::to_string(at(0)) + " bits";
  } else if (code == 0) {
    why = "refused without an error code";
  } else if (code == 2) {
    why = "a value is outside its range";
  } else {
    why = errorText(code);
  }
  std::string text = why;
  if (code != 0) text += " (error " + std::to_string(code) + ")";
  if (line.key)
    text += "; " + key + " takes " + line.key->values + ", here " +
            valueList(line.values, std::size_t(line.key->count));
  return text;
}

std::string settingsHelp() {
  std::string s =
      "The settings file (zyvscope apply FILE) holds one setting per line:\n"
      "\n"
      "    Key = value, value, ...      ; a comment\n"
      "\n"
      "Blanks are ignored, keys are matched without regard to case, values are\n"
      "whole numbers (volts in microvolts, times in picoseconds). Each line is\n"
      "applied at once, in file order; the first line the library refuses stops\n"
      "the file (zyvscope names the line, the key and why). Lines without a known\n"
      "key are ignored, with a warning.\n"
      "\n"
      "Keys:\n";
  for (const SettingsKey& k : settingsKeys()) {
    char head[64];
    std::snprintf(head, sizeof head, "  %-13s", k.name);
    s += std::string(head) + k.meaning + ": " + k.values + "\n";
  }
  s += "\nChannels are numbered 0, 1 on device 0, 2, 3 on device 1, and so on.\n";
  return s;
}

}  // namespace zyvscope
