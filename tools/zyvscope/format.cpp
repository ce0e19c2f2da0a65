#include "format.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "uZyvSDK.h"

namespace zyvscope {

std::string engineering(double value, const std::string& unit, int digits, const char* micro) {
  if (!std::isfinite(value)) return "---";
  if (value == 0.0) return "0 " + unit;
  static const char* prefixes[] = {"p", "n", nullptr, "m", "", "k", "M", "G", "T"};
  int exponent = 0;  // of 1000
  if (value != 0.0) {
    exponent = int(std::floor(std::log10(std::fabs(value)) / 3.0));
    exponent = exponent < -4 ? -4 : exponent > 4 ? 4 : exponent;
  }
  double mantissa = value / std::pow(1000.0, exponent);
  // Digits before the point; a mantissa below 1 occurs only below the
  // smallest prefix or when rounding carried into the next one (0.99996 k
  // written as 1.000 k).
  auto decimalsOf = [&](double m) {
    int whole = m == 0.0 ? 1 : int(std::floor(std::log10(std::fabs(m)))) + 1;
    if (whole < 1 && exponent > -4) whole = 1;
    return digits - whole < 0 ? 0 : digits - whole;
  };
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimalsOf(mantissa), mantissa);
  // Rounding may carry into the next prefix (999.96 -> 1000.0).
  if (std::fabs(std::atof(text)) >= 1000.0 && exponent < 4) {
    ++exponent;
    mantissa = value / std::pow(1000.0, exponent);
    std::snprintf(text, sizeof text, "%.*f", decimalsOf(mantissa), mantissa);
  }
  const char* prefix = exponent == -2 ? micro : prefixes[exponent + 4];
  std::string s = text;
  if (s == "-0" || s.compare(0, 3, "-0.") == 0) {
    bool zero = true;
    for (char c : s)
      if (c >= '1' && c <= '9') zero = false;
    if (zero) s.erase(0, 1);
  }
  return s + " " + prefix + unit;
}

double niceStep(double value) {
  if (!(value > 0.0) || !std::isfinite(value)) return 1.0;
  const double decade = std::pow(10.0, std::floor(std::log10(value)));
  for (double m : {1.0, 2.0, 5.0, 10.0})
    if (m * decade >= value * (1.0 - 1e-9)) return m * decade;
  return 10.0 * decade;
}

double wrappedPhase(double degrees) {
  if (!std::isfinite(degrees)) return degrees;
  double w = std::fmod(degrees, 360.0);
  if (w > 180.0) w -= 360.0;
  if (w <= -180.0) w += 360.0;
  return w;
}

namespace {

const MeasurementType kTypes[kMeasurementTypes] = {
    {"Frequency", "Hz"},   {"Period", "s"},      {"Max.", "V"},        {"Min.", "V"},         {"High", "V"},
    {"Low", "V"},          {"Vpp", "V"},         {"Amplitude", "V"},   {"Vrms", "V"},         {"Mean", "V"},
    {"+ Duty", "%"},       {"- Duty", "%"},      {"+ Width", "s"},     {"- Width", "s"},      {"Rise Time", "s"},
    {"Fall Time", "s"},    {"+ Overshoot", "%"}, {"- Overshoot", "%"}, {"Mid", "V"},          {"Cycle Vrms", "V"},
    {"Cycle Mean", "V"},   {"Rise Delay", "s"},  {"Fall Delay", "s"},  {"RPreshoot", "%"},    {"FPreshoot", "%"},
    {"Phase", "deg"},      {"Avg. Freq.", "Hz"}, {"R. Edge Cnt", ""},  {"F. Edge Cnt", ""},   {"Edge Count", ""},
};

// Window 0 keeps the centred half of the samples and zeroes the rest.
const char* kWindows[] = {"middle-half", "blackman", "hanning",  "hamming", "blackman-harris",
                          "bartlett",  "sine",     "lanczos", "gaussian"};

std::string squeeze(const std::string& s) {
  std::string out;
  for (char c : s)
    if (c != ' ' && c != '\t') out += char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return out;
}

}  // namespace

const MeasurementType& measurementType(int index) {
  static const MeasurementType none{"(none)", ""};
  return index >= 0 && index < kMeasurementTypes ? kTypes[index] : none;
}

int measurementIndex(const std::string& name) {
  const std::string wanted = squeeze(name);
  for (int i = 0; i < kMeasurementTypes; ++i)
    if (squeeze(kTypes[i].name) == wanted) return i;
  return -1;
}

int windowIndex(const std::string& name) {
  const std::string wanted = squeeze(name);
  for (int i = 0; i < 9; ++i)
    if (wanted == kWindows[i]) return i;
  if (wanted == "hann") return 2;
  if (wanted == "middlehalf") return 0;
  return -1;
}

const char* windowName(int index) { return index >= 0 && index < 9 ? kWindows[index] : "?"; }

const char* windowNames() {
  return "hanning, blackman, hamming, blackman-harris, bartlett, sine, lanczos, gaussian, middle-half";
}

const char* errorText(int32_t code) { return uZyvErrorText(code); }

}  // namespace zyvscope
