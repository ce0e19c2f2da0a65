// The writability check: short buffers are probed page by page, long ones
// are looked up in the process's mappings; both must give the same answers,
// and no check may change memory, keep state or block.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "support/host.h"

using sdktest::openDescriptors;

#if !defined(_WIN32)
#include <dirent.h>
#include <dlfcn.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using uzyv::platform::isWritable;

TEST(Writability, NullAndEmpty) {
  EXPECT_TRUE(isWritable(nullptr, 0));
  EXPECT_FALSE(isWritable(nullptr, 1));
  int x = 0;
  EXPECT_TRUE(isWritable(&x, 0));
  EXPECT_TRUE(isWritable(&x, sizeof x));
}

TEST(Writability, EndsExactlyAtAFaultingPage) {
  for (std::size_t size : {std::size_t(1), std::size_t(4096), std::size_t(70000), std::size_t(3) << 20}) {
    SCOPED_TRACE(size);
    sdktest::GuardedBuffer buffer(size);
    char* p = static_cast<char*>(buffer.data());
    EXPECT_TRUE(isWritable(p, size));
    EXPECT_FALSE(isWritable(p, size + 1));
    EXPECT_FALSE(isWritable(p + 1, size));
    EXPECT_TRUE(isWritable(p + 1, size - 1));
  }
}

TEST(Writability, ReadOnlyMemory) {
  for (std::size_t size : {std::size_t(64), std::size_t(1) << 20}) {
    SCOPED_TRACE(size);
    sdktest::GuardedBuffer buffer(size);
    buffer.makeReadOnly();
    EXPECT_FALSE(isWritable(buffer.data(), size));
  }
}

TEST(Writability, HeapBlocksAndWrapAround) {
  std::vector<double> big(std::size_t(2) << 20);
  EXPECT_TRUE(isWritable(big.data(), big.size() * sizeof(double)));
  EXPECT_FALSE(isWritable(reinterpret_cast<void*>(~uintptr_t(0) - 10), 100));
}

namespace {
// A read-only block whose bytes count up, and a writable one of a fixed
// pattern: a check that carried a byte from one call to the next would show
// in either.
struct ProbeTargets {
  explicit ProbeTargets(std::size_t size) : readOnly(size), writable(size) {
    auto* ro = static_cast<unsigned char*>(readOnly.data());
    for (std::size_t i = 0; i < size; ++i) ro[i] = static_cast<unsigned char>(i * 7 + 1);
    readOnlyCopy.assign(ro, ro + size);
    readOnly.makeReadOnly();
    std::memset(writable.data(), 0x5A, size);
  }
  bool unchanged() const {
    const auto* w = static_cast<const unsigned char*>(writable.data());
    for (std::size_t i = 0; i < readOnlyCopy.size(); ++i)
      if (w[i] != 0x5A) return false;
    return std::memcmp(readOnly.data(), readOnlyCopy.data(), readOnlyCopy.size()) == 0;
  }
  sdktest::GuardedBuffer readOnly;
  sdktest::GuardedBuffer writable;
  std::vector<unsigned char> readOnlyCopy;
};
}  // namespace

TEST(Writability, ARefusedCheckLeavesNoTraceInTheNextCheckedBuffer) {
  // Short buffers (probed) and long ones (looked up), in both orders.
  for (std::size_t size : {std::size_t(1), std::size_t(100), std::size_t(5000), std::size_t(200000)}) {
    SCOPED_TRACE(size);
    ProbeTargets targets(size);
    for (int round = 0; round < 3; ++round) {
      EXPECT_FALSE(isWritable(targets.readOnly.data(), size));
      EXPECT_TRUE(isWritable(targets.writable.data(), size));
      EXPECT_TRUE(isWritable(targets.writable.data(), 1));
    }
    EXPECT_TRUE(targets.unchanged());
  }
}

TEST(Writability, ManyRefusalsInARowFinishQuickly) {
  ProbeTargets targets(16);
  const auto began = std::chrono::steady_clock::now();
  for (int i = 0; i < 100000; ++i)
    if (isWritable(targets.readOnly.data(), 16)) FAIL() << "read-only memory reported writable at " << i;
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  EXPECT_LT(seconds, 30.0);
  EXPECT_TRUE(isWritable(targets.writable.data(), 16));
  EXPECT_TRUE(targets.unchanged());
}

#if !defined(_WIN32)
namespace {

std::string libraryPath() {
  char path[4096] = {};
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  std::string p(path, n > 0 ? std::size_t(n) : 0);
  return p.substr(0, p.find_last_of('/') + 1) + "libuZyvSDK.so";
}

using RawToDbl = int32_t (*)(const int16_t*, double*, int32_t, double, double, double, double, int32_t);
}  // namespace

TEST(Writability, LoadingAndUnloadingTheLibraryKeepsNoDescriptor) {
  ProbeTargets targets(64);
  const int16_t raw[4] = {1, 2, 3, 4};
  auto cycle = [&] {
    void* library = dlopen(libraryPath().c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(nullptr, library) << dlerror();
    auto convert = reinterpret_cast<RawToDbl>(dlsym(library, "uZyvSDKRawToDbl_mv"));
    ASSERT_NE(nullptr, convert);
    // A refused and an accepted check in the library's own copy of the code.
    EXPECT_EQ(0, convert(raw, static_cast<double*>(targets.readOnly.data()), 4, 0, 0, 1, 0, 1));
    double out[4] = {};
    EXPECT_EQ(1, convert(raw, out, 4, 0, 0, 1, 0, 1));
    EXPECT_EQ(4.0, out[3]);
    dlclose(library);
  };
  cycle();  // the first load may open what the loader keeps
  const int before = openDescriptors();
  for (int i = 0; i < 100; ++i) cycle();
  EXPECT_EQ(before, openDescriptors());
  EXPECT_TRUE(targets.unchanged());
}

TEST(Writability, AForkedChildsChecksDoNotDisturbTheParent) {
  ProbeTargets targets(32);
  EXPECT_FALSE(isWritable(targets.readOnly.data(), 32));  // any state is made before the fork
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Refusals only: a shared channel would be left holding the child's bytes.
    bool ok = true;
    for (int i = 0; i < 2000; ++i) ok = !isWritable(targets.readOnly.data(), 32) && ok;
    _exit(ok ? 0 : 1);
  }
  for (int i = 0; i < 2000; ++i) {
    ASSERT_TRUE(isWritable(targets.writable.data(), 32));
    ASSERT_FALSE(isWritable(targets.readOnly.data(), 32));
  }
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(isWritable(targets.writable.data(), 32));
  EXPECT_TRUE(targets.unchanged());
}
namespace {
// Makes the kernel refuse process_vm_readv/process_vm_writev with ENOSYS in
// this process from now on, as filtered or older systems do.
bool refuseKernelCopies() {
  sock_filter program[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, 0),  // seccomp_data.nr
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_process_vm_readv, 2, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_process_vm_writev, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | ENOSYS),
  };
  sock_fprog filter{static_cast<unsigned short>(sizeof program / sizeof program[0]), program};
  return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter) == 0;
}
}  // namespace

TEST(Writability, GivesTheSameAnswersWhereTheSystemRefusesKernelCopies) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (!refuseKernelCopies()) _exit(2);
    ProbeTargets targets(100);
    sdktest::GuardedBuffer guarded(10);
    bool ok = true;
    for (int i = 0; i < 100000 && ok; ++i) ok = !isWritable(targets.readOnly.data(), 100);
    ok = ok && isWritable(targets.writable.data(), 100) && targets.unchanged();
    ok = ok && isWritable(guarded.data(), 10) && !isWritable(guarded.data(), 11);
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "no system-call filter here";
  EXPECT_EQ(0, WEXITSTATUS(status));
}
#endif
