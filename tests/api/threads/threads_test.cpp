// Two threads calling the SDK at once, as a display thread and an
// acquisition thread of one program do: every call of each thread gets the
// result it gets when that thread is alone, and a measurement can still be
// aborted through its byte from another thread.
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "support/sdk.h"

using namespace sdktest;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int32_t kRecordLength = 2000;

// A +-1000 count square wave of the given period, half of it high.
std::vector<int16_t> square(std::size_t n, int period) {
  std::vector<int16_t> s(n);
  for (std::size_t i = 0; i < n; ++i) s[i] = int16_t(int(i) % period < period / 2 ? 1000 : -1000);
  return s;
}

// One thread's share: a device it reads and whose two channels it sets, a
// block it measures and samples it transforms, each with the results of a
// call made while no other thread runs.
class Worker {
 public:
  Worker(int32_t device, int period, int32_t fftCount, int32_t window)
      : device_(device), block_(square(4000, period)), fftCount_(fftCount), window_(window) {
    std::memset(&params_, 0, sizeof params_);
    params_.sampleRate = 1000000;
    params_.gain[0] = 1;
    params_.multiplier[0] = 1;
    params_.samples[0] = block_.data();
    types_ = {UZYV_MEAS_FREQUENCY, UZYV_MEAS_PERIOD, UZYV_MEAS_VRMS,     UZYV_MEAS_POS_DUTY,
              UZYV_MEAS_MAX,       UZYV_MEAS_MIN,    UZYV_MEAS_RISE_TIME, UZYV_MEAS_LIST_END};
    spectrumIn_.resize(std::size_t(fftCount));
    for (std::size_t i = 0; i < spectrumIn_.size(); ++i) spectrumIn_[i] = std::sin(0.05 * double(i * (device + 1)));
  }

  // The results of each call, from this thread alone.
  bool takeReferences() {
    return read(readRef_) && measure(validRef_, valueRef_) && spectrum(spectrumRef_);
  }

  // Calls for the given time; the first result that differs from the
  // references is kept in `failure`.
  void hammer(Clock::time_point until) {
    std::vector<double> samples, values, spectrumOut;
    std::vector<uint8_t> valid;
    for (int k = 0; Clock::now() < until && failure.empty(); ++k) {
      if (!read(samples) || samples != readRef_) failure = "read";
      else if (!measure(valid, values) || valid != validRef_ || values != valueRef_) failure = "measurement";
      else if (!spectrum(spectrumOut) || spectrumOut != spectrumRef_) failure = "spectrum";
      else if (!settingsHold(k)) failure = "settings";
      ++rounds;
    }
  }

  std::string failure;
  int rounds = 0;

 private:
  bool read(std::vector<double>& out) {
    out.assign(2 * std::size_t(kRecordLength), -1.0);
    const int32_t multipliers[2] = {1, 1};
    return SDK(uZyvSDKReadDbl_mv)(device_, nullptr, out.data(), multipliers) == 1;
  }

  bool measure(std::vector<uint8_t>& valid, std::vector<double>& values) {
    valid.assign(types_.size(), 7);
    values.assign(types_.size(), -99.0);
    return SDK(uZyvSDKMeasurement)(types_.data(), 0, int32_t(block_.size()), &params_, nullptr, valid.data(),
                                   values.data()) == 1;
  }

  bool spectrum(std::vector<double>& out) {
    out.assign(std::size_t(fftCount_), -1.0);
    return SDK(uZyvSDKGetFFTData)(spectrumIn_.data(), fftCount_, 1, window_, out.data()) == 1;
  }

  // A setting of this thread's own channels reads back as it was set.
  bool settingsHold(int k) {
    static constexpr int32_t kVoltDivs[] = {5000, 50000, 500000, 2000000};
    const int32_t channel = 2 * device_ + k % 2;
    const int32_t voltDiv = kVoltDivs[k % 4];
    const int32_t pos = 1000 * (k % 16);
    if (SDK(uZyvSDKSetVoltDiv)(channel, voltDiv) != 1 || SDK(uZyvSDKSetVoltPos)(channel, pos) != 1) return false;
    int32_t gotVoltDiv = -1, gotPos = -1;
    if (SDK(uZyvSDKGetVoltDiv)(channel, &gotVoltDiv) != 1 || SDK(uZyvSDKGetVoltPos)(channel, &gotPos) != 1)
      return false;
    return gotVoltDiv == voltDiv && gotPos == pos;
  }

  int32_t device_;
  std::vector<int16_t> block_;
  MeasParams params_;
  std::vector<int32_t> types_;
  int32_t fftCount_;
  int32_t window_;
  std::vector<double> spectrumIn_;
  std::vector<double> readRef_, valueRef_, spectrumRef_;
  std::vector<uint8_t> validRef_;
};

class Threads : public SdkTest {
 protected:
  void SetUp() override {
    SdkTest::SetUp();
    ASSERT_EQ(2, openGroup());
    ASSERT_EQ(1, SDK(uZyvSDKSetRecordLength)(kRecordLength));
    ASSERT_EQ(1, SDK(uZyvSDKSetSampleRate)(100000000));
    for (int32_t device = 0; device < 2; ++device)
      for (int32_t input = 0; input < 2; ++input) {
        blocks_[device][input] = irregularCodes(kRecordLength + 4096, 10 * device + input);
        zyvsim_set_samples(0, device, input, blocks_[device][input].data(),
                           int32_t(blocks_[device][input].size()));
      }
    // Device 1's reads are shifted by a fraction of a sample.
    zyvsim_set_read_reply(0, 1, 0, 2500);
  }

  std::vector<int16_t> blocks_[2][2];
};

}  // namespace

TEST_F(Threads, TwoThreadsGetTheirOwnResults) {
  Worker first(0, 100, 1024, 2), second(1, 64, 256, 5);
  ASSERT_TRUE(first.takeReferences());
  ASSERT_TRUE(second.takeReferences());

  const Clock::time_point until = Clock::now() + std::chrono::milliseconds(1500);
  std::thread other([&] { second.hammer(until); });
  first.hammer(until);
  other.join();

  EXPECT_EQ("", first.failure);
  EXPECT_EQ("", second.failure);
  EXPECT_GT(first.rounds, 0);
  EXPECT_GT(second.rounds, 0);
}

TEST_F(Threads, AnotherThreadAbortsARunningMeasurement) {
  // Long enough that the run is still going when the byte is set.
  std::vector<int16_t> block = square(std::size_t(1) << 23, 1000);
  MeasParams params;
  std::memset(&params, 0, sizeof params);
  params.sampleRate = 1000000;
  params.gain[0] = 1;
  params.multiplier[0] = 1;
  params.samples[0] = block.data();
  std::vector<int32_t> types;
  for (int32_t t = 0; t < 31; ++t) types.push_back(t);
  types.push_back(UZYV_MEAS_LIST_END);
  std::vector<uint8_t> valid(types.size(), 7);
  std::vector<double> values(types.size(), -99.0);

  uint8_t abortByte = 0;
  std::atomic<bool> started{false};
  int32_t result = -1, error = -1;
  std::thread measuring([&] {
    started = true;
    result = SDK(uZyvSDKMeasurement)(types.data(), 0, int32_t(block.size()), &params, &abortByte, valid.data(),
                                     values.data());
    error = SDK(uZyvSDKGetErrorCodeEx)();
  });
  while (!started) std::this_thread::yield();
  std::atomic_ref<uint8_t>(abortByte).store(1);
  measuring.join();

  EXPECT_EQ(0, result);
  EXPECT_EQ(UZYV_ERR_MEAS_RUN, error);
}

TEST_F(Threads, AutosetRunsWhileAnotherThreadCalls) {
  const ZyvSimSummary signal{200, 60, 180, 80, 500};
  for (int32_t device = 0; device < 2; ++device) zyvsim_set_summary(0, device, &signal);
  auto voltDivs = [&] {
    std::vector<int32_t> out;
    for (int32_t ch = 0; ch < 4; ++ch) {
      int32_t v = -1;
      SDK(uZyvSDKGetVoltDiv)(ch, &v);
      out.push_back(v);
    }
    return out;
  };
  ASSERT_EQ(1, SDK(uZyvSDKAutoset)());
  const std::vector<int32_t> alone = voltDivs();
  ASSERT_EQ(1, SDK(uZyvSDKSetVoltDiv)(0, 10000000));

  std::vector<double> samples(512), reference(512, -1.0), out;
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = std::sin(0.05 * double(i));
  ASSERT_EQ(1, SDK(uZyvSDKGetFFTData)(samples.data(), 512, 1, 3, reference.data()));

  std::atomic<bool> autosetDone{false};
  int32_t result = -1;
  std::thread autoset([&] {
    result = SDK(uZyvSDKAutoset)();
    autosetDone = true;
  });
  int calls = 0, wrong = 0;
  while (!autosetDone) {
    out.assign(512, -1.0);
    if (SDK(uZyvSDKGetFFTData)(samples.data(), 512, 1, 3, out.data()) != 1 || out != reference) ++wrong;
    ++calls;
  }
  autoset.join();

  EXPECT_EQ(1, result);
  EXPECT_EQ(alone, voltDivs());
  EXPECT_EQ(0, wrong);
  EXPECT_GT(calls, 0);
}
