// Waveform reads against the simulated runtime: where the record is cut out
// of the runtime's blocks, the fractional alignment, the calibration
// outputs, and the refusals that keep every read inside the buffer.
#include <cmath>
#include <cstring>
#include <vector>

#include "support/sdk.h"

using namespace sdktest;

namespace {

class Read : public SdkTest {
 protected:
  void SetUp() override {
    SdkTest::SetUp();
    zyvsim_defaults()->deviceCount = 3;
    ASSERT_EQ(3, openGroup());
  }

  // Sets the record length and plays irregular codes on both inputs of a
  // device; returns the two blocks the runtime delivers.
  void playIrregular(int32_t length, int32_t device = 0) {
    ASSERT_EQ(1, SDK(uZyvSDKSetRecordLength)(length));
    for (int input = 0; input < 2; ++input) {
      blocks[input] = irregularCodes(length + 4096, 10 * device + input);
      zyvsim_set_samples(0, device, input, blocks[input].data(), int32_t(blocks[input].size()));
    }
  }

  int32_t readRaw(int32_t device, std::vector<int16_t>& out, int32_t* timeOffset = nullptr,
                  int32_t* status = nullptr) {
    return SDK(uZyvSDKReadExRaw)(device, status, out.data(), zero, base, gain, timeOffset);
  }

  std::vector<int16_t> blocks[2];
  double zero[2] = {-1, -1}, base[2] = {-1, -1}, gain[2] = {-1, -1};
};

TEST_F(Read, UnshiftedRecordIsTheMiddleOfEachBlock) {
  const int32_t length = 1000;
  playIrregular(length, 1);
  zyvsim_set_read_reply(0, 1, 0x1234, 5000000);
  std::vector<int16_t> out(2 * length);
  int32_t timeOffset = 0, status = 0;
  EXPECT_EQ(1, readRaw(1, out, &timeOffset, &status));

  for (int32_t n = 0; n < length; ++n) {
    ASSERT_EQ(blocks[0][std::size_t(2048 + n)], out[std::size_t(n)]) << n;
    ASSERT_EQ(blocks[1][std::size_t(2048 + n)], out[std::size_t(length + n)]) << n;
  }
  EXPECT_EQ(5000000 - 364000, timeOffset) << "device 1 lags device 0 by 364000 ps";
  EXPECT_EQ(0x1234, status);
}

TEST_F(Read, UnshiftedTimeOffsetIsTheLow32BitsMinusTheDeviceLag) {
  playIrregular(8);
  struct Case {
    int32_t device;
    int64_t runtime;
    int32_t reported;
  } cases[] = {
      {0, -250, -250},
      {0, (int64_t(1) << 32) + 7, 7},
      {1, 0, -364000},
      {1, int64_t(INT32_MIN), int32_t(uint32_t(INT32_MIN) - 364000u)},
  };
  for (const Case& c : cases) {
    zyvsim_set_read_reply(0, c.device, 0, c.runtime);
    std::vector<int16_t> out(16);
    int32_t timeOffset = 0;
    EXPECT_EQ(1, readRaw(c.device, out, &timeOffset)) << c.runtime;
    EXPECT_EQ(c.reported, timeOffset) << "device " << c.device << ", runtime " << c.runtime;
  }
}

TEST_F(Read, RuntimeIsAskedWithAZeroedRequestAndTheFullBlocks) {
  playIrregular(1000);
  zyvsim_clear_log(0);
  std::vector<int16_t> out(2000);
  int32_t timeOffset = 0;
  ASSERT_EQ(1, readRaw(1, out, &timeOffset));
  const auto reads = calls(0, "uZyvReadEx");
  ASSERT_EQ(1u, reads.size());
  EXPECT_EQ(1, reads[0].arg[0]) << "device";
  EXPECT_EQ(1, reads[0].arg[1]);
  ASSERT_GE(reads[0].blockSize, 16);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(0, reads[0].block[i]) << "request byte " << i;
  void* samples = nullptr;
  std::memcpy(&samples, reads[0].block + 16, sizeof samples);
  EXPECT_NE(nullptr, samples);
  EXPECT_EQ(5096, zyvsim_block_length(0)) << "the runtime was told the record length + 4096";
}

TEST_F(Read, CalibrationOfBothInputsIsHandedOut) {
  playIrregular(8);
  ZyvSimConfig* config = zyvsim_config(0);
  const double cal[6] = {0.25, -3.5, 12.0, 0.5, 7.25, -4.0};
  std::memcpy(config->devices[1].calibration, cal, sizeof cal);
  std::vector<int16_t> out(16);
  EXPECT_EQ(1, readRaw(1, out));
  EXPECT_EQ(0.25, gain[0]);
  EXPECT_EQ(-3.5, zero[0]);
  EXPECT_EQ(12.0, base[0]);
  EXPECT_EQ(0.5, gain[1]);
  EXPECT_EQ(7.25, zero[1]);
  EXPECT_EQ(-4.0, base[1]);
}

TEST_F(Read, FailedCalibrationReadsAsZeroAndDoesNotEndTheRead) {
  playIrregular(8);
  zyvsim_fail(0, "uZyvGetHwInfo", 0, 0, 3);
  std::vector<int16_t> out(16, 77);
  int32_t timeOffset = 0;
  EXPECT_EQ(1, readRaw(0, out, &timeOffset));
  EXPECT_EQ(UZYV_ERR_RECORD_LENGTH, lastError()) << "the calibration's translated runtime code";
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(0.0, zero[i]);
    EXPECT_EQ(0.0, base[i]);
    EXPECT_EQ(0.0, gain[i]);
  }
  EXPECT_EQ(blocks[0][2048], out[0]) << "the samples are still delivered";
}

// The runtime's own result of the read is handed on.
TEST_F(Read, ResultIsTheRuntimesResult) {
  playIrregular(8);
  zyvsim_fail(0, "uZyvReadEx", 0, 5, 0);  // "fault" that returns 5 without filling anything
  std::vector<int16_t> out(16);
  int32_t timeOffset = 0;
  EXPECT_EQ(5, readRaw(0, out, &timeOffset));
}

TEST_F(Read, Refusals) {
  playIrregular(8);
  std::vector<int16_t> out(16, 77);
  int16_t* unwritable = reinterpret_cast<int16_t*>(uintptr_t(64));

  EXPECT_EQ(0, SDK(uZyvSDKReadExRaw)(0, nullptr, nullptr, zero, base, gain, nullptr));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
  EXPECT_EQ(0, SDK(uZyvSDKReadExRaw)(0, nullptr, out.data(), nullptr, base, gain, nullptr));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
  EXPECT_EQ(0, SDK(uZyvSDKReadExRaw)(0, nullptr, out.data(), zero, nullptr, gain, nullptr));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
  EXPECT_EQ(0, SDK(uZyvSDKReadExRaw)(0, nullptr, out.data(), zero, base, nullptr, nullptr));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
  EXPECT_EQ(0, SDK(uZyvSDKReadExRaw)(0, nullptr, unwritable, zero, base, gain, nullptr));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
  EXPECT_TRUE(calls(0, "uZyvReadEx").empty()) << "pointers are checked before the read";

  // The device index is left to the runtime, which knows three devices.
  EXPECT_EQ(0, readRaw(3, out));
  EXPECT_EQ(9, lastError()) << "runtime code 8, translated";
  zyvsim_fail(0, "uZyvReadEx", 0, 0, 3);
  EXPECT_EQ(0, readRaw(0, out));
  EXPECT_EQ(UZYV_ERR_RECORD_LENGTH, lastError());
  EXPECT_EQ(77, out[0]) << "a failed read writes nothing";
  EXPECT_EQ(-1.0, gain[0]) << "nor the calibration";

  SDK(uZyvSDKShutdown)();
  EXPECT_EQ(0, readRaw(0, out));
  EXPECT_EQ(UZYV_ERR_NOT_OPEN, lastError());
}

// The writability checks cover exactly the arrays the read fills: one
// element short is refused, the exact size is read into.
TEST_F(Read, OutputArraysMustHoldBothChannels) {
  playIrregular(1000);
  const int32_t multipliers[2] = {1, 1};
  {
    GuardedBuffer shortRaw(2 * 1000 * sizeof(int16_t) - 1);
    EXPECT_EQ(0, SDK(uZyvSDKReadExRaw)(0, nullptr, static_cast<int16_t*>(shortRaw.data()), zero, base, gain,
                                       nullptr));
    EXPECT_EQ(UZYV_ERR_POINTER, lastError());
    GuardedBuffer shortMv(2 * 1000 * sizeof(double) - 1);
    EXPECT_EQ(0, SDK(uZyvSDKReadDbl_mv)(0, nullptr, static_cast<double*>(shortMv.data()), multipliers));
    EXPECT_EQ(UZYV_ERR_POINTER, lastError());
    EXPECT_TRUE(calls(0, "uZyvReadEx").empty());
  }
  GuardedBuffer raw(2 * 1000 * sizeof(int16_t));
  int32_t timeOffset = 0;
  EXPECT_EQ(1, SDK(uZyvSDKReadExRaw)(0, nullptr, static_cast<int16_t*>(raw.data()), zero, base, gain, &timeOffset));
  EXPECT_EQ(blocks[1][2048 + 999], static_cast<int16_t*>(raw.data())[1999]);
  GuardedBuffer mv(2 * 1000 * sizeof(double));
  EXPECT_EQ(1, SDK(uZyvSDKReadDbl_uv)(0, nullptr, static_cast<double*>(mv.data()), multipliers));
  GuardedBuffer readOnly(2 * 1000 * sizeof(int16_t));
  readOnly.makeReadOnly();
  EXPECT_EQ(0, SDK(uZyvSDKReadExRaw)(0, nullptr, static_cast<int16_t*>(readOnly.data()), zero, base, gain,
                                     nullptr));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
}

TEST_F(Read, PlainReadIsHandedToTheRuntime) {
  zyvsim_clear_log(0);
  EXPECT_EQ(1, SDK(uZyvSDKRead)(uZyvValue(0x5A5A)));
  const auto reads = calls(0, "uZyvRead");
  ASSERT_EQ(1u, reads.size());
  EXPECT_EQ(0x5A5A, reads[0].arg[0]);
  zyvsim_fail(0, "uZyvRead", -1, 0, 1);
  EXPECT_EQ(0, SDK(uZyvSDKRead)(0));
  EXPECT_EQ(UZYV_ERR_RUNTIME_1, lastError());
  SDK(uZyvSDKShutdown)();
  EXPECT_EQ(0, SDK(uZyvSDKRead)(0));
  EXPECT_EQ(UZYV_ERR_NOT_OPEN, lastError());
}

// ---------------------------------------------------------------------------
// The aligned path: output n of a channel with block start B is
//   D >= 0: F * s[B + D + n] + E * s[B + D + n + 1]
//   D <  0: E * s[B + D + n] + F * s[B + D + n + 1]
// truncated toward zero. The expected D, E and F of each case are worked
// out by hand from the rate, the time offset, the device and the status.
struct AlignCase {
  const char* what;
  int64_t rate;
  int64_t timeOffset;
  int32_t device;
  int32_t status;
  int32_t d;
  double e;
  double f;
};

void PrintTo(const AlignCase& c, std::ostream* os) { *os << c.what; }

class Aligned : public Read, public ::testing::WithParamInterface<AlignCase> {};

TEST_P(Aligned, ResamplesBothBlocksWithTheShift) {
  const AlignCase& c = GetParam();
  const int32_t length = 4000;
  playIrregular(length, c.device);
  ASSERT_EQ(1, SDK(uZyvSDKSetSampleRate)(c.rate));
  zyvsim_set_read_reply(0, c.device, c.status, c.timeOffset);
  std::vector<int16_t> out(2 * length);
  ASSERT_EQ(1, readRaw(c.device, out));

  const int32_t starts[2] = {2048, length + 6144};
  for (int input = 0; input < 2; ++input) {
    std::vector<int16_t> s(blocks[0]);
    s.insert(s.end(), blocks[1].begin(), blocks[1].end());
    for (int32_t n = 0; n < length; ++n) {
      const double a = s[std::size_t(starts[input] + c.d + n)], b = s[std::size_t(starts[input] + c.d + n + 1)];
      const double v = c.d >= 0 ? c.f * a + c.e * b : c.e * a + c.f * b;
      ASSERT_EQ(int16_t(std::trunc(v)), out[std::size_t(input * length + n)]) << "input " << input << ", n " << n;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Shifts, Aligned,
    ::testing::Values(
        AlignCase{"zero offset leaves the middle unchanged", 1000000000, 0, 0, 0, 0, 0.0, 1.0},
        AlignCase{"quarter sample later", 1000000000, -250, 0, 0, 0, 0.25, 0.75},
        AlignCase{"three and a half samples later", 1000000000, -3500, 0, 0, 3, 0.5, 0.5},
        AlignCase{"quarter sample earlier stays in the same sample", 1000000000, 250, 0, 0, 0, 0.25, 0.75},
        AlignCase{"one and a quarter samples earlier", 1000000000, 1250, 0, 0, -1, 0.25, 0.75},
        AlignCase{"bit 15 averages neighbours", 1000000000, 123456, 0, 0x8000, 0, 0.5, 0.5},
        AlignCase{"bit 15 with other bits", 100, -99999999, 1, 0x18001, 0, 0.5, 0.5},
        AlignCase{"negative rate", -1000000000, -250, 0, 0, 0, 0.25, 0.75},
        AlignCase{"rate 0: infinite period, no shift", 0, 123456789, 0, 0, 0, 0.0, 1.0},
        AlignCase{"rate 0 on device 1: no lag either", 0, 123456789, 1, 0, 0, 0.0, 1.0},
        AlignCase{"device 1 at 100 MS/s: lag 36", 100000000, 0, 1, 0, -36, 0.0, 1.0},
        AlignCase{"device 1 at 1 GS/s: lag 364", 1000000000, 0, 1, 0, -364, 0.0, 1.0},
        AlignCase{"device 1 at 50 MS/s: lag 18 becomes 16", 50000000, 0, 1, 0, -16, 0.0, 1.0},
        AlignCase{"device 1 at 3 GS/s: 364000 / 333 = 1093 becomes 1092", 3000000000, 0, 1, 0, -1092, 0.0, 1.0},
        AlignCase{"device 1 at 100 MS/s with an offset", 100000000, -2500, 1, 0, -35, 0.75, 0.25},
        AlignCase{"device 2 at 1 GS/s: lag 728", 1000000000, 0, 2, 0, -728, 0.0, 1.0},
        AlignCase{"lowest accepted shift", 1000000000, 2048000, 0, 0, -2048, 0.0, 1.0},
        AlignCase{"highest accepted shift", 1000000000, -2047500, 0, 0, 2047, 0.5, 0.5}),
    [](const ::testing::TestParamInfo<AlignCase>& info) { return "case" + std::to_string(info.index); });

// The weights of the fractional case, checked on plain numbers: 0.75 x 100
// + 0.25 x 201 = 125.25 gives 125; -0.5 averages truncate toward zero.
TEST_F(Read, WeightsAndTruncationOnKnownCodes) {
  ASSERT_EQ(1, SDK(uZyvSDKSetRecordLength)(8));
  std::vector<int16_t> s(8 + 4096, 0);
  s[2048] = 100;
  s[2049] = 201;
  s[2050] = -3;
  s[2051] = -4;
  zyvsim_set_samples(0, 0, 0, s.data(), int32_t(s.size()));
  ASSERT_EQ(1, SDK(uZyvSDKSetSampleRate)(1000000000));
  std::vector<int16_t> out(16);

  zyvsim_set_read_reply(0, 0, 0, -250);
  ASSERT_EQ(1, readRaw(0, out));
  EXPECT_EQ(125, out[0]);
  EXPECT_EQ(150, out[1]) << "0.75 x 201 + 0.25 x -3";
  EXPECT_EQ(-3, out[2]) << "-3.25 truncates toward zero";

  zyvsim_set_read_reply(0, 0, 0x8000, 0);
  ASSERT_EQ(1, readRaw(0, out));
  EXPECT_EQ(150, out[0]) << "(100 + 201) / 2 = 150.5";
  EXPECT_EQ(99, out[1]) << "(201 - 3) / 2";
  EXPECT_EQ(-3, out[2]) << "(-3 - 4) / 2 = -3.5 truncates toward zero";
}

// Full-scale codes come out full-scale.
TEST_F(Read, ExtremeCodesStayInRange) {
  ASSERT_EQ(1, SDK(uZyvSDKSetRecordLength)(8));
  std::vector<int16_t> s(8 + 4096);
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = i % 2 ? INT16_MAX : INT16_MIN;
  zyvsim_set_samples(0, 0, 0, s.data(), int32_t(s.size()));
  std::fill(s.begin(), s.end(), INT16_MAX);
  zyvsim_set_samples(0, 0, 1, s.data(), int32_t(s.size()));
  ASSERT_EQ(1, SDK(uZyvSDKSetSampleRate)(1000000000));
  zyvsim_set_read_reply(0, 0, 0, -250);
  std::vector<int16_t> out(16);
  ASSERT_EQ(1, readRaw(0, out));
  for (int n = 0; n < 8; ++n) EXPECT_EQ(INT16_MAX, out[std::size_t(8 + n)]) << n;
  EXPECT_EQ(-16384, out[0]) << "0.75 x -32768 + 0.25 x 32767";
  EXPECT_EQ(16383, out[1]) << "0.75 x 32767 + 0.25 x -32768";
}

// Shifts that would read outside the block's margins, or that put the
// record wholly before the data, are refused: result 0, LastError as it
// was, samples untouched.
TEST_F(Read, ShiftsBeyondTheMarginsAreRefused) {
  struct Case {
    const char* what;
    int32_t length;
    int64_t rate;
    int64_t timeOffset;
    int32_t device;
  } cases[] = {
      {"D = -2049", 4000, 1000000000, 2049000, 0},
      {"D = 2048", 4000, 1000000000, -2048000, 0},
      {"D = -2049 through the device lag", 4000, 1000000000, 1685000, 1},
      {"huge positive offset", 4000, 1000000000, INT64_MAX, 0},
      {"huge negative offset", 4000, 1000000000, INT64_MIN, 0},
      {"huge offset at a high rate", 4000, 2000000000000, INT64_MIN, 0},
      {"rate beyond 10^12 on device 1: period truncates to 0", 4000, 2000000000000, 0, 1},
      {"D = -L with a short record", 16, 1000000000, 16000, 0},
      {"zero-length record, D = 0", 0, 1000000000, 0, 0},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(1, SDK(uZyvSDKSetRecordLength)(c.length));
    ASSERT_EQ(1, SDK(uZyvSDKSetSampleRate)(c.rate));
    zyvsim_set_read_reply(0, c.device, 0, c.timeOffset);
    SDK(uZyvSDKSetVoltDiv)(0, 3000);  // leaves LastError 5
    std::vector<int16_t> out(std::size_t(2 * c.length) + 1, 77);
    EXPECT_EQ(0, readRaw(c.device, out)) << c.what;
    EXPECT_EQ(UZYV_ERR_VOLTDIV, lastError()) << c.what;
    for (int16_t v : out) ASSERT_EQ(77, v) << c.what;
  }
}

TEST_F(Read, ShortRecordsAcceptShiftsJustAboveMinusTheLength) {
  playIrregular(16);
  ASSERT_EQ(1, SDK(uZyvSDKSetSampleRate)(1000000000));
  zyvsim_set_read_reply(0, 0, 0, 15000);  // D = -15
  std::vector<int16_t> out(32);
  ASSERT_EQ(1, readRaw(0, out));
  EXPECT_EQ(blocks[0][2048 - 15 + 1], out[0]) << "E = 0: the second neighbour";

  ASSERT_EQ(1, SDK(uZyvSDKSetRecordLength)(0));
  zyvsim_set_read_reply(0, 0, 0, -5000);  // D = 5: nothing to write
  EXPECT_EQ(1, readRaw(0, out));
}

// ---------------------------------------------------------------------------
// Physical units.

TEST_F(Read, ConversionFollowsTheStatedFormula) {
  const int16_t raw[] = {100};
  double out[1] = {};
  EXPECT_EQ(1, SDK(uZyvSDKRawToDbl_mv)(raw, out, 1, 0.0, 0.0, 2.0, 1000.0, 10));
  EXPECT_EQ(2010.0, out[0]);
  EXPECT_EQ(1, SDK(uZyvSDKRawToDbl_uv)(raw, out, 1, 0.0, 0.0, 2.0, 1000.0, 10));
  EXPECT_EQ(2010000.0, out[0]);
}

// Inputs for which a different order of the operations gives a different
// double: the result must be the one of the stated order.
TEST_F(Read, ConversionIsEvaluatedInItsOrder) {
  struct Case {
    int16_t raw;
    double zero, base, gain, offset;
    int32_t multiplier;
  } cases[] = {
      {3, 0.1, 0.7, 0.3, 0.1, 3},
      {-32768, 0.3, 1e-3, 0.1, 333.0, 7},
      {12345, -0.7, 1e16, 1.1, 1.0, 1},
      {1, 1e-17, -0.3, 0.3, 0.3, -9},
  };
  for (const Case& c : cases) {
    const int16_t raw[] = {c.raw};
    double mv[1] = {}, uv[1] = {};
    ASSERT_EQ(1, SDK(uZyvSDKRawToDbl_mv)(raw, mv, 1, c.zero, c.base, c.gain, c.offset, c.multiplier));
    ASSERT_EQ(1, SDK(uZyvSDKRawToDbl_uv)(raw, uv, 1, c.zero, c.base, c.gain, c.offset, c.multiplier));
    volatile double inner = (double(c.raw) - c.zero) * c.gain;
    volatile double sum = inner + c.base;
    volatile double ofs = c.offset / 1000.0;
    volatile double total = sum + ofs;
    volatile double expected = double(c.multiplier) * total;
    EXPECT_EQ(double(expected), mv[0]) << c.raw;
    EXPECT_EQ(double(expected) * 1000.0, uv[0]) << c.raw;
  }
}

TEST_F(Read, ConversionRefusals) {
  const int16_t raw[] = {1, 2};
  double out[2] = {5, 5};
  EXPECT_EQ(1, SDK(uZyvSDKRawToDbl_mv)(raw, out, 0, 0, 0, 1, 0, 1));
  EXPECT_EQ(1, SDK(uZyvSDKRawToDbl_mv)(raw, out, -4, 0, 0, 1, 0, 1));
  EXPECT_EQ(5.0, out[0]) << "count 0 or below writes nothing";
  EXPECT_EQ(0, SDK(uZyvSDKRawToDbl_mv)(nullptr, out, 1, 0, 0, 1, 0, 1));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
  EXPECT_EQ(0, SDK(uZyvSDKRawToDbl_uv)(raw, nullptr, 1, 0, 0, 1, 0, 1));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
  EXPECT_EQ(0, SDK(uZyvSDKRawToDbl_uv)(raw, reinterpret_cast<double*>(uintptr_t(64)), 1, 0, 0, 1, 0, 1));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
  EXPECT_EQ(0, SDK(uZyvSDKRawToDbl_mv)(raw, out, INT32_MAX, 0, 0, 1, 0, 1)) << "far more than the array holds";
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
  EXPECT_EQ(5.0, out[0]);
}

class ReadPhysical : public Read {
 protected:
  // Device `device` with its own calibration; channel offsets differ per
  // channel so that using the wrong channel's shows.
  void SetUp() override {
    Read::SetUp();
    playIrregular(1000, 1);
    playIrregular(1000, 0);
    for (int d = 0; d < 2; ++d) {
      const double cal[6] = {0.25 + d, -3.5, 12.0, 0.5, 7.25 - d, -4.0};
      std::memcpy(zyvsim_config(0)->devices[d].calibration, cal, sizeof cal);
    }
    const int32_t offsets[4] = {-200000, 150000, 30000, -70000};
    for (int ch = 0; ch < 4; ++ch) ASSERT_EQ(1, SDK(uZyvSDKSetVoltOfs)(ch, offsets[ch]));
    ASSERT_EQ(1, SDK(uZyvSDKSetSampleRate)(1000000000));
  }

  // What the aligned raw read and the conversion give, through the exports.
  std::vector<double> expected(int32_t device, int32_t offsetChannel, const int32_t* multipliers, bool uv) {
    std::vector<int16_t> raw(2000);
    EXPECT_EQ(1, readRaw(device, raw));
    std::vector<double> out(2000);
    int32_t ofs[2] = {};
    SDK(uZyvSDKGetVoltOfs)(offsetChannel, &ofs[0]);
    SDK(uZyvSDKGetVoltOfs)(offsetChannel + 1, &ofs[1]);
    auto convert = uv ? SDK(uZyvSDKRawToDbl_uv) : SDK(uZyvSDKRawToDbl_mv);
    for (int i = 0; i < 2; ++i)
      EXPECT_EQ(1, convert(raw.data() + 1000 * i, out.data() + 1000 * i, 1000, zero[i], base[i], gain[i],
                           double(ofs[i]), multipliers[i]));
    return out;
  }
};

TEST_F(ReadPhysical, EachDeviceUsesItsOwnChannelsOffsets) {
  const int32_t multipliers[2] = {10, -3};
  for (int32_t device = 0; device < 2; ++device) {
    zyvsim_set_read_reply(0, device, 0, -250);
    for (bool uv : {false, true}) {
      const std::vector<double> want = expected(device, 2 * device, multipliers, uv);
      std::vector<double> got(2000);
      int32_t status = -1;
      auto read = uv ? SDK(uZyvSDKReadDbl_uv) : SDK(uZyvSDKReadDbl_mv);
      ASSERT_EQ(1, read(device, &status, got.data(), multipliers));
      EXPECT_EQ(0, status);
      for (std::size_t i = 0; i < got.size(); ++i)
        ASSERT_EQ(want[i], got[i]) << "device " << device << (uv ? " uV " : " mV ") << i;
    }
  }
}

TEST_F(ReadPhysical, FailingReadLeavesTheOutputUntouched) {
  const int32_t multipliers[2] = {1, 1};
  std::vector<double> out(2000, 5.0);
  zyvsim_fail(0, "uZyvReadEx", 0, 0, 3);
  EXPECT_EQ(0, SDK(uZyvSDKReadDbl_mv)(0, nullptr, out.data(), multipliers));
  EXPECT_EQ(UZYV_ERR_RECORD_LENGTH, lastError());
  zyvsim_clear_faults(0);
  zyvsim_set_read_reply(0, 0, 0, 5000000);  // refused shift
  EXPECT_EQ(0, SDK(uZyvSDKReadDbl_uv)(0, nullptr, out.data(), multipliers));
  EXPECT_EQ(0, lastError());
  for (double v : out) ASSERT_EQ(5.0, v);

  EXPECT_EQ(0, SDK(uZyvSDKReadDbl_mv)(0, nullptr, out.data(), nullptr));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
  EXPECT_EQ(0, SDK(uZyvSDKReadDbl_mv)(0, nullptr, reinterpret_cast<double*>(uintptr_t(64)), multipliers));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());
  SDK(uZyvSDKShutdown)();
  EXPECT_EQ(0, SDK(uZyvSDKReadDbl_mv)(0, nullptr, out.data(), multipliers));
  EXPECT_EQ(UZYV_ERR_NOT_OPEN, lastError());
}

}  // namespace
