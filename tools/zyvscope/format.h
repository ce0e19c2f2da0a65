// Numbers with engineering prefixes, the measurement types with their
// display names and units, the spectrum windows, and the library's error
// codes in words.
#pragma once

#include <cstdint>
#include <string>

namespace zyvscope {

// A value with an SI prefix and `digits` significant digits: "1.000 kHz",
// "-250.0 us", "3.04 V". `micro` is the prefix written for 1e-6 ("u" on the
// console, the micro sign in pictures). Non-finite values read "---".
std::string engineering(double value, const std::string& unit, int digits = 4, const char* micro = "u");

// A value on the 1-2-5 sequence at or above `value` (positive), e.g. for
// time per division.
double niceStep(double value);

// A phase in degrees as a scope shows it, in (-180, 180].
double wrappedPhase(double degrees);

// The measurement types 0 to 29.
inline constexpr int kMeasurementTypes = 30;
struct MeasurementType {
  const char* name;  // the library's display name
  const char* unit;  // "V", "Hz", "s", "%", "deg" or "" for counts
};
const MeasurementType& measurementType(int index);
// The index of a type by its display name ignoring case and blanks; -1.
int measurementIndex(const std::string& name);

// Spectrum windows by name ("hanning", "blackman", ...; "middle-half" for
// window 0, the centred half of the samples with the rest zeroed); -1 when
// unknown.
int windowIndex(const std::string& name);
const char* windowName(int index);
const char* windowNames();  // all names, comma-separated

// What a LastError code means.
const char* errorText(int32_t code);

}  // namespace zyvscope
