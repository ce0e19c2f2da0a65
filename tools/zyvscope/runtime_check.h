// Why a runtime file cannot serve, found by looking at the file itself: the
// library's start-up reports one code for several causes.
#pragma once

#include <cstdint>
#include <string>

namespace zyvscope {

struct RuntimeDiagnosis {
  int32_t code = 0;     // 22 (file missing, too old, without version, not loadable), 23 (entries), 0 (fine)
  std::string reason;   // what a user can act on
};

// Looks at Zyvrun.dll in `folder` (empty: the current folder): present,
// with a version of at least 1.4.0.2, loadable, with the runtime's entries.
RuntimeDiagnosis diagnoseRuntime(const std::string& folder);

// The version record of a runtime file's bytes: false without one.
bool runtimeFileVersion(const std::string& bytes, uint32_t& major, uint32_t& minor, uint32_t& build,
                        uint32_t& revision);

}  // namespace zyvscope
