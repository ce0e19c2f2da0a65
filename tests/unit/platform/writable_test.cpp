// The writability check: short buffers are checked page by page, long ones
// are looked up in the process's mappings; every way must give the same
// answers, and no check may change memory, keep state or block.
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
#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/mman.h>
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
// Makes the kernel refuse the given system calls with ENOSYS in this process
// from now on, as filtered or older systems do.
bool refuseSystemCalls(const std::vector<long>& calls) {
  std::vector<sock_filter> program{BPF_STMT(BPF_LD | BPF_W | BPF_ABS, 0)};  // seccomp_data.nr
  for (std::size_t i = 0; i < calls.size(); ++i) {
    const auto toRefusal = static_cast<unsigned char>(calls.size() - i);
    program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<unsigned>(calls[i]), toRefusal, 0));
  }
  program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
  program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | ENOSYS));
  sock_fprog filter{static_cast<unsigned short>(program.size()), program.data()};
  return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter) == 0;
}
}  // namespace

// Each way of answering, down to the last one, gives the same answers for
// short and long buffers: the faster ways refused one after another, as
// older kernels and system-call filters do.
TEST(Writability, GivesTheSameAnswersWhereTheSystemRefusesItsFasterWays) {
  const std::vector<long> copies = {SYS_process_vm_readv, SYS_process_vm_writev};
  const std::vector<long> mapList = {SYS_ioctl, SYS_openat, SYS_open};
  struct Refusal {
    const char* name;
    std::vector<long> calls;
  };
  auto join = [](std::vector<long> a, const std::vector<long>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  const Refusal refusals[] = {
      {"no populate request", {SYS_madvise}},
      {"no populate request, no kernel copies", join({SYS_madvise}, copies)},
      {"no mapping query", {SYS_ioctl}},
      {"no map list", join({SYS_madvise}, mapList)},
      {"no map list, no kernel copies", join(join({SYS_madvise}, mapList), copies)},
  };
  const std::size_t longSize = 200000;
  for (const auto& refusal : refusals) {
    SCOPED_TRACE(refusal.name);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ProbeTargets shortTargets(100), longTargets(longSize);
      sdktest::GuardedBuffer guarded(10), longGuarded(longSize);
      if (!refuseSystemCalls(refusal.calls)) _exit(2);
      bool ok = true;
      for (int i = 0; i < 100000 && ok; ++i) ok = !isWritable(shortTargets.readOnly.data(), 100);
      for (int i = 0; i < 20 && ok; ++i) ok = !isWritable(longTargets.readOnly.data(), longSize);
      ok = ok && isWritable(shortTargets.writable.data(), 100) && shortTargets.unchanged();
      ok = ok && isWritable(longTargets.writable.data(), longSize) && longTargets.unchanged();
      ok = ok && isWritable(guarded.data(), 10) && !isWritable(guarded.data(), 11);
      ok = ok && isWritable(longGuarded.data(), longSize) && !isWritable(longGuarded.data(), longSize + 1);
      _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "no system-call filter here";
    EXPECT_EQ(0, WEXITSTATUS(status));
  }
}

namespace {
// Three parts of one kind of mapping; the middle one may be made different.
struct MappingCase {
  const char* name;
  bool fileBacked;
  int flags;       // MAP_PRIVATE or MAP_SHARED
  int protection;  // of all three parts
  int middle;      // protection of the middle part, or -1 to unmap it
  bool writable;
};
}  // namespace

// Every kind of mapping a caller may hand in, short (checked page by page)
// and long (looked up): the answer is the one a write would give, and
// nothing of the contents changes, whether the pages were present, never
// touched, or shared with a file.
TEST(Writability, AnswersForEachKindOfMappingWithoutChangingIt) {
  const int rw = PROT_READ | PROT_WRITE;
  const MappingCase cases[] = {
      {"anonymous", false, MAP_PRIVATE, rw, rw, true},
      {"anonymous, middle read-only", false, MAP_PRIVATE, rw, PROT_READ, false},
      {"anonymous, middle inaccessible", false, MAP_PRIVATE, rw, PROT_NONE, false},
      {"anonymous, middle unmapped", false, MAP_PRIVATE, rw, -1, false},
      {"private file mapping", true, MAP_PRIVATE, rw, rw, true},
      {"shared file mapping", true, MAP_SHARED, rw, rw, true},
      {"shared file mapping, read-only", true, MAP_SHARED, PROT_READ, PROT_READ, false},
      {"shared file mapping, middle read-only", true, MAP_SHARED, rw, PROT_READ, false},
  };
  const auto page = std::size_t(sysconf(_SC_PAGESIZE));
  for (std::size_t pagesPerPart : {std::size_t(1), std::size_t(24)}) {
    const std::size_t part = pagesPerPart * page;
    const std::size_t size = 3 * part;
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      SCOPED_TRACE(size);
      std::vector<unsigned char> pattern(size);
      for (std::size_t i = 0; i < size; ++i) pattern[i] = static_cast<unsigned char>(i * 13 + 5);
      int fd = -1;
      if (c.fileBacked) {
        char name[] = "/tmp/uzyv-writable-XXXXXX";
        fd = mkstemp(name);
        ASSERT_GE(fd, 0);
        unlink(name);
        ASSERT_EQ(ssize_t(size), write(fd, pattern.data(), size));
      }
      void* mapped = mmap(nullptr, size, c.fileBacked ? c.protection : rw,
                          c.flags | (c.fileBacked ? 0 : MAP_ANONYMOUS), fd, 0);
      ASSERT_NE(MAP_FAILED, mapped);
      auto* bytes = static_cast<unsigned char*>(mapped);
      if (!c.fileBacked) std::memcpy(bytes, pattern.data(), size);
      if (!c.fileBacked) ASSERT_EQ(0, mprotect(bytes, size, c.protection));
      if (c.middle < 0) {
        ASSERT_EQ(0, munmap(bytes + part, part));
      } else if (c.middle != c.protection) {
        ASSERT_EQ(0, mprotect(bytes + part, part, c.middle));
      }
      EXPECT_EQ(c.writable, isWritable(bytes + 10, size - 20));
      EXPECT_EQ((c.protection & PROT_WRITE) != 0, isWritable(bytes + 10, part - 20));
      if (c.middle != PROT_NONE && c.middle >= 0) {
        EXPECT_EQ(0, std::memcmp(bytes, pattern.data(), size));
      } else {
        EXPECT_EQ(0, std::memcmp(bytes, pattern.data(), part));
        EXPECT_EQ(0, std::memcmp(bytes + 2 * part, pattern.data() + 2 * part, part));
      }
      if (c.fileBacked) {
        std::vector<unsigned char> onDisk(size);
        ASSERT_EQ(ssize_t(size), pread(fd, onDisk.data(), size, 0));
        EXPECT_EQ(pattern, onDisk);
        close(fd);
      }
      munmap(bytes, size);
    }
    // Pages never touched stay zero.
    void* fresh = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(MAP_FAILED, fresh);
    EXPECT_TRUE(isWritable(fresh, size));
    const std::vector<unsigned char> zeros(size, 0);
    EXPECT_EQ(0, std::memcmp(fresh, zeros.data(), size));
    munmap(fresh, size);
  }
}
#endif
