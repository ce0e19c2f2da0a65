// Group table, private runtime copies, entry-point resolution, teardown.
#include <cstdlib>

#include "support/sdk.h"

#if !defined(_WIN32)
#include <dirent.h>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace sdktest;

namespace {

std::vector<std::string> runtimeCopies(const std::string& folder) {
  std::vector<std::string> copies;
  for (const std::string& name : listFolder(folder))
    if (name.rfind("ZYV", 0) == 0) copies.push_back(name);
  return copies;
}

}  // namespace

using GroupTable = SdkTest;

TEST_F(GroupTable, GuardedExportsRefuseBeforeAnyStartUp) {
  int32_t id = 0;
  EXPECT_EQ(0, SDK(uZyvSDKGetProductID)(0, &id));
  EXPECT_EQ(UZYV_ERR_NOT_OPEN, lastError());
  EXPECT_EQ(0, SDK(uZyvSDKSetting)(0, 1, 0));
  EXPECT_EQ(UZYV_ERR_NOT_OPEN, lastError());
  EXPECT_EQ(0, SDK(uZyvSDKGetDeviceCount)());
  EXPECT_EQ(0, zyvsim_instance_count()) << "no runtime is loaded before the start-up";
}

TEST_F(GroupTable, GroupIndexAboveNineteenIsRefusedAndKeepsTheCurrentGroup) {
  useRuntime();
  ASSERT_EQ(1, SDK(uZyvSDKSelectGroup)(3));
  ASSERT_EQ(2, SDK(uZyvSDKInit)());
  for (uint32_t bad : {20u, 0xFFFFFFFFu}) {
    EXPECT_EQ(0, SDK(uZyvSDKSelectGroup)(bad));
    EXPECT_EQ(UZYV_ERR_GROUP_INDEX, lastError());
  }
  // Group 3 is still current and open.
  int32_t id = 0;
  EXPECT_EQ(1, SDK(uZyvSDKGetProductID)(1, &id));
}

TEST_F(GroupTable, SelectingTheCurrentGroupAgainChangesNothing) {
  ASSERT_EQ(2, openGroup(0));
  const int32_t before = zyvsim_instance_count();
  EXPECT_EQ(1, SDK(uZyvSDKSelectGroup)(0));
  EXPECT_EQ(before, zyvsim_instance_count());
  EXPECT_EQ(2, SDK(uZyvSDKGetDeviceCount)());
  int32_t id = 0;
  EXPECT_EQ(1, SDK(uZyvSDKGetProductID)(0, &id));
}

TEST_F(GroupTable, EachGroupDrivesItsOwnCopyAndUnloadDeletesEveryCopy) {
  useRuntime();
  zyvsim_defaults()->deviceCount = 1;
  ASSERT_EQ(1, SDK(uZyvSDKSelectGroup)(0));
  ASSERT_EQ(1, SDK(uZyvSDKInit)());
  zyvsim_defaults()->deviceCount = 3;
  ASSERT_EQ(1, SDK(uZyvSDKSelectGroup)(19));
  ASSERT_EQ(3, SDK(uZyvSDKInit)());

  ASSERT_EQ(2, zyvsim_instance_count());
  EXPECT_NE(std::string(zyvsim_module_path(0)), zyvsim_module_path(1));
#if defined(_WIN32)
  EXPECT_EQ(2u, runtimeCopies(tempFolder()).size());  // deleted by the system once unmapped
#else
  EXPECT_TRUE(runtimeCopies(tempFolder()).empty());  // unlinked as soon as loaded
#endif

  // A setting goes to the current group's copy only.
  const int32_t before0 = zyvsim_log_count(0);
  ASSERT_EQ(1, SDK(uZyvSDKSetVoltPos)(5, 100));
  EXPECT_EQ(before0, zyvsim_log_count(0));
  int64_t pos = 0;
  EXPECT_EQ(1, zyvsim_setting(1, 5, 8, &pos));
  EXPECT_EQ(100, pos);

  ASSERT_EQ(1, SDK(uZyvSDKSelectGroup)(0));
  EXPECT_EQ(1, SDK(uZyvSDKGetDeviceCount)());
  EXPECT_EQ(0, SDK(uZyvSDKSetVoltPos)(5, 100));
  EXPECT_EQ(UZYV_ERR_CHANNEL, lastError());

  unloadSdk();
  EXPECT_EQ(0, zyvsim_loaded(0));
  EXPECT_EQ(0, zyvsim_loaded(1));
  EXPECT_TRUE(runtimeCopies(tempFolder()).empty());
  // Both open groups were shut down by the teardown.
  EXPECT_EQ(1u, calls(0, "uZyvShutdown").size());
  EXPECT_EQ(1u, calls(1, "uZyvShutdown").size());
}

TEST_F(GroupTable, TwentyGroupsSideBySide) {
  useRuntime();
  zyvsim_defaults()->deviceCount = 1;
  for (uint32_t g = 0; g < 20; ++g) {
    ASSERT_EQ(1, SDK(uZyvSDKSelectGroup)(g));
    ASSERT_EQ(1, SDK(uZyvSDKInit)());
    ASSERT_EQ(1, SDK(uZyvSDKSetVoltPos)(0, int32_t(g)));
  }
  EXPECT_EQ(20, zyvsim_instance_count());
  for (int32_t g = 0; g < 20; ++g) {
    int64_t pos = -1;
    EXPECT_EQ(1, zyvsim_setting(g, 0, 8, &pos));
    EXPECT_EQ(g, pos);
  }
  unloadSdk();
  EXPECT_TRUE(runtimeCopies(tempFolder()).empty());
}

struct VariantCase {
  const char* variant;
  int32_t selectResult;
  int32_t error;
};

class RuntimeVariant : public SdkTest, public ::testing::WithParamInterface<VariantCase> {};

TEST_P(RuntimeVariant, SelectionReportsTheRuntimeFile) {
  // Group 1 is a new slot for the selection (the start-up prepares slot 0).
  const VariantCase& c = GetParam();
  useRuntime(c.variant);
  EXPECT_EQ(c.selectResult, SDK(uZyvSDKSelectGroup)(1));
  EXPECT_EQ(c.error, lastError());
  if (c.selectResult == 0) {
    // Nothing of a refused runtime stays reachable, and no copy is left.
    EXPECT_EQ(0, SDK(uZyvSDKInit)());
    EXPECT_EQ(UZYV_ERR_RUNTIME_ENTRIES, lastError());
  }
  unloadSdk();
  EXPECT_TRUE(runtimeCopies(tempFolder()).empty());
}

INSTANTIATE_TEST_SUITE_P(Versions, RuntimeVariant,
                         ::testing::Values(VariantCase{"default", 1, 0}, VariantCase{"v2000", 1, 0},
                                           VariantCase{"v1401", 0, UZYV_ERR_RUNTIME_FILE},
                                           VariantCase{"noversion", 0, UZYV_ERR_RUNTIME_FILE},
                                           VariantCase{"nohwinfo", 1, 0},
                                           VariantCase{"nofft", 0, UZYV_ERR_RUNTIME_ENTRIES},
                                           VariantCase{"noload", 0, UZYV_ERR_RUNTIME_FILE}),
                         [](const auto& info) { return std::string(info.param.variant); });

TEST_F(GroupTable, SlotZeroPreparedByAFailedStartUpIsNotPreparedAgain) {
  // The start-up prepared slot 0 and failed; selecting slot 0 finds its
  // record and fails at the entry points.
  useRuntime("v1401");
  EXPECT_EQ(0, SDK(uZyvSDKSelectGroup)(0));
  EXPECT_EQ(UZYV_ERR_RUNTIME_ENTRIES, lastError());
}

TEST_F(GroupTable, StartUpThroughInitReportsEntryPointsForAnUnusableRuntime) {
  useRuntime("v1401");
  EXPECT_EQ(0, SDK(uZyvSDKInit)());
  EXPECT_EQ(UZYV_ERR_RUNTIME_ENTRIES, lastError());
  EXPECT_EQ(0, zyvsim_instance_count());
}

TEST_F(GroupTable, AFailedSelectionNeverReachesThePreviousGroupsRuntime) {
  // The runtime file lives in a folder of the test's own, so that it can be
  // swapped for an unusable one after group 0 was opened.
  const std::string folder = tempFolder() + "runtime" + separator();
  ASSERT_TRUE(makeFolder(folder));
  ASSERT_TRUE(copyFile(runtimeFolder("default") + "Zyvrun.dll", folder + "Zyvrun.dll"));
  ASSERT_EQ(1, SDK(uZyvSDKSetWorkDir)(folder.c_str()));
  ASSERT_EQ(1, SDK(uZyvSDKSelectGroup)(0));
  ASSERT_EQ(2, SDK(uZyvSDKInit)());

  ASSERT_TRUE(copyFile(runtimeFolder("v1401") + "Zyvrun.dll", folder + "Zyvrun.dll"));
  EXPECT_EQ(0, SDK(uZyvSDKSelectGroup)(1));
  EXPECT_EQ(UZYV_ERR_RUNTIME_FILE, lastError());

  const int32_t inits = int32_t(calls(0, "uZyvInit").size());
  EXPECT_EQ(0, SDK(uZyvSDKInit)());
  EXPECT_EQ(UZYV_ERR_RUNTIME_ENTRIES, lastError());
  EXPECT_EQ(0, SDK(uZyvSDKSetEnv)(0, 0, 0));
  EXPECT_EQ(UZYV_ERR_RUNTIME_ENTRIES, lastError());
  EXPECT_EQ(inits, int32_t(calls(0, "uZyvInit").size()));
  EXPECT_EQ(0u, calls(0, "uZyvEnv").size());

  // Group 0 is still there and open once selected again.
  ASSERT_EQ(1, SDK(uZyvSDKSelectGroup)(0));
  int32_t id = 0;
  EXPECT_EQ(1, SDK(uZyvSDKGetProductID)(0, &id));
}

TEST_F(GroupTable, AShutDownGroupCanBeSelectedButRefusesUntilInitialisedAgain) {
  ASSERT_EQ(2, openGroup(0));
  ASSERT_EQ(1, SDK(uZyvSDKShutdown)());
  ASSERT_EQ(1, SDK(uZyvSDKSelectGroup)(0));
  int32_t id = 0;
  EXPECT_EQ(0, SDK(uZyvSDKGetProductID)(0, &id));
  EXPECT_EQ(UZYV_ERR_NOT_OPEN, lastError());
  ASSERT_EQ(2, SDK(uZyvSDKInit)());
  EXPECT_EQ(1, SDK(uZyvSDKGetProductID)(0, &id));
}

TEST_F(GroupTable, ProcessExitWithoutUnloadLeavesNoCopyBehind) {
  // The probe inherits this test's temporary folder.
  std::string folder = runtimeFolder("default");
  folder.pop_back();  // a bare folder: no backslash before the closing quote
#if defined(_WIN32)
  // cmd.exe strips one pair of quotes around the whole line.
  const std::string command = "\"\"" + programFolder() + "uzyv_exit_probe.exe\" \"" + folder + "\"\"";
#else
  const std::string command = "'" + programFolder() + "uzyv_exit_probe' '" + folder + "'";
#endif
  ASSERT_EQ(0, std::system(command.c_str())) << command;
  EXPECT_TRUE(runtimeCopies(tempFolder()).empty());
}

#if !defined(_WIN32)
TEST_F(GroupTable, AKilledProcessLeavesNoCopyBehind) {
  // The probe inherits this test's temporary folder, opens two groups and
  // waits to be killed.
  std::string folder = runtimeFolder("default");
  folder.pop_back();
  const std::string probe = programFolder() + "uzyv_exit_probe";
  int output[2];
  ASSERT_EQ(0, pipe(output));
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dup2(output[1], 1);
    close(output[0]);
    close(output[1]);
    execl(probe.c_str(), probe.c_str(), folder.c_str(), "wait", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(output[1]);
  std::string said;
  char c = 0;
  while (said.size() < 16 && read(output[0], &c, 1) == 1 && c != '\n') said += c;
  close(output[0]);
  kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  ASSERT_EQ("opened", said);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  EXPECT_TRUE(runtimeCopies(tempFolder()).empty());
}

TEST_F(GroupTable, CopiesHeldOpenAreReleasedWithTheLibrary) {
  auto cycle = [&] {
    reloadSdk();
    ASSERT_EQ(2, openGroup(0));
    ASSERT_EQ(2, openGroup(1));
    unloadSdk();
  };
  cycle();
  const int before = openDescriptors();
  for (int i = 0; i < 20; ++i) cycle();
  EXPECT_EQ(before, openDescriptors());
  EXPECT_TRUE(runtimeCopies(tempFolder()).empty());
}
#endif
