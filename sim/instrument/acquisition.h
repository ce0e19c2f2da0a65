// Triggered acquisition of a simulated stack of devices: where the trigger
// event lies, where each device's record sits on its sample grid, and the
// codes of the records.
//
// Time. The instrument keeps one simulated clock per stack (seconds). A
// capture begins at the clock's present value; after it the clock moves past
// the record and a random dead time, so that successive captures meet the
// signals at unrelated phases.
//
// Record placement. The runtime records B = length received with setting 12
// samples per input, of which the library keeps the middle B - 4096. With the
// sample period P, the trigger position p (ps, setting 18) and the trigger
// delay d (ps, setting 15), the trigger event lies at raw index
//   B / 2 + p / P - d / P + E
// of every block, where E in [0, 1) is the random phase of the device's sample
// clock against the event. A read reports it in the time offset
//   T = -E x P (ps, whole), so that sample n of the library's record is taken
// at (n - n_t) x P + T after the event (n_t = (B - 4096) / 2 + p / P - d / P)
// and the library's shift by -T / P puts the event exactly at n_t. Device
// k > 0 adds the stack delay that the library removes again (the shift J of a
// device index, see stackShift), so every device's record lines up with
// device 0's.
#pragma once

#include <cstdint>
#include <vector>

#include "instrument/frontend.h"
#include "instrument/signal.h"

namespace zyvsim::instrument {

// Wait modes of setting 13.
enum WaitMode : int32_t { kWaitAuto = 0, kWaitNormal = 1, kWaitSingle = 2, kWaitTimeout = 3 };
// Edge slopes (the mode of the edge trigger record).
enum Slope : int32_t { kSlopeRising = 0, kSlopeFalling = 1, kSlopeEither = 2 };
// Status word bits of a read.
inline constexpr int32_t kStatusTriggered = 0x1;
inline constexpr int32_t kStatusFreeRun = 0x2;

struct Timebase {
  int64_t sampleRate = 10000000;  // setting 11; the library's default before it sends one
  int32_t waitMode = kWaitAuto;   // setting 13
  int64_t waitParam = 0;          // setting 14: timeout of wait mode 3 in picoseconds
  int64_t delayTime = 0;          // setting 15, picoseconds
  int64_t holdoffTime = 0;        // setting 16, picoseconds
  int64_t trigPos = 0;            // setting 18, picoseconds
  int32_t trigCouple = 0;         // setting 6: 0 DC, 1 AC, 2 HF reject, 3 LF reject
  int32_t bits = 8;               // ZyvSetting 116
};

// The trigger as the last record of setting 10 described it. Only the edge
// trigger finds events; the other kinds never fire (auto mode free-runs).
struct Trigger {
  int32_t kind = 0;  // record kind: 0 edge, 1 video, 2 width, 3 runt, 4 pattern, 5 state
  int32_t source = 0;
  int32_t slope = kSlopeRising;
  int32_t level = 0;  // microvolts at the front end (after the library's offset subtraction)
};

// One input: its signal and the settings of its vertical path.
struct Input {
  Signal signal;
  ChannelSetup setup;
};

// Everything a capture was taken with.
struct CapturePlan {
  int32_t devices = 0;
  int32_t blockLength = 0;
  double period = 0.0;            // seconds per sample
  bool triggered = false;
  double eventTime = 0.0;         // seconds, when triggered
  std::vector<double> recordStart;   // per device: time of raw sample 0
  std::vector<int64_t> timeOffset;   // per device: what the read reports (ps)
  std::vector<Input> inputs;         // two per device, as the capture found them
  int32_t bits = 8;
  uint64_t noiseSeed = 0;
};

// The library's stack shift of a device: the samples it subtracts from its
// alignment for a device index other than 0.
int64_t stackShift(int32_t device, double periodPs);

// The front-end voltage of an input that the trigger comparator sees.
double triggerVolts(const Input& input, int32_t trigCouple, double t);

// The first time at or after `from` and before `from + span` at which the
// trigger fires on `source`; false when it does not.
bool findTriggerEvent(const Input& source, const Trigger& trigger, int32_t trigCouple, double from, double span,
                      double& event);

// The lowest and highest code of one input during a capture: over its
// record and, when the record is shorter than a period of the input's
// signal, over one whole period from the record's start, as the
// instrument's peak detector sees it.
void codeRange(const CapturePlan& plan, int32_t device, int32_t input, const int16_t* counts, int32_t length,
               int32_t& lowest, int32_t& highest);

// Fills one device's two blocks of `length` counts (the samples a read
// delivers) from a plan.
void generateRecord(const CapturePlan& plan, int32_t device, int32_t length, int16_t* block0, int16_t* block1);

}  // namespace zyvsim::instrument
