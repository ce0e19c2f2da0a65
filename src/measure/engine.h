// The measurement engine: one block of raw signed 16-bit samples per channel
// in, the thirty automatic waveform measurements of channel 0 out.
//
// A run has three stages: the level stage for every present channel (levels,
// histogram top and base, cycle search), then the routines of the requested
// types in ascending type order through the dispatch table, then the
// conversion of every valid raw result into engine units (microvolts,
// nanoseconds, hertz, percent, degrees, counts). Channel 1, when present, is
// analysed only so that it can serve as the timing reference of channel 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "uZyvSDK.h"

namespace uzyv {

inline constexpr int32_t kMeasSlots = 31;          // types 0..30
inline constexpr int32_t kMeasNameBase = 2500;     // string identifier of type 0's name
inline constexpr int32_t kMeasMaxChannels = 12;
inline constexpr int32_t kMeasInputChannels = 2;   // channels an input record carries
inline constexpr int32_t kHistogramBins = 65536;   // entries of each histogram table

// Unit kind of a slot. The value 1 is not assigned.
enum MeasUnit : int32_t {
  kUnitVoltage = 0,    // raw counts (Vrms: microvolts) -> microvolts -> volts
  kUnitFrequency = 2,  // hertz
  kUnitTime = 3,       // samples -> nanoseconds -> seconds
  kUnitPercent = 4,
  kUnitDegrees = 5,
  kUnitCount = 6,
};

// One measurement type of one channel.
struct MeasSlot {
  int32_t flags = 0;  // bit 0: requested
  uint8_t valid = 0;
  int32_t windowStart = -1;  // samples the type looks at; Rise/Fall Time: the located edge
  int32_t windowEnd = -1;
  MeasUnit unit = kUnitVoltage;
  double value = 0;  // engine units, written by the conversion
  double raw = 0;    // samples, counts, hertz or percent, written by the routine
};
inline constexpr int32_t kSlotRequested = 1;

// A routine's result: the raw value, now valid.
inline void produce(MeasSlot& slot, double raw) {
  slot.raw = raw;
  slot.valid = 1;
}

// Per-channel analysis state of the engine.
struct MeasChannel {
  MeasChannel();

  double lowReference = 0.1;   // edge levels as fractions of top - base
  double highReference = 0.9;
  MeasSlot slots[kMeasSlots];
  uint8_t cycleFound = 0;      // the cycle search located one full period
  int32_t rangeStart = 0;      // [start, end); narrowed to the located cycle
  int32_t rangeEnd = 0;
  int32_t top = 0;             // histogram levels, raw counts
  int32_t base = 0;
  int32_t reference = -1;      // channel used as timing reference
  uint8_t positivePulse = 0;   // a complete positive pulse lies in the range
  uint8_t negativePulse = 0;
  uint8_t flat = 0;            // peak-to-peak below 5 counts
  uint8_t widthsDone = 0;      // duty cycles and widths filled in this pass
  // The range as it was set, which the cycle search does not narrow. No
  // routine reads a sample outside it.
  int32_t spanStart = 0;
  int32_t spanEnd = 0;
};

// [from, to) is a non-empty part of the samples the channel may read.
inline bool readable(const MeasChannel& ch, int32_t from, int32_t to) {
  return from >= ch.spanStart && to <= ch.spanEnd && from < to;
}

// Samples and calibration of one channel of a run.
struct MeasInputChannel {
  const int16_t* samples = nullptr;
  double zeroLevel = 0;   // raw count of 0 V
  double gain = 0;        // millivolts per count
  double baseOffset = 0;  // millivolts
  double voltOffset = 0;  // volts, subtracted
  int32_t multiplier = 0; // probe factor
  int32_t reserved = 0;   // carried, read by no measurement
};

// The engine's input for one run.
struct MeasInput {
  int64_t sampleRate = 0;   // samples per second
  int32_t reserved0 = 0;    // carried, read by no measurement
  uint32_t skipMask = 0;    // bit i set: channel i is absent
  MeasInputChannel channel[kMeasInputChannels];
};

// Outcome of the hysteresis crossing search.
struct Crossings {
  int32_t count = 0;     // 0..3
  int32_t index[3] = {};
  int32_t state = 0;     // 0 undecided, 1 above, 2 below, at the end of the range
};

class AqMeasurement;
// A routine of the dispatch table: (channel, its samples, type) -> result.
using MeasRoutine = bool (AqMeasurement::*)(MeasChannel*, const int16_t*, int32_t);

class AqMeasurement {
 public:
  AqMeasurement();
  virtual ~AqMeasurement();
  AqMeasurement(const AqMeasurement&) = delete;
  AqMeasurement& operator=(const AqMeasurement&) = delete;

  // Channel records and working storage; false with nothing changed for a
  // count outside 0..12, false without channels when memory is short.
  bool Allocate(int32_t count);
  bool ClearRequests();
  bool RequestType(int32_t type);
  // Every channel for -1. False for a negative start or an end before start.
  bool SetRange(int32_t channel, int32_t start, int32_t end);
  bool Run(const MeasInput* in);
  void ConvertResults();
  bool GetResult(int32_t type, double* out) const;

  // Level stage and amplitude routines.
  bool MeasureLevels(MeasChannel* ch, const int16_t* s);
  bool MeasureTopBase(MeasChannel* ch, const int16_t* s);
  bool FindCycle(MeasChannel* ch, const int16_t* s);
  bool MeasureRms(MeasChannel* ch, const int16_t* s, int32_t type);

  // Timing and edge routines.
  bool MeasureFreqPeriod(MeasChannel* ch, const int16_t* s, int32_t type);
  bool MeasureAvgFreq(MeasChannel* ch, const int16_t* s, int32_t type);
  bool MeasureDutyWidth(MeasChannel* ch, const int16_t* s, int32_t type);
  bool MeasureRiseTime(MeasChannel* ch, const int16_t* s, int32_t type);
  bool MeasureFallTime(MeasChannel* ch, const int16_t* s, int32_t type);
  bool MeasureEdgeCounts(MeasChannel* ch, const int16_t* s, int32_t type);

  // Overshoot, preshoot, delay and phase routines.
  bool MeasurePosOvershoot(MeasChannel* ch, const int16_t* s, int32_t type);
  bool MeasureNegOvershoot(MeasChannel* ch, const int16_t* s, int32_t type);
  bool MeasureRisePreshoot(MeasChannel* ch, const int16_t* s, int32_t type);
  bool MeasureFallPreshoot(MeasChannel* ch, const int16_t* s, int32_t type);
  bool MeasureRiseDelay(MeasChannel* ch, const int16_t* s, int32_t type);
  bool MeasureFallDelay(MeasChannel* ch, const int16_t* s, int32_t type);
  bool MeasurePhase(MeasChannel* ch, const int16_t* s, int32_t type);

  // Channel i takes part in the run: it exists, the input carries it and
  // its skip bit is clear.
  bool present(int32_t i) const;

  uint8_t* abortFlag = nullptr;  // caller's byte; non-zero stops the run
  int32_t channelCount = 0;
  std::unique_ptr<MeasChannel[]> channels;
  int32_t currentChannel = 0;
  const MeasInput* input = nullptr;  // not owned; set for the run

 private:
  bool aborted() const;
  bool firstPass();
  bool secondPass();
  bool delay(MeasChannel* ch, const int16_t* s, int32_t type, int32_t edgeType, bool rising);
  bool edgeTime(MeasChannel* ch, const int16_t* s, int32_t type, bool rising);

  // Counts the samples into bins [minBin, maxBin] of the histogram (and
  // takes the Vrms sum along); false when a sample lies outside them.
  bool countLevels(MeasChannel* ch, const int16_t* s, int32_t start, int32_t end, int32_t offset, int32_t minBin,
                   int32_t maxBin);
  static double rmsZero(const MeasInputChannel& cal);

  // Histogram working storage: count, next-difference and previous-difference
  // tables and three more count tables of kHistogramBins entries each,
  // allocated once and reused.
  static constexpr std::size_t kHistogramTables = 6;
  std::unique_ptr<int32_t[]> tables_;

  // The sum of squared deviations of a channel's samples from its zero
  // level, taken during the level stage for the Vrms routine of this run.
  struct SquareSum {
    const MeasChannel* channel = nullptr;
    const int16_t* samples = nullptr;
    int32_t from = 0;
    int32_t to = 0;
    double zero = 0;
    double sum = 0;
    bool ready = false;
    bool matches(const MeasChannel* c, const int16_t* s, int32_t f, int32_t t, double z) const;
  };
  SquareSum squares_[kMeasInputChannels];
};

// The library's one engine and the staged input of the exports, members of
// the library object.
AqMeasurement& measurementEngine();
MeasInput& stagedMeasInput();

// Shared helpers of the routines.
Crossings FindCrossings(const int16_t* s, int32_t start, int32_t end, int32_t low, int32_t high);
// Position in [from, to] where the samples reach `level`; -1 when no step
// from..to reaches it. A step before sample 0 does not exist.
double InterpolateCrossing(const int16_t* s, int32_t level, int32_t from, int32_t to);
// The 50 % crossing of the located edge a..b.
double FindMidCrossing(const int16_t* s, int32_t a, int32_t b, bool rising);

// The dispatch tables: the routine of each type (with an empty terminator)
// and the unit kind of each type. Filled when the library is loaded.
extern MeasRoutine g_measRoutines[kMeasSlots + 1];
extern MeasUnit g_measUnits[kMeasSlots];
void fillDispatchTables();

}  // namespace uzyv
