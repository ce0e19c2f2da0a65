// Working folder, environment, initialisation with its defaults, shutdown.
#include <cstring>

#include "support/sdk.h"

using namespace sdktest;

using Initialisation = SdkTest;

namespace {

std::string withoutSeparator(std::string folder) {
  if (!folder.empty() && folder.back() == separator()) folder.pop_back();
  return folder;
}

int64_t blockInt64(const ZyvSimCall& c) {
  int64_t v = 0;
  std::memcpy(&v, c.block, 8);
  return v;
}

}  // namespace

TEST_F(Initialisation, WorkDirAcceptsAFolderInEveryForm) {
  const std::string bare = withoutSeparator(runtimeFolder("default"));
  for (const std::string& form : {bare, bare + separator(), bare + separator() + "Zyvrun.dll",
                                  bare + separator() + "ZYVRUN.DLL", bare + separator() + "zyvRun.Dll"}) {
    SCOPED_TRACE(form);
    reloadSdk();  // the folder can only be set before the start-up
    ASSERT_EQ(1, SDK(uZyvSDKSetWorkDir)(form.c_str()));
    EXPECT_EQ(2, SDK(uZyvSDKInit)());
  }
}

TEST_F(Initialisation, WorkDirRefusals) {
  EXPECT_EQ(0, SDK(uZyvSDKSetWorkDir)(nullptr));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());

  const std::string missing = tempFolder() + "nothing-here";
  EXPECT_EQ(0, SDK(uZyvSDKSetWorkDir)(missing.c_str()));
  EXPECT_EQ(UZYV_ERR_RUNTIME_FILE, lastError());

  // 259 characters are examined (and not found); 260 are refused as text.
  std::string text259(259, 'a'), text260(260, 'a');
  EXPECT_EQ(0, SDK(uZyvSDKSetWorkDir)(text259.c_str()));
  EXPECT_EQ(UZYV_ERR_RUNTIME_FILE, lastError());
  EXPECT_EQ(0, SDK(uZyvSDKSetWorkDir)(text260.c_str()));
  EXPECT_EQ(UZYV_ERR_POINTER, lastError());

  // After any successful start-up the folder is fixed, open group or not.
  useRuntime();
  ASSERT_EQ(1, SDK(uZyvSDKSelectGroup)(0));
  EXPECT_EQ(0, SDK(uZyvSDKSetWorkDir)(runtimeFolder("default").c_str()));
  EXPECT_EQ(UZYV_ERR_STATE, lastError());
}

TEST_F(Initialisation, SendsTheDefaultsInOrder) {
  ASSERT_EQ(2, openGroup());
  EXPECT_EQ(2, SDK(uZyvSDKGetDeviceCount)());

  std::vector<std::pair<int64_t, int64_t>> settings;  // (channel, id) in order
  std::vector<ZyvSimCall> all = calls(0);
  std::size_t first = 0;
  while (first < all.size() && std::strcmp(all[first].entry, "uZyvInit") != 0) ++first;
  ASSERT_LT(first, all.size());
  std::vector<std::string> expected = {
      "uZyvInit", "uZyvGetHwInfo 0 5",
      "uZyvSetting 0 8 8000", "uZyvSetting 1 8 8000", "uZyvSetting 2 8 8000", "uZyvSetting 3 8 8000",
      "uZyvSetting 0 12 6096", "uZyvSetting 0 13 0", "uZyvSetting 0 18 *0",
      "ZyvSetting 116 8 0", "uZyvSetting 0 1645674499 *11", "uZyvSetting 1 1645674499 *11"};
  std::vector<std::string> seen;
  for (std::size_t k = first; k < all.size(); ++k) {
    const ZyvSimCall& c = all[k];
    std::string line = c.entry;
    if (line == "uZyvGetHwInfo") line += " " + std::to_string(c.arg[0]) + " " + std::to_string(c.arg[1]);
    if (line == "ZyvSetting")
      line += " " + std::to_string(c.arg[0]) + " " + std::to_string(c.arg[1]) + " " + std::to_string(c.arg[2]);
    if (line == "uZyvSetting") {
      line += " " + std::to_string(c.arg[0]) + " " + std::to_string(c.arg[1]) + " ";
      if (c.arg[1] == 18) {
        line += "*" + std::to_string(blockInt64(c));
      } else if (c.arg[1] == 1645674499) {
        double d = 0;
        std::memcpy(&d, c.block, 8);
        line += "*" + std::to_string(int(d));
        EXPECT_EQ(8, c.blockSize);
        EXPECT_EQ(11.0, d);
      } else {
        line += std::to_string(c.arg[2]);
      }
    }
    seen.push_back(line);
  }
  EXPECT_EQ(expected, seen);

  // The cache after initialisation.
  for (int32_t ch = 0; ch < 4; ++ch) {
    int32_t pos = 0, vdiv = 0, ofs = -1;
    EXPECT_EQ(1, SDK(uZyvSDKGetVoltPos)(ch, &pos));
    EXPECT_EQ(1, SDK(uZyvSDKGetVoltDiv)(ch, &vdiv));
    EXPECT_EQ(1, SDK(uZyvSDKGetVoltOfs)(ch, &ofs));
    EXPECT_EQ(8000, pos);
    EXPECT_EQ(100000, vdiv);
    EXPECT_EQ(0, ofs);
  }
  int32_t pos = 0;
  EXPECT_EQ(0, SDK(uZyvSDKGetVoltPos)(4, &pos));
  EXPECT_EQ(UZYV_ERR_CHANNEL, lastError());
  int32_t length = 0, bits = 0;
  EXPECT_EQ(1, SDK(uZyvSDKGetRecordLength)(&length));
  EXPECT_EQ(2000, length);
  EXPECT_EQ(1, SDK(uZyvSDKGetHwBit)(&bits));
  EXPECT_EQ(8, bits);
  int64_t rate = 0;
  EXPECT_EQ(1, SDK(uZyvSDKGetSampleRate)(&rate));
  EXPECT_EQ(10000000, rate);
}

TEST_F(Initialisation, WritesThreeTraceLines) {
#if defined(_WIN32)
  makeFolder("C:\\temp");
  const std::string trace = "C:\\temp\\Init_TraceRec.txt";
#else
  const std::string trace = tempFolder() + "Init_TraceRec.txt";
#endif
  ASSERT_EQ(2, openGroup());
  const std::string text = readFile(trace);
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find("\r\n", at);
    ASSERT_NE(std::string::npos, end) << "every line ends with CR LF";
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  ASSERT_EQ(3u, lines.size());
  const char* texts[] = {"Function Entry  (", "System Init Finished  (", "All Finished  ("};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(0u, lines[std::size_t(i)].find(texts[i])) << lines[std::size_t(i)];
    EXPECT_EQ(')', lines[std::size_t(i)].back());
  }
}

TEST_F(Initialisation, ExtendedProductFollowsDeviceZerosProductId) {
  useRuntime();
  zyvsim_defaults()->devices[0].productId = 8722;
  ASSERT_EQ(1, SDK(uZyvSDKSelectGroup)(0));
  ASSERT_EQ(2, SDK(uZyvSDKInit)());
  // The extended product selects the extended translation column.
  zyvsim_fail(0, "uZyvSetting", 2, 0, 2);
  EXPECT_EQ(0, SDK(uZyvSDKSetBWL)(0, 1));
  EXPECT_EQ(UZYV_ERR_MASK, lastError());
}

TEST_F(Initialisation, NoDeviceFoundReloadsTheCopyAndKeepsLastError) {
  useRuntime();
  zyvsim_defaults()->deviceCount = 0;
  ASSERT_EQ(1, SDK(uZyvSDKSelectGroup)(0));
  EXPECT_EQ(0, SDK(uZyvSDKSelectGroup)(20));  // LastError 21, to be kept
  EXPECT_EQ(0, SDK(uZyvSDKInit)());
  EXPECT_EQ(UZYV_ERR_GROUP_INDEX, lastError());
  // The copy was unloaded and loaded again from the same file.
  ASSERT_EQ(2, zyvsim_instance_count());
  EXPECT_EQ(0, zyvsim_loaded(0));
  EXPECT_EQ(1, zyvsim_loaded(1));
#if defined(_WIN32)
  EXPECT_EQ(std::string(zyvsim_module_path(0)), zyvsim_module_path(1));
#else
  // The copy lost its name when it was first loaded; the library loads it
  // again through the file it holds.
  EXPECT_NE(std::string(zyvsim_module_path(0)), zyvsim_module_path(1));
  EXPECT_EQ(readFile(runtimeFolder("default") + "Zyvrun.dll"), readFile(zyvsim_module_path(1)));
#endif
  // Still closed, and usable once a device appears.
  int32_t id = 0;
  EXPECT_EQ(0, SDK(uZyvSDKGetProductID)(0, &id));
  EXPECT_EQ(UZYV_ERR_NOT_OPEN, lastError());
  zyvsim_config(1)->deviceCount = 1;
  EXPECT_EQ(1, SDK(uZyvSDKInit)());
}

TEST_F(Initialisation, AFailedDefaultClosesTheGroupWithThatSendsCode) {
  useRuntime();
  ASSERT_EQ(1, SDK(uZyvSDKSelectGroup)(0));
  zyvsim_fail(0, "uZyvSetting", 12, 0, 3);  // record length refused: code 13
  EXPECT_EQ(0, SDK(uZyvSDKInit)());
  EXPECT_EQ(UZYV_ERR_RECORD_LENGTH, lastError());
  EXPECT_EQ(1u, calls(0, "uZyvShutdown").size());
  // The later defaults were still sent; the hardware resolution was not.
  EXPECT_EQ(0u, calls(0, "ZyvSetting").size());
  int32_t id = 0;
  EXPECT_EQ(0, SDK(uZyvSDKGetProductID)(0, &id));
  EXPECT_EQ(UZYV_ERR_NOT_OPEN, lastError());
}

TEST_F(Initialisation, ReinitialisingAnOpenGroupRebuildsTheChannels) {
  ASSERT_EQ(2, openGroup());
  ASSERT_EQ(1, SDK(uZyvSDKSetVoltDiv)(3, 2000));
  ASSERT_EQ(1, SDK(uZyvSDKSetSampleRate)(123456));
  zyvsim_config(0)->deviceCount = 1;
  ASSERT_EQ(1, SDK(uZyvSDKInit)());
  int32_t vdiv = 0;
  EXPECT_EQ(1, SDK(uZyvSDKGetVoltDiv)(1, &vdiv));
  EXPECT_EQ(100000, vdiv);
  EXPECT_EQ(0, SDK(uZyvSDKGetVoltDiv)(3, &vdiv));
  EXPECT_EQ(UZYV_ERR_CHANNEL, lastError());
  int64_t rate = 0;
  EXPECT_EQ(1, SDK(uZyvSDKGetSampleRate)(&rate));
  EXPECT_EQ(123456, rate) << "the sample rate survives re-initialisation";
}

TEST_F(Initialisation, ShutdownOfAClosedGroupCallsNothing) {
  EXPECT_EQ(1, SDK(uZyvSDKShutdown)());  // nothing started
  ASSERT_EQ(2, openGroup());
  zyvsim_fail(0, "uZyvShutdown", -1, 7, 0);
  EXPECT_EQ(7, SDK(uZyvSDKShutdown)()) << "the runtime's result is handed on";
  EXPECT_EQ(1, SDK(uZyvSDKShutdown)());
  EXPECT_EQ(1u, calls(0, "uZyvShutdown").size());
  EXPECT_EQ(2, SDK(uZyvSDKGetDeviceCount)());
}

struct StackCase {
  const char* list;  // null for a null pointer
  int32_t expected;  // device count, or 0 with 34
  std::vector<std::string> items;
};

class StackList : public SdkTest, public ::testing::WithParamInterface<StackCase> {};

TEST_P(StackList, ParsesItemsIntoSlots) {
  const StackCase& c = GetParam();
  useRuntime();
  ASSERT_EQ(1, SDK(uZyvSDKSelectGroup)(0));
  EXPECT_EQ(c.expected, SDK(uZyvSDKInitStack)(c.list));
  if (c.expected == 0) {
    EXPECT_EQ(UZYV_ERR_STACK_LIST, lastError());
    EXPECT_TRUE(calls(0, "uZyvInitStack").empty());
    return;
  }
  std::vector<ZyvSimCall> stack = calls(0, "uZyvInitStack");
  ASSERT_EQ(1u, stack.size());
  if (c.items.empty()) {
    EXPECT_EQ(0, stack[0].arg[0]) << "no item: the runtime gets null";
    return;
  }
  ASSERT_EQ(320, stack[0].blockSize);
  for (std::size_t k = 0; k < 20; ++k) {
    const char* slot = reinterpret_cast<const char*>(stack[0].block) + 16 * k;
    std::string item(slot, strnlen(slot, 16));
    EXPECT_EQ(k < c.items.size() ? c.items[k] : "", item) << "slot " << k;
  }
}

const std::string k16(16, 'x');
const std::string k20items = "a,b,c,d,e,f,g,h,i,j,k,l,m,n,o,p,q,r,s,t";

INSTANTIATE_TEST_SUITE_P(
    Lists, StackList,
    ::testing::Values(StackCase{nullptr, 2, {}}, StackCase{"", 2, {}}, StackCase{"dev A,dev B", 2, {"dev A", "dev B"}},
                      StackCase{"xxxxxxxxxxxxxxxx", 2, {k16}}, StackCase{"xxxxxxxxxxxxxxxxx", 0, {}},
                      StackCase{"a,b,c,d,e,f,g,h,i,j,k,l,m,n,o,p,q,r,s,t", 2,
                                {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m", "n", "o", "p",
                                 "q", "r", "s", "t"}},
                      StackCase{"a,b,c,d,e,f,g,h,i,j,k,l,m,n,o,p,q,r,s,t,", 2,
                                {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m", "n", "o", "p",
                                 "q", "r", "s", "t"}},
                      StackCase{"a,b,c,d,e,f,g,h,i,j,k,l,m,n,o,p,q,r,s,t,u", 0, {}},
                      StackCase{"one,", 2, {"one"}}));

TEST_F(Initialisation, EnvironmentRequest) {
  // Before anything else: starts the library on group 0.
  useRuntime();
  EXPECT_EQ(1, SDK(uZyvSDKSetEnv)(2, 0x1234, 0xFF01));
  std::vector<ZyvSimCall> env = calls(0, "uZyvEnv");
  ASSERT_EQ(1u, env.size());
  ASSERT_EQ(20, env[0].blockSize);
  int32_t fields[5];
  std::memcpy(fields, env[0].block, 20);
  EXPECT_EQ(0x3A7C41E5, fields[0]);
  EXPECT_EQ(7, fields[1]);
  EXPECT_EQ(2, fields[2]);
  EXPECT_EQ(0x34, fields[3]);
  EXPECT_EQ(0x01, fields[4]);

  EXPECT_EQ(0, SDK(uZyvSDKSetEnv)(3, 0, 0));
  EXPECT_EQ(UZYV_ERR_VALUE, lastError());
  zyvsim_fail(0, "uZyvEnv", -1, 0, 6);
  EXPECT_EQ(0, SDK(uZyvSDKSetEnv)(0, 0, 0));
  EXPECT_EQ(UZYV_ERR_TRIGGER_POSITION, lastError());
  zyvsim_clear_faults(0);

  // The same group and copy are then initialised.
  EXPECT_EQ(2, SDK(uZyvSDKInit)());
  EXPECT_EQ(1, zyvsim_instance_count());
  for (uint32_t mode : {0u, 3u}) {
    EXPECT_EQ(0, SDK(uZyvSDKSetEnv)(mode, 0, 0));
    EXPECT_EQ(UZYV_ERR_STATE, lastError());
  }
}
