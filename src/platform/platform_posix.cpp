// POSIX back-end of the platform layer, with the meaning of the Win32 one.
#include "platform/platform.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace uzyv::platform {

char folderSeparator() { return '/'; }

Module loadModule(const std::string& path) {
  // RTLD_LOCAL keeps each copy's symbols to itself; distinct files give
  // distinct instances with their own globals.
  return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* findSymbol(Module module, const char* name) {
  return module ? dlsym(module, name) : nullptr;
}

void unloadModule(Module module) {
  if (module) dlclose(module);
}

namespace {
constexpr uint32_t kFixedInfoSignature = 0xFEEF04BDu;
constexpr std::size_t kFixedInfoSize = 52;

uint32_t readLe32(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
}  // namespace

bool fileVersion(const std::string& path, uint32_t& mostSignificant, uint32_t& leastSignificant) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The first 4-byte-aligned fixed file-information record in the file.
  for (std::size_t at = 0; at + kFixedInfoSize <= bytes.size(); at += 4) {
    if (readLe32(&bytes[at]) != kFixedInfoSignature) continue;
    mostSignificant = readLe32(&bytes[at + 8]);
    leastSignificant = readLe32(&bytes[at + 12]);
    return true;
  }
  return false;
}

bool tempFolder(std::string& folder, std::size_t capacity) {
  const char* dir = std::getenv("TMPDIR");
  std::string result = (dir && *dir) ? dir : "/tmp";
  if (result.back() != '/') result += '/';
  if (result.size() + 1 > capacity) return false;
  folder = result;
  return true;
}

bool createUniqueFile(const std::string& folder, const char* prefix, std::string& path) {
  std::string pattern = folder + prefix + "XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  int fd = mkstemp(buffer.data());
  if (fd < 0) return false;
  close(fd);
  path = buffer.data();
  return true;
}

bool copyFileOver(const std::string& from, const std::string& to) {
  std::ifstream in(from, std::ios::binary);
  if (!in) return false;
  std::ofstream out(to, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out << in.rdbuf();
  out.flush();
  return bool(out);
}

bool deleteFile(const std::string& path) { return unlink(path.c_str()) == 0; }

// A loaded shared object can be unlinked at any time: the mapping keeps the
// file. The arrangement is a close-on-exec descriptor of the file, through
// which it can be loaded again after its name is gone.
namespace {
void* heldFile(int fd) { return reinterpret_cast<void*>(intptr_t(fd) + 1); }
int heldDescriptor(void* arrangement) { return int(reinterpret_cast<intptr_t>(arrangement) - 1); }
}  // namespace

void* arrangeDeletion(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  return fd < 0 ? nullptr : heldFile(fd);
}

void releaseDeletion(void* arrangement) {
  if (arrangement) close(heldDescriptor(arrangement));
}

bool forgetLoadedFile(const std::string& path, void* arrangement, std::string& reloadPath) {
  reloadPath = path;
  if (!arrangement) return false;
  const std::string held = "/proc/self/fd/" + std::to_string(heldDescriptor(arrangement));
  if (access(held.c_str(), R_OK) != 0 || unlink(path.c_str()) != 0) return false;
  reloadPath = held;
  return true;
}

bool canOpenForReading(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  close(fd);
  return true;
}

bool currentFolder(std::string& folder, std::size_t capacity) {
  std::vector<char> buffer(capacity + 1, '\0');
  if (!getcwd(buffer.data(), buffer.size())) return false;
  folder = buffer.data();
  return true;
}

bool setCurrentFolder(const std::string& folder) { return chdir(folder.c_str()) == 0; }

uint32_t tickCount() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return uint32_t(uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u);
}

void sleepMs(uint32_t milliseconds) {
  timespec ts{time_t(milliseconds / 1000u), long(milliseconds % 1000u) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

namespace {
// A span of the caller's memory to be checked: [first, last], both included.
struct Span {
  uintptr_t first;
  uintptr_t last;
};

enum class Answer { kWritable, kNotWritable, kUnknown };

// One byte of every page the span touches, and its last byte: the places at
// which a write can fault.
template <class Visit>
bool forEachProbePoint(const Span& span, Visit&& visit) {
  const auto page = uintptr_t(sysconf(_SC_PAGESIZE));
  for (uintptr_t at = span.first;; at = (at / page + 1) * page) {
    if (!visit(at)) return false;
    if (span.last / page == at / page) break;
  }
  return span.last == span.first || visit(span.last);
}

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23  // Linux 5.14 and later
#endif

// Asks the kernel to make the span's pages present for writing, as a write
// to each would, without writing anything: the contents stay as they are.
// It succeeds only when every page is mapped writable and can be written
// without a fault: one call, without the page pinning of a copy, so this is
// the check's fast path. It only ever says yes; every refusal (a hole, a
// read-only or inaccessible page, a kernel that does not know the request,
// a filter that forbids it, a mapping it does not populate, a lack of
// memory) is left to the copy below, which decides.
Answer askKernelToPopulate(const Span& span) {
  const auto page = uintptr_t(sysconf(_SC_PAGESIZE));
  const uintptr_t start = span.first / page * page;
  const uintptr_t length = (span.last / page - start / page + 1) * page;
  const bool populated = madvise(reinterpret_cast<void*>(start), length, MADV_POPULATE_WRITE) == 0;
  return populated ? Answer::kWritable : Answer::kUnknown;
}

// The kernel copies each probe point out of the process and the same byte
// back in through process_vm_readv/process_vm_writev on the process itself.
// It reports EFAULT where a copy would fault and writes nothing to a page
// that is not writable, so the memory stays as it was. Nothing is kept from
// one call to the next, so that a forked child or a later load of the
// library shares nothing with this one. Unknown when the system refuses the
// calls (kernels without them, or filters that forbid them).
Answer probeThroughKernelCopy(const Span& span) {
  constexpr std::size_t kBatch = 64;  // probe points per pair of calls
  iovec remote[kBatch];
  unsigned char bytes[kBatch];
  std::size_t count = 0;
  const pid_t self = getpid();
  Answer answer = Answer::kWritable;
  // False once the answer is known to be other than writable.
  auto flush = [&]() -> bool {
    iovec local{bytes, count};
    const auto expected = ssize_t(count);
    ssize_t done = process_vm_readv(self, &local, 1, remote, count, 0);
    // Only the bytes just read go back, and only when all of them were read.
    if (done == expected) done = process_vm_writev(self, &local, 1, remote, count, 0);
    if (done == expected) {
      count = 0;
      return true;
    }
    answer = done < 0 && (errno == ENOSYS || errno == EPERM) ? Answer::kUnknown : Answer::kNotWritable;
    return false;
  };
  const bool all = forEachProbePoint(span, [&](uintptr_t at) {
    remote[count++] = iovec{reinterpret_cast<void*>(at), 1};
    return count < kBatch || flush();
  });
  if (all && count > 0) flush();
  return answer;
}

// The same copy out and back through a pipe made for this call only, for
// systems that refuse the calls above. A byte whose copy back fails goes
// with the pipe, which is closed before the call returns.
bool probeThroughPipe(const Span& span) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  const bool writable = forEachProbePoint(span, [&](uintptr_t at) {
    auto* p = reinterpret_cast<unsigned char*>(at);
    return write(ends[1], p, 1) == 1 && read(ends[0], p, 1) == 1;
  });
  close(ends[0]);
  close(ends[1]);
  return writable;
}

// The kernel's binary query for the mapping at an address (Linux 6.11 and
// later), asked of the process's map list; the layout is the kernel's.
struct MappingQuery {
  uint64_t size;         // of this record
  uint64_t queryFlags;   // 0: the mapping that covers queryAddress
  uint64_t queryAddress;
  uint64_t start;        // the mapping found: [start, end)
  uint64_t end;
  uint64_t flags;        // kMappingWritable and others
  uint64_t pageSize;
  uint64_t offset;
  uint64_t inode;
  uint32_t deviceMajor;
  uint32_t deviceMinor;
  uint32_t nameSize;     // 0: no name wanted
  uint32_t buildIdSize;  // 0: no build id wanted
  uint64_t nameAddress;
  uint64_t buildIdAddress;
};
static_assert(sizeof(MappingQuery) == 104, "the kernel's record");
constexpr unsigned long kQueryMapping = _IOWR('f', 17, MappingQuery);
constexpr uint64_t kMappingWritable = 0x02;

// Whether the span lies in writable mappings, one mapping at a time through
// the binary query: a few calls whatever the span's length or the number of
// mappings, and nothing of the span itself is read. Not writable where no
// mapping covers a byte; unknown when the system does not answer the query.
Answer queryMappings(const Span& span) {
  const int list = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
  if (list < 0) return Answer::kUnknown;
  Answer answer = Answer::kUnknown;
  uint64_t covered = span.first;  // everything below is known to be writable
  for (;;) {
    MappingQuery query{};
    query.size = sizeof query;
    query.queryAddress = covered;
    if (ioctl(list, kQueryMapping, &query) != 0) {
      if (errno == ENOENT) answer = Answer::kNotWritable;
      break;
    }
    if (query.start > covered || query.end <= covered || (query.flags & kMappingWritable) == 0) {
      answer = Answer::kNotWritable;
      break;
    }
    if (query.end > span.last) {
      answer = Answer::kWritable;
      break;
    }
    covered = query.end;  // strictly higher: the walk ends
  }
  close(list);
  return answer;
}

// The same from the text of the map list (sorted by address), for kernels
// without the query: one read of a short file. Unknown when the list cannot
// be read.
Answer lookUpMappings(const Span& span) {
  std::FILE* maps = std::fopen("/proc/self/maps", "re");
  if (!maps) return Answer::kUnknown;
  Answer answer = Answer::kNotWritable;
  uintptr_t covered = span.first;  // everything below is known to be writable
  char* line = nullptr;
  std::size_t capacity = 0;
  while (getline(&line, &capacity, maps) > 0) {
    unsigned long start = 0, end = 0;
    char perms[5] = {};
    if (std::sscanf(line, "%lx-%lx %4s", &start, &end, perms) != 3) continue;
    if (end <= covered) continue;
    if (start > covered || perms[1] != 'w') break;
    covered = end;
    if (covered > span.last) {
      answer = Answer::kWritable;
      break;
    }
  }
  std::free(line);
  std::fclose(maps);
  return answer;
}

constexpr std::size_t kProbeLimit = 64 * 1024;  // longer buffers consult the map list
}  // namespace

bool isWritable(const void* p, std::size_t size) {
  if (size == 0) return true;
  if (!p) return false;
  const auto first = reinterpret_cast<uintptr_t>(p);
  if (first + (size - 1) < first) return false;
  const Span span{first, first + (size - 1)};
  Answer answer = Answer::kUnknown;
  if (size > kProbeLimit) {
    answer = queryMappings(span);
    if (answer == Answer::kUnknown) answer = lookUpMappings(span);
  } else {
    answer = askKernelToPopulate(span);
  }
  if (answer == Answer::kUnknown) answer = probeThroughKernelCopy(span);
  if (answer == Answer::kUnknown) return probeThroughPipe(span);
  return answer == Answer::kWritable;
}

std::string traceFilePath() {
  std::string folder;
  if (!tempFolder(folder, 4096)) folder = "/tmp/";
  return folder + "Init_TraceRec.txt";
}

}  // namespace uzyv::platform

// Load and unload hooks of the shared object.
__attribute__((constructor)) static void uzyvLibraryConstructor() { uzyv::libraryLoaded(); }
__attribute__((destructor)) static void uzyvLibraryDestructor() { uzyv::libraryUnloading(false); }
