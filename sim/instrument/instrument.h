// A simulated stack of devices behind one loaded copy of the runtime: the
// signals at its inputs, the settings the library sends, and the captures,
// reads and hardware information that follow from them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "instrument/acquisition.h"

namespace zyvsim::instrument {

// Runtime error codes the instrument reports (the library translates them).
inline constexpr int32_t kErrorNoDevice = 1;  // nothing open
inline constexpr int32_t kErrorNoData = 7;    // a read while the capture still waits for its trigger
inline constexpr int32_t kErrorBadRate = 11;  // a capture at a sample rate that is not positive
inline constexpr int32_t kErrorMemory = 12;   // the record does not fit in memory
inline constexpr int32_t kErrorRecordLength = 3;  // a record longer than the instrument's memory

// The longest block per input the instrument records (setting 12).
inline constexpr int32_t kMaxBlockLength = 32 * 1024 * 1024;

inline constexpr int32_t kMaxInputs = 32;  // 16 devices

class Instrument {
 public:
  Instrument();

  // The signals at the inputs, two per device in channel order.
  Signal& signal(int32_t channel);
  const Signal& signal(int32_t channel) const;
  uint64_t seed = 1;

  const ChannelSetup& setup(int32_t channel) const;
  const Timebase& timebase() const { return timebase_; }
  const Trigger& trigger() const { return trigger_; }

  // A setting as uZyvSetting receives it; `block` holds the bytes behind an
  // address (int64 values, the trigger record), or is null. Every value is
  // taken; values the instrument cannot use are left out of its captures.
  void applySetting(int32_t channel, int32_t id, int64_t value, const void* block, std::size_t blockSize);
  void setResolution(int32_t bits);

  // Starts a capture of `devices` devices with blocks of `blockLength`
  // samples; a capture-parameter block (144 bytes) may replace the sample
  // rate and trigger position. False with a runtime error code on failure.
  bool capture(int32_t devices, int32_t blockLength, const void* params, std::size_t paramsSize, int32_t& error);
  // Completes a capture that waits for its trigger by capturing at once.
  void forceTrigger();
  void stop();
  // False only while a capture waits for its trigger.
  bool dataReady() const { return !pending_; }

  // Fills one device's blocks (input 0's, then input 1's) with the last
  // capture; a read before any capture captures at once, free-running.
  bool read(int32_t devices, int32_t device, int32_t blockLength, int16_t* block0, int16_t* block1, int32_t& status,
            int64_t& timeOffset, int32_t& error);

  // Selector 7: gain, zero level and base offset of the device's two inputs,
  // for the data last captured (the present settings before any capture).
  void calibration(int32_t device, double out[6]) const;

  // Selector 306: highest and lowest code of each input in the last capture
  // (its peak detector watches at least one period of the input's signal,
  // also when the record is shorter) and the rate reading: the frequency of
  // input 0's signal in kilohertz (rounded, at least 1 for a periodic
  // signal; 0 without one).
  void summary(int32_t device, int32_t& max0, int32_t& min0, int32_t& max1, int32_t& min1, int32_t& rate) const;

  // Captures taken so far (for tests and tools).
  int64_t captureCount() const { return captures_; }
  const CapturePlan* lastCapture() const { return hasData_ ? &plan_ : nullptr; }

 private:
  bool takeCapture(int32_t devices, int32_t blockLength, int64_t rate, int64_t trigPos, bool forceFreeRun,
                   int32_t& error);

  Input inputs_[kMaxInputs];
  Timebase timebase_;
  Trigger trigger_;
  double clock_ = 0.0;  // simulated seconds
  double lastEvent_ = -1e300;
  Random random_;
  bool pending_ = false;  // a capture waits for its trigger
  int64_t pendingRate_ = 0;
  int64_t pendingTrigPos_ = 0;
  bool hasData_ = false;
  int64_t captures_ = 0;
  CapturePlan plan_;
  // The codes of the last capture, per device: input 0's block, input 1's.
  std::vector<std::vector<int16_t>> records_;
  // Per device: highest and lowest code of input 0, then of input 1.
  std::vector<std::array<int32_t, 4>> codeRanges_;
};

// The signals the instrument starts with when no configuration says
// otherwise: channel 0 a 1 kHz square of 3 V peak-to-peak, channel 1 a 1 kHz
// sine of 2 V peak-to-peak delayed by a quarter period, the others varied.
Signal defaultSignal(int32_t channel);

}  // namespace zyvsim::instrument
