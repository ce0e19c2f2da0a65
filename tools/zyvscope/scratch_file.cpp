#include "scratch_file.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace zyvscope {

ScratchFile::ScratchFile(const std::string& content) {
#if defined(_WIN32)
  char folder[MAX_PATH + 1] = {}, name[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathA(MAX_PATH, folder);
  if (n == 0 || n > MAX_PATH || GetTempFileNameA(folder, "zvs", 0, name) == 0) return;
  path_ = name;
  std::FILE* f = std::fopen(name, "wb");
#else
  const char* dir = std::getenv("TMPDIR");
  std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/zyvscope-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  const int fd = mkstemp(buffer.data());
  if (fd < 0) return;
  path_ = buffer.data();
  std::FILE* f = fdopen(fd, "wb");
  if (!f) close(fd);
#endif
  const bool written = f && std::fwrite(content.data(), 1, content.size(), f) == content.size();
  if (f && std::fclose(f) != 0) f = nullptr;
  if (!written || !f) {
    std::remove(path_.c_str());
    path_.clear();
  }
}

ScratchFile::~ScratchFile() {
  if (!path_.empty()) std::remove(path_.c_str());
}

}  // namespace zyvscope
