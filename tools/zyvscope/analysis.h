// What zyvscope makes of a record through the library: the 30 measurement
// types, the spectrum and its peaks, the CSV files and the screen pictures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format.h"
#include "pictures.h"
#include "session.h"

namespace zyvscope {

struct Measurements {
  bool valid[kMeasurementTypes] = {};
  double value[kMeasurementTypes] = {};
  int32_t start = 0, end = 0;  // the samples measured
};

// Measures input `input` of a record against the device's other input. The
// range starts just before the trigger point, so that edge results refer to
// the triggering edge; the whole record when that leaves too little.
Measurements measure(const Record& record, int input);

// A measured value with its unit, "invalid" when the library gave none.
std::string formatMeasurement(int type, bool valid, double value);

struct Spectrum {
  std::vector<double> dbv;  // bins 0 .. n/2 - 1
  double binWidth = 0.0;    // hertz
  int32_t window = 2;
  int32_t samples = 0;      // the transform length
};

// The spectrum in dBV of the first samples of an input (up to 2048, a power
// of two).
Spectrum spectrumOf(const Record& record, int input, int32_t window);

// The `count` highest local maxima above bin 0, highest first.
std::vector<int> peaksOf(const std::vector<double>& dbv, int count);

bool writeWaveformCsv(const std::string& path, const Record& record);
bool writeSpectrumCsv(const std::string& path, const Spectrum& spectrum);

// The screen of one device's record: time per division from the signal (a
// few periods of the measured frequency) unless `timePerDiv` is given.
WaveformPicture waveformPicture(const Record& record, const ChannelSettings settings[2], const TriggerInfo& trigger,
                                double timePerDiv, double frequency);

const char* channelColor(int32_t channel);

}  // namespace zyvscope
