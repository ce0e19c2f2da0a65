// A file of zyvscope's own in the system's temporary folder, removed when
// the object ends.
#pragma once

#include <string>

namespace zyvscope {

class ScratchFile {
 public:
  // Creates the file with `content`; path() is empty when that failed.
  explicit ScratchFile(const std::string& content);
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace zyvscope
