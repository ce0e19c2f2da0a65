// The settings file: line format, key matching, value reading, and that
// each line is applied at once and the first failure stops the file.
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "support/sdk.h"

using namespace sdktest;

namespace {

class SettingsFile : public SdkTest {
 protected:
  void open(int32_t productId = 8722) {
    zyvsim_defaults()->devices[0].productId = productId;
    ASSERT_EQ(2, openGroup());
    zyvsim_clear_log(0);
  }

  // Writes the file and applies it.
  int32_t apply(const std::string& content) {
    const std::string path = tempFolder() + "settings.ini";
    EXPECT_TRUE(writeFile(path, content));
    return SDK(uZyvSDKReadIniFile)(path.c_str());
  }

  // The settings sent since the last clear; trigger records as their id only.
  Sent sent() {
    Sent out = sentSettings();
    for (auto& s : out)
      if (s[1] == 10) s[2] = 0;
    return out;
  }

  // The trigger record the next extended capture start sends.
  std::vector<int32_t> trigger() {
    zyvsim_clear_log(0);
    SDK(uZyvSDKCaptureEx)();
    std::vector<int32_t> words;
    for (const ZyvSimCall& c : calls(0, "uZyvSetting"))
      if (c.arg[1] == 10) {
        words.assign(std::size_t(c.blockSize) / 4, 0);
        std::memcpy(words.data(), c.block, words.size() * 4);
      }
    zyvsim_clear_log(0);
    return words;
  }

  int32_t voltDiv(int32_t channel) {
    int32_t v = 0;
    SDK(uZyvSDKGetVoltDiv)(channel, &v);
    return v;
  }
};

TEST_F(SettingsFile, DocumentedExampleIsAppliedLineByLine) {
  open();
  EXPECT_EQ(1, apply("; bench set-up\n"
                     "SampleRate   = 100000000\n"
                     "RecordLength = 4000\n"
                     "VoltDiv      = 0, 500000\n"
                     "VoltOfs      = 0, -200000     ; microvolts\n"
                     "ChOnOff      = 1, 0\n"
                     "TrigEdge     = 0, 0, 150000\n"));
  EXPECT_EQ((Sent{{0, 11, 100000000}, {0, 12, 8096}, {0, 7, 500000}, {0, 9, 200000}, {1, 3, 0}}), sent())
      << "the trigger is only stored";
  EXPECT_EQ((std::vector<int32_t>{0, 20, 0, 0, 350000}), trigger());
}

// The lines 1 to 9 of the format's description, each alone in a file.
TEST_F(SettingsFile, TheDescribedLines) {
  open();
  struct Case {
    const char* line;
    int32_t result;
    Sent sent;
  } cases[] = {
      {"    volt div = 0 , 500000", 1, {{0, 7, 500000}}},
      {"VoltDiv=0,500000;,2000000", 1, {{0, 7, 500000}}},
      {"SampleRate=", 1, {{0, 11, 0}}},
      {"ChOnOff=0,2", 1, {{0, 3, 1}}},
      {"ChOnOff=0", 1, {{0, 3, 0}}},
      {"RecordLength=1001", 0, {}},
      {"TrigEdge=0,0,160000,9,9", 1, {}},
      {"Foo=1", 1, {}},
      {"VoltDiv 0 500000", 1, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(c.result, apply(std::string(c.line) + "\n"));
    EXPECT_EQ(c.sent, sent());
  }
  EXPECT_EQ(UZYV_ERR_RECORD_LENGTH, lastError());
}

TEST_F(SettingsFile, FirstFailureStopsTheFile) {
  open();
  EXPECT_EQ(0, apply("VoltDiv=0,2000\nRecordLength=1001\nVoltDiv=1,5000\n"));
  EXPECT_EQ(UZYV_ERR_RECORD_LENGTH, lastError());
  EXPECT_EQ(2000, voltDiv(0)) << "the line before stays applied";
  EXPECT_EQ(100000, voltDiv(1)) << "the line after is not read";

  EXPECT_EQ(0, apply("VoltDiv=0,abc\nVoltDiv=1,5000\n"));
  EXPECT_EQ(UZYV_ERR_VOLTDIV, lastError()) << "letters read as 0, which the setter refuses";
  EXPECT_EQ(100000, voltDiv(1));

  // Silent refusals stop the file without a new LastError.
  SDK(uZyvSDKSetBWL)(0, 7);  // leaves LastError 2
  EXPECT_EQ(0, apply("TrigVideo=2,0,0\nVoltDiv=1,5000\n"));
  EXPECT_EQ(0, apply("TrigRunt=2\n"));
  zyvsim_fail(0, "ZyvSetting", 116, 0, 3);
  EXPECT_EQ(0, apply("HwBit=12\nVoltDiv=1,5000\n"));
  EXPECT_EQ(UZYV_ERR_VALUE, lastError());
  EXPECT_EQ(100000, voltDiv(1));

  zyvsim_fail(0, "uZyvSetting", 8, 0, 1);
  EXPECT_EQ(0, apply("VoltPos=0,100\nVoltDiv=1,5000\n"));
  EXPECT_EQ(UZYV_ERR_RUNTIME_1, lastError()) << "a runtime refusal, translated";
  EXPECT_EQ(100000, voltDiv(1));
}

TEST_F(SettingsFile, EveryKeyReachesItsSetting) {
  open();
  struct Case {
    const char* line;
    Sent sent;
  } cases[] = {
      {"SampleRate=123456789012", {{0, 11, 123456789012}}},
      {"RecordLength=1000", {{0, 12, 5096}}},
      {"RecordLength=4294968296", {{0, 12, 5096}}},  // the low 32 bits
      {"BandWidth=1,2", {{1, 2, 2}}},
      {"Coupling=3,1", {{3, 1, 1}}},
      {"ChOnOff=1,256", {{1, 3, 1}}},
      {"ChOnOff=1,4294967296", {{1, 3, 1}}},
      {"ChOnOff=4,1", {{4, 3, 1}}},  // channel 2N: straight to the dispatch
      {"Acquire=0,5", {{0, 4, 5}}},
      {"VoltDiv=1,2000", {{1, 7, 2000}}},
      {"VoltPos=0,16000", {{0, 8, 16000}}},
      {"VoltOfs=2,-300000", {{2, 9, 300000}}},
      {"WaitMode=3,99999999999", {{0, 13, 3}, {0, 14, 99999999999}}},
      {"WaitMode=1,5", {{0, 13, 1}}},
      {"TrigDelay=50000000000000", {{0, 15, 50000000000000}}},
      {"HoldOff=10000000000000", {{0, 16, 10000000000000}}},
      {"TrigPos=-5", {{0, 18, -5}}},
      {"TrigCoupling=3", {{0, 6, 3}}},
      {"VoltDivEx=1,5000", {{1, 17, 5000}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(1, apply(std::string(c.line) + "\n"));
    EXPECT_EQ(c.sent, sent());
  }
  EXPECT_EQ(1, apply("HwBit=12\n"));
  const auto second = calls(0, "ZyvSetting");
  ASSERT_EQ(1u, second.size());
  EXPECT_EQ(116, second[0].arg[0]);
  EXPECT_EQ(12, second[0].arg[1]);
  int32_t bits = 0;
  SDK(uZyvSDKGetHwBit)(&bits);
  EXPECT_EQ(12, bits);
}

TEST_F(SettingsFile, TriggerKeysStoreTheirTrigger) {
  open();
  struct Case {
    const char* line;
    std::vector<int32_t> record;
  } cases[] = {
      {"TrigEdge=1,2,4294967396", {0, 20, 1, 2, 100}},
      {"TrigEdge=1,,5000", {0, 20, 1, 0, 5000}},
      {"TrigVideo=1,3,-7", {1, 24, 1, 3, -7, 0}},
      {"TrigRunt=1,2,3,4,-2,1000,2000", {3, 40, 1, 2, 3, 4, -2, -1, 1000, 2000}},
      {"TrigWidth=2,1,0,9,4294967297,-50", {2, 36, 2, 1, 0, 9, 1, 1, -50}},
      {"TrigPattern=0,1,5,6,1,7,100,200", {4, 44, 0, 1, 5, 6, 1, 7, 0, 100, 200}},
      {"TrigState=0,1,5,6,1,100,200", {5, 32, 1, 0, 6, 5, 100, 200}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(1, apply(std::string(c.line) + "\n"));
    EXPECT_TRUE(sent().empty()) << "trigger lines send nothing";
    EXPECT_EQ(c.record, trigger());
  }
}

TEST_F(SettingsFile, ExtendedTriggerKeysFollowTheirSetters) {
  open(8721);
  EXPECT_EQ(0, apply("TrigWidth=0,0,0,0,0,0\n"));
  EXPECT_EQ(UZYV_ERR_TRIGGER_KIND, lastError());
}

TEST_F(SettingsFile, ValuesAreSignedDecimalsThatSaturate) {
  open();
  struct Case {
    const char* value;
    int64_t read;
  } cases[] = {
      {"99999999999999999999", INT64_MAX},
      {"9223372036854775807", INT64_MAX},
      {"9223372036854775808", INT64_MAX},
      {"-9223372036854775808", INT64_MIN},
      {"-9223372036854775809", INT64_MIN},
      {"-99999999999999999999999", INT64_MIN},
      {"+12abc", 12},
      {"abc", 0},
      {"--5", 0},
      {"-", 0},
      {"0x10", 0},
      {"12,34", 12},
      {"\v5", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(1, apply(std::string("TrigPos=") + c.value + "\n"));
    EXPECT_EQ((Sent{{0, 18, c.read}}), sent());
  }
}

TEST_F(SettingsFile, BlanksCommentsCaseAndLineEnds) {
  open();
  struct Case {
    const char* content;
    Sent sent;
  } cases[] = {
      {"", {}},
      {"; only a comment\n\n   \t \n;VoltDiv=0,2000\n", {}},
      {"\tT r\ti g P o s\t=\t- 4 2\n", {{0, 18, -42}}},
      {"tRiGpOs=1\r\nTRIGPOS=2\r\n", {{0, 18, 1}, {0, 18, 2}}},
      {"TrigPos=3", {{0, 18, 3}}},  // no line end at the end of the file
      {"VoltDivEx=0,2000\nVOLTDIV=0,5000\n", {{0, 17, 2000}, {0, 7, 5000}}},
      {"=5\nTrigPos\nTrigPos5\n;TrigPos=1\nTrig;Pos=1\n", {}},
      {"TrigPos=7=8\n", {{0, 18, 7}}},
      {"TrigPos;=1\n", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.content);
    EXPECT_EQ(1, apply(c.content));
    EXPECT_EQ(c.sent, sent());
  }
}

TEST_F(SettingsFile, LinesOfAnyLength) {
  open();
  const std::string spaces(200000, ' ');
  EXPECT_EQ(1, apply("Trig" + spaces + "Pos=" + spaces + "77" + spaces + "\nVoltDiv=0," + std::string(100000, '0') +
                     "2000\n"));
  EXPECT_EQ((Sent{{0, 18, 77}, {0, 7, 2000}}), sent());
}

TEST_F(SettingsFile, FilesThatCannotBeRead) {
  open();
  EXPECT_EQ(0, SDK(uZyvSDKReadIniFile)((tempFolder() + "missing.ini").c_str()));
  EXPECT_EQ(UZYV_ERR_SETTINGS_FILE, lastError());
  EXPECT_EQ(0, SDK(uZyvSDKReadIniFile)(nullptr));
  EXPECT_EQ(UZYV_ERR_SETTINGS_FILE, lastError());
  // A folder opens on some hosts but cannot be read: that is not an empty file.
  EXPECT_EQ(0, SDK(uZyvSDKReadIniFile)(tempFolder().c_str()));
  EXPECT_EQ(UZYV_ERR_SETTINGS_FILE, lastError());
}

TEST_F(SettingsFile, EachLineMeetsItsSettersGuard) {
  EXPECT_EQ(1, apply("; nothing to apply\n")) << "a file without settings needs no group";
  EXPECT_EQ(0, apply("TrigPos=1\n"));
  EXPECT_EQ(UZYV_ERR_NOT_OPEN, lastError());
  open();
  SDK(uZyvSDKShutdown)();
  EXPECT_EQ(1, apply("TrigEdge=0,0,1\n")) << "triggers are stored in a closed group";
  EXPECT_EQ(0, apply("TrigEdge=0,0,1\nVoltDiv=0,2000\n"));
  EXPECT_EQ(UZYV_ERR_NOT_OPEN, lastError());
}

}  // namespace
