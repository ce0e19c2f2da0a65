// Autoset: puts every channel of the current group into a known state,
// searches the volts/div ladder from the coarsest step to the finest for the
// step at which each channel's signal is large enough or leaves the code
// window, sets an edge trigger on channel 0 at the middle of its signal and
// derives the sample rate from the runtime's reading. It configures, captures
// and reads through the same operations as the exports, and learns the
// signals from the runtime's optional signal summaries (ZyvHwInfo, 306).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "acquisition/acquisition.h"
#include "runtime/signal_summary.h"
#include "settings/settings.h"

namespace uzyv {

namespace {

constexpr int32_t kRecordLength = 10000;  // the sample buffer holds both inputs of one device
constexpr int64_t kStartRate = 500000000;
constexpr int32_t kVoltPos = 8000;
constexpr int kWarmUpCaptures = 16;
constexpr int kCapturesPerStep = 2;

// Millivolts per division, coarsest first; sent in microvolts.
constexpr int32_t kVoltDivLadder[] = {10000, 5000, 2000, 1000, 500, 200, 100, 50, 20, 10, 5, 2};

constexpr int64_t kRateLadder[] = {5000000000, 2500000000, 1000000000, 500000000, 250000000, 100000000,
                                   50000000,   25000000,   10000000,   5000000,   2500000,   1000000,
                                   500000,     250000,     100000,     50000,     25000,     10000,
                                   5000,       2500,       1000,       500,       250,       100,
                                   50,         25,         10,         5,         2,         1};

// The longest wait for the data of one capture. An instrument that has not
// delivered within it is taken to deliver nothing in this run: the later
// captures of the run are polled once each instead of being waited for.
// Data are polled without pause at first; an instrument that is late by
// more than kBusyPollMs is polled once a millisecond, so that a dead one
// does not keep a processor busy for the whole limit.
constexpr uint32_t kDataWaitMs = 2000;
constexpr uint32_t kBusyPollMs = 10;
constexpr uint32_t kSettleMs = 20;

// The code window of a resolution of b bits: mid 2^(b-1), limits 218 and 38
// times 2^(b-8), and the code scale. Every resolution gets the window of
// these formulas in double arithmetic, so resolutions below 8 bits get the
// proportionally smaller window (6 bits: 32, 54.5, 9.5).
struct CodeWindow {
  double mid;
  double high;
  double low;
  double scale;
};

CodeWindow codeWindowFor(int32_t bits) {
  // Beyond +-2000 the powers are 0 or infinite already; clamping keeps the
  // exponents far from the int range.
  const int b = std::clamp(bits, -2000, 2000);
  const double step = std::ldexp(1.0, b - 8);
  return {std::ldexp(1.0, b - 1), 218.0 * step, 38.0 * step, bits == 8 ? 16.0 : 1.0};
}

// The sample rate for a reading: 100 times the largest rung of the ladder
// not above reading x 2000, or 500,000,000 when that product is below 1.
// The product is formed in 64 bits: in 32 bits it overflows for readings
// above 1,073,741.
int64_t rateFromReading(int32_t reading) {
  const int64_t x = int64_t(reading) * 2000;
  if (x >= 1)
    for (int64_t rung : kRateLadder)
      if (rung <= x) return 100 * rung;
  return 100 * 5000000;
}

// The trigger level in microvolts in the middle of two levels in
// millivolts, truncated toward zero. The trigger record carries 32 bits, so
// the level is limited to that range, infinite levels included; a middle
// that is not a number gives 0.
int64_t middleMicrovolts(double lowest, double highest) {
  const double level = (lowest + highest) * 1000.0 * 0.5;
  if (std::isnan(level)) return 0;
  if (level <= double(INT32_MIN)) return INT32_MIN;
  if (level >= double(INT32_MAX)) return INT32_MAX;
  return int64_t(level);
}

// One run on the current group. The per-channel tables are sized by the
// group, two entries per device.
class AutosetRun {
 public:
  AutosetRun(DeviceGroup& group, RuntimeApi::HwInfo summaryEntry) : group_(group), summaryEntry_(summaryEntry) {}

  void execute() {
    samples_.assign(std::size_t(2) * kRecordLength, 0);
    noteFailure(setRecordLength(kRecordLength));
    noteFailure(setSampleRate(kStartRate));
    noteFailure(setWaitMode(0, 0));

    window_ = codeWindowFor(group_.hwBit);
    devices_ = std::max(group_.deviceCount, 0);
    const std::size_t channels = std::size_t(2) * std::size_t(devices_);
    zeroLevel_.assign(channels, 0.0);
    baseOffset_.assign(channels, 0.0);
    gain_.assign(channels, 0.0);
    search_.assign(channels, ChannelSearch{});
    for (std::size_t c = 0; c < channels; ++c) {
      const auto ch = int32_t(c);
      noteFailure(setVoltPos(ch, kVoltPos));
      noteFailure(setVoltOfs(ch, 0));
      noteFailure(setBwl(ch, 0));
      noteFailure(setCoupling(ch, 0));
      noteFailure(setChannelOnOff(ch, 1));
    }

    for (int k = 0; k < kWarmUpCaptures; ++k) captureCycle();
    for (int32_t voltDiv : kVoltDivLadder) searchStep(voltDiv);

    setTrigger();
    platform::sleepMs(kSettleMs);
    querySummary(0);
    noteFailure(setSampleRate(rateFromReading(summary_.rateReading)));
  }

 private:
  struct ChannelSearch {
    bool matched = false;
    double lowest = 0.0;  // millivolts, at the latest matching step
    double highest = 0.0;
  };

  // A capture, the wait for its data when it started, and a read of every
  // device for its calibration.
  void captureCycle() {
    if (!noteFailure(captureWithCache()) && !waitForData()) waitLimitMs_ = 0;
    for (int32_t d = 0; d < devices_; ++d) readDevice(d);
  }

  // Polls until data are ready or the wait limit has passed; the elapsed
  // time is taken modulo 2^32, so a wrap of the tick count does not end or
  // prolong the wait.
  bool waitForData() const {
    const uint32_t start = platform::tickCount();
    for (;;) {
      if (dataReady() != 0) return true;
      const auto elapsed = uint32_t(platform::tickCount() - start);
      if (elapsed >= waitLimitMs_) return false;
      if (elapsed >= kBusyPollMs) platform::sleepMs(1);
    }
  }

  void readDevice(int32_t d) {
    // The buffer holds the two inputs at the record length set above.
    if (group_.recordLength < 0 || group_.recordLength > kRecordLength) return;
    const std::size_t first = std::size_t(2) * std::size_t(d);
    int32_t result = 0;
    noteFailure(readRaw(d, nullptr, samples_.data(), &zeroLevel_[first], &baseOffset_[first], &gain_[first], nullptr,
                   result));
  }

  void querySummary(int32_t d) { summaryEntry_(d, kInfoSignalSummary, &summary_); }

  double millivolts(int32_t code, std::size_t ch) const {
    return ((double(code) - window_.mid) * window_.scale - zeroLevel_[ch]) * gain_[ch] + baseOffset_[ch];
  }

  void searchStep(int32_t voltDivMv) {
    for (std::size_t c = 0; c < search_.size(); ++c)
      if (!search_[c].matched) noteFailure(setVoltDiv(int32_t(c), voltDivMv * 1000, kSetVoltDivEx));
    for (int k = 0; k < kCapturesPerStep; ++k) captureCycle();

    const double t = double(voltDivMv);
    for (int32_t d = 0; d < devices_; ++d) {
      querySummary(d);
      for (int input = 0; input < 2; ++input) {
        const std::size_t ch = std::size_t(2) * std::size_t(d) + std::size_t(input);
        const int32_t max = input == 0 ? summary_.codeMax0 : summary_.codeMax1;
        const int32_t min = input == 0 ? summary_.codeMin0 : summary_.codeMin1;
        const double vmax = millivolts(max, ch), vmin = millivolts(min, ch);
        if (ch == 0) {
          lastLowest0_ = vmin;
          lastHighest0_ = vmax;
        }
        const double span = vmax - vmin;
        const bool outside = double(max) > window_.high || double(min) < window_.low;
        if (outside || (t < span && span < 4.0 * t)) search_[ch] = {true, vmin, vmax};
      }
    }
  }

  // An edge trigger on channel 0, cached only: the next extended capture
  // start sends it. When channel 0 never matched, the level is the middle
  // of what it showed at the last, finest step.
  void setTrigger() {
    int64_t level = 0;
    if (!search_.empty())
      level = search_[0].matched ? middleMicrovolts(search_[0].lowest, search_[0].highest)
                                 : middleMicrovolts(lastLowest0_, lastHighest0_);
    group_.trigKind = kTrigEdge;
    group_.trigParam[0] = 0;
    group_.trigParam[1] = 0;
    group_.trigParam[2] = level;
  }

  DeviceGroup& group_;
  RuntimeApi::HwInfo summaryEntry_;
  SignalSummary summary_{kSummaryFirstRequest, 0, 0, 0, 0, 0};
  std::vector<int16_t> samples_;
  CodeWindow window_{};
  int32_t devices_ = 0;
  std::vector<double> zeroLevel_, baseOffset_, gain_;
  std::vector<ChannelSearch> search_;
  double lastLowest0_ = 0.0, lastHighest0_ = 0.0;
  uint32_t waitLimitMs_ = kDataWaitMs;
};

Code autoset() {
  DeviceGroup* group = nullptr;
  if (Code c = requireOpen(group)) return c;
  RuntimeApi::HwInfo summaryEntry = runtime().ZyvHwInfo;
  if (!summaryEntry) return kSilent;
  AutosetRun(*group, summaryEntry).execute();
  return kOk;
}

}  // namespace

}  // namespace uzyv

using namespace uzyv;

extern "C" {

UZYV_API int32_t UZYV_CALL uZyvSDKAutoset(void) { return exportCall(autoset); }

}  // extern "C"
