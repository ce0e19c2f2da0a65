// Test support: files, folders and guarded memory on the test's host.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace sdktest {

std::string systemTempFolder();  // ends with the separator
bool makeFolder(const std::string& path);
void removeTree(const std::string& path);
std::vector<std::string> listFolder(const std::string& folder);  // file names, sorted
bool copyFile(const std::string& from, const std::string& to);
bool writeFile(const std::string& path, const std::string& content);
std::string readFile(const std::string& path);
bool removeFile(const std::string& path);
void setEnvironment(const char* name, const std::string& value);
std::string currentFolder();
void pauseOneSecond();
// The descriptors open in this process (POSIX; listed in /proc/self/fd).
int openDescriptors();

// A folder of the test's own, which is also the system's temporary folder
// for the SDK while it exists.
class PrivateTemp {
 public:
  PrivateTemp();
  ~PrivateTemp();
  PrivateTemp(const PrivateTemp&) = delete;
  PrivateTemp& operator=(const PrivateTemp&) = delete;
  const std::string& path() const { return path_; }  // ends with the separator

 private:
  std::string path_;
  std::vector<std::pair<std::string, std::string>> saved_;
};

// `size` writable bytes followed directly by a page that faults on access.
class GuardedBuffer {
 public:
  explicit GuardedBuffer(std::size_t size);
  ~GuardedBuffer();
  GuardedBuffer(const GuardedBuffer&) = delete;
  GuardedBuffer& operator=(const GuardedBuffer&) = delete;
  void* data() const { return data_; }
  // A read-only block of the same size.
  void makeReadOnly();

 private:
  void* base_ = nullptr;
  std::size_t total_ = 0;
  void* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t page_ = 0;
};

}  // namespace sdktest
