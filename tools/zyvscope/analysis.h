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
  int32_t start = 0, end = 0;   // the samples measured
  bool fewCycles = false;       // fewer than two cycles in the range
  bool clipped = false;         // the input reached the converter's ends in the range
  bool referenceClipped = false;
};

// Which samples to measure: the whole record, or those on the screen.
enum class MeasureRange { kRecord, kScreen };

// Measures input `input` of a record against the device's other input over
// samples [start, end) (end -1: to the end of the record).
Measurements measure(const Record& record, int input, int32_t start = 0, int32_t end = -1);

// The samples a screen of `timePerDiv` shows, centred on the record.
void screenSamples(const Record& record, double timePerDiv, int32_t& start, int32_t& end);

// The time per division of the screen: `requested` when given, else the
// step of the 1-2-5 sequence nearest to four periods of `frequency`, at most
// a tenth of the record.
double screenTimePerDiv(const Record& record, double requested, double frequency);

// Types that need whole cycles, and types that depend on the signal's levels
// (wrong on clipped data).
bool needsCycles(int type);
bool dependsOnLevels(int type);
bool usesReference(int type);

// A measured value with its unit, "invalid" when the library gave none.
std::string formatMeasurement(int type, bool valid, double value);
// As formatMeasurement, saying "fewer than two cycles" instead of a number
// that needs them, and marking values taken on clipped data.
std::string measurementText(const Measurements& m, int type, const char* micro = "u");

struct Spectrum {
  std::vector<double> dbv;  // bins 0 .. n/2 - 1
  double binWidth = 0.0;    // hertz
  int32_t window = 2;
  int32_t samples = 0;      // the transform length
};

// The spectrum in dBV of the first samples of an input (up to 2048, a power
// of two).
Spectrum spectrumOf(const Record& record, int input, int32_t window);

// Samples of a record's inputs at the converter's end codes.
int32_t overRangeSamples(const Record& record, int input, int32_t start = 0, int32_t end = -1);

// The `count` highest local maxima above bin 0, highest first.
std::vector<int> peaksOf(const std::vector<double>& dbv, int count);

bool writeWaveformCsv(const std::string& path, const Record& record);
bool writeSpectrumCsv(const std::string& path, const Spectrum& spectrum);

// The screen of one device's record at `timePerDiv` (see screenTimePerDiv).
WaveformPicture waveformPicture(const Record& record, const ChannelSettings settings[2], const TriggerInfo& trigger,
                                double timePerDiv);

const char* channelColor(int32_t channel);

}  // namespace zyvscope
