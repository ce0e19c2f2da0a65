#include "instrument/config.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

namespace zyvsim::instrument {
namespace {

std::string trim(const std::string& s) {
  const char* blanks = " \t\r\n";
  const std::size_t a = s.find_first_not_of(blanks);
  if (a == std::string::npos) return "";
  return s.substr(a, s.find_last_not_of(blanks) - a + 1);
}

std::string lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

double prefixScale(char c) {
  switch (c) {
    case 'p': return 1e-12;
    case 'n': return 1e-9;
    case 'u': return 1e-6;
    case 'm': return 1e-3;
    case 'k': return 1e3;
    case 'M': return 1e6;
    case 'G': return 1e9;
    default: return 0.0;
  }
}

bool accepted(const std::string& unit, const std::vector<std::string>& units) {
  if (unit.empty()) return true;
  for (const std::string& u : units)
    if (u == unit) return true;
  return false;
}

// What one channel key sets.
enum class Field { Shape, Frequency, Amplitude, Dc, Delay, Duty, Rise, Overshoot, Noise };

const std::map<std::string, Field>& fieldNames() {
  static const std::map<std::string, Field> names = {
      {"shape", Field::Shape},         {"frequency", Field::Frequency}, {"freq", Field::Frequency},
      {"amplitude", Field::Amplitude}, {"vpp", Field::Amplitude},       {"dc", Field::Dc},
      {"level", Field::Dc},            {"delay", Field::Delay},         {"duty", Field::Duty},
      {"rise", Field::Rise},           {"risetime", Field::Rise},       {"overshoot", Field::Overshoot},
      {"noise", Field::Noise}};
  return names;
}

class Reader {
 public:
  Reader(const std::string& name, Instrument& instrument, int32_t& deviceCount, std::vector<std::string>& problems)
      : name_(name), instrument_(instrument), deviceCount_(deviceCount), problems_(problems) {}

  void line(int number, const std::string& raw) {
    number_ = number;
    std::string text = raw;
    const std::size_t comment = text.find_first_of("#;");
    if (comment != std::string::npos) text.erase(comment);
    text = trim(text);
    if (text.empty()) return;
    const std::size_t eq = text.find('=');
    if (eq == std::string::npos) return problem("expected key = value");
    const std::string key = lower(trim(text.substr(0, eq)));
    const std::string value = trim(text.substr(eq + 1));
    if (value.empty()) return problem("no value for " + key);
    if (key == "devices") return integer(value, 0, 16, [&](int64_t v) { deviceCount_ = int32_t(v); });
    if (key == "seed") return integer(value, 0, INT64_MAX, [&](int64_t v) { instrument_.seed = uint64_t(v); });
    if (key.compare(0, 2, "ch") == 0) return channelKey(key, value);
    problem("unknown key " + key);
  }

  // Delays given in degrees need the channel's final frequency.
  void finish() {
    for (const auto& [channel, degrees] : degrees_) {
      Signal& s = instrument_.signal(channel);
      if (s.frequency > 0) s.delay = degrees / 360.0 / s.frequency;
    }
  }

 private:
  void problem(const std::string& what) {
    problems_.push_back(name_ + ":" + std::to_string(number_) + ": " + what);
  }

  template <class Apply>
  void integer(const std::string& value, int64_t lowest, int64_t highest, Apply apply) {
    int64_t v = 0;
    const char* end = value.data() + value.size();
    auto [p, ec] = std::from_chars(value.data(), end, v);
    if (ec != std::errc() || p != end || v < lowest || v > highest)
      return problem("expected a whole number from " + std::to_string(lowest) + " to " + std::to_string(highest) +
                     ": " + value);
    apply(v);
  }

  void channelKey(const std::string& key, const std::string& value) {
    const std::size_t dot = key.find('.');
    int channel = -1;
    const char* first = key.data() + 2;
    const char* last = key.data() + (dot == std::string::npos ? key.size() : dot);
    auto [p, ec] = std::from_chars(first, last, channel);
    if (dot == std::string::npos || ec != std::errc() || p != last) return problem("unknown key " + key);
    if (channel < 0 || channel >= kMaxInputs)
      return problem("channel " + std::to_string(channel) + " does not exist (0 to " +
                     std::to_string(kMaxInputs - 1) + ")");
    auto field = fieldNames().find(key.substr(dot + 1));
    if (field == fieldNames().end()) return problem("unknown key " + key);
    Signal& s = instrument_.signal(channel);
    double v = 0.0;
    std::string unit;
    auto number = [&](const std::vector<std::string>& units) {
      if (parseQuantity(value, units, v, unit)) return true;
      problem("cannot read " + key + " = " + value);
      return false;
    };
    switch (field->second) {
      case Field::Shape:
        if (!shapeFromName(value, s.shape)) problem("unknown shape " + value);
        break;
      case Field::Frequency:
        if (number({"Hz"})) {
          if (v > 0 && std::isfinite(v)) s.frequency = v;
          else problem("the frequency must be above 0");
        }
        break;
      case Field::Amplitude: if (number({"V", "Vpp"})) s.amplitude = v; break;
      case Field::Dc: if (number({"V"})) s.dcLevel = v; break;
      case Field::Delay:
        if (number({"s", "deg"})) {
          if (unit == "deg") degrees_[channel] = v;
          else {
            s.delay = v;
            degrees_.erase(channel);
          }
        }
        break;
      case Field::Duty:
        if (number({"%"})) {
          if (v >= 0 && v <= 100) s.duty = v / 100.0;
          else problem("the duty cycle lies between 0 and 100 %");
        }
        break;
      case Field::Rise:
        if (number({"s"})) {
          if (v >= 0) s.riseTime = v;
          else problem("the rise time cannot be negative");
        }
        break;
      case Field::Overshoot:
        if (number({"%"})) {
          if (v >= 0) s.overshoot = v / 100.0;
          else problem("the overshoot cannot be negative");
        }
        break;
      case Field::Noise:
        if (number({"V", "Vrms"})) {
          if (v >= 0) s.noise = v;
          else problem("the noise cannot be negative");
        }
        break;
    }
  }

  const std::string& name_;
  Instrument& instrument_;
  int32_t& deviceCount_;
  std::vector<std::string>& problems_;
  int number_ = 0;
  std::map<int, double> degrees_;
};

}  // namespace

bool parseQuantity(const std::string& text, const std::vector<std::string>& units, double& value,
                   std::string& unit) {
  const std::string t = trim(text);
  const char* begin = t.data();
  const char* end = t.data() + t.size();
  if (begin != end && *begin == '+') ++begin;
  double number = 0.0;
  auto [p, ec] = std::from_chars(begin, end, number);
  if (ec != std::errc() || !std::isfinite(number)) return false;
  std::string rest = trim(std::string(p, end));
  double scale = 1.0;
  if (!rest.empty() && !accepted(rest, units)) {
    // A prefix: one letter, or the micro sign (UTF-8 C2 B5).
    std::size_t width = 1;
    double s = prefixScale(rest[0]);
    if (rest.size() >= 2 && uint8_t(rest[0]) == 0xC2 && uint8_t(rest[1]) == 0xB5) {
      s = 1e-6;
      width = 2;
    }
    if (s == 0.0) return false;
    rest = rest.substr(width);
    if (!accepted(rest, units)) return false;
    scale = s;
  }
  value = number * scale;
  unit = rest;
  return true;
}

void applyConfig(const std::string& text, const std::string& name, Instrument& instrument, int32_t& deviceCount,
                 std::vector<std::string>& problems) {
  Reader reader(name, instrument, deviceCount, problems);
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  while (std::getline(lines, line)) reader.line(++number, line);
  reader.finish();
}

bool applyConfigFile(const std::string& path, Instrument& instrument, int32_t& deviceCount,
                     std::vector<std::string>& problems) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::ostringstream text;
  text << file.rdbuf();
  applyConfig(text.str(), path, instrument, deviceCount, problems);
  return true;
}

}  // namespace zyvsim::instrument
