// The vertical path of one input: from the volts at the input to converter
// codes, and the calibration that turns the codes the runtime hands out back
// into millivolts.
//
// Scale. The screen is 8 divisions high; the converter spans 10.24 of them,
// 25 codes per division at 8 bits (codes 0..255, 128 at the screen's middle)
// and 400 per division at 12 bits (0..4095, 2048 in the middle). The samples
// a read delivers are (code - middle) x 16 at 8 bits and (code - middle) at
// 12 bits, so both resolutions give 400 counts per division (-2048..2047).
//
// Offset and position. Setting 9 carries the offset in microvolts as the
// runtime receives it (the library sends the negated application offset);
// it is added to the input. The position 0..16000 moves the trace by
// (position - 8000) / 2000 divisions, so the screen spans the whole range.
//
// Calibration (selector 7): gain = volts/div in microvolts / 400000 (mV per
// count), zero level = (position - 8000) / 5 (the count of 0 V after the
// offset), base offset 0. With the library's conversion
//   mV = (count - zero level) x gain + base offset + application offset / 1000
// a count reads back as the input voltage.
#pragma once

#include <cstdint>

namespace zyvsim::instrument {

inline constexpr int32_t kCountsPerDivision = 400;
inline constexpr int32_t kPositionCentre = 8000;
inline constexpr int32_t kPositionPerDivision = 2000;

// Coupling codes of setting 1 and bandwidth-limit codes of setting 2.
enum Coupling : int32_t { kCouplingDc = 0, kCouplingAc = 1, kCouplingGround = 2 };

struct ChannelSetup {
  int32_t voltDiv = 100000;  // microvolts per division (settings 7 and 17)
  int32_t position = kPositionCentre;  // setting 8
  int32_t offset = 0;        // microvolts added to the input (setting 9)
  int32_t coupling = kCouplingDc;
  int32_t bandwidthLimit = 0;  // 0 full, 1 20 MHz, 2 2 MHz
  int32_t acquireMode = 0;   // 0 sample, 1 peak, 2..5 averages of 4, 16, 64, 256
  bool on = true;
};

// The converter of one resolution (8 or 12 bits).
struct Converter {
  int32_t bits = 8;
  int32_t maxCode() const { return (1 << bits) - 1; }
  int32_t middle() const { return 1 << (bits - 1); }
  int32_t codesPerDivision() const { return bits == 8 ? 25 : kCountsPerDivision; }
  int32_t countsPerCode() const { return bits == 8 ? 16 : 1; }
  // The nearest code of a screen position in divisions from the middle,
  // saturated at the ends of the range.
  int32_t code(double divisions) const;
  int16_t count(int32_t code) const { return int16_t((code - middle()) * countsPerCode()); }
};

// The calibration triple of one input as selector 7 reports it.
struct Calibration {
  double gain;
  double zeroLevel;
  double baseOffset;
};
Calibration calibrationOf(const ChannelSetup& setup);

// Volts after coupling and offset, before the position: the value that the
// trigger comparator sees. `mean` is the input's average (removed by AC).
double frontEndVolts(const ChannelSetup& setup, double inputVolts, double mean);

// Screen position in divisions from the middle of a front-end voltage.
double divisionsOf(const ChannelSetup& setup, double frontEnd);

// Cut-off frequency of the input's bandwidth in hertz.
double bandwidthOf(const ChannelSetup& setup);

// Noise reduction of the acquire mode (1 for sample and peak detection).
double noiseFactorOf(const ChannelSetup& setup);

}  // namespace zyvsim::instrument
