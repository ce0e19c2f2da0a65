#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "uZyvSDK.h"
#include "zyvsim.h"

namespace fuzz {

void writeSeedsIfAsked(const Seeds& seeds) {
  const char* folder = std::getenv("UZYV_FUZZ_SEEDS");
  if (!folder || !*folder) return;
  int index = 0;
  for (const auto& seed : seeds) {
    const std::string path = std::string(folder) + "/seed-" + std::to_string(index++);
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
      std::fwrite(seed.data(), 1, seed.size(), f);
      std::fclose(f);
    }
  }
  std::exit(0);
}

void openSimulatedGroup() {
  char path[4096] = {};
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  std::string folder(path, n > 0 ? std::size_t(n) : 0);
  folder = folder.substr(0, folder.find_last_of('/') + 1) + "../sim/default/";
  zyvsim_defaults()->instrument = 0;
  if (uZyvSDKSetWorkDir(folder.c_str()) != 1 || uZyvSDKSelectGroup(0) != 1 || uZyvSDKInit() != 2) {
    std::fprintf(stderr, "cannot open the simulated group from %s\n", folder.c_str());
    std::abort();
  }
  forgetRuntimeLog();
}

void forgetRuntimeLog() { zyvsim_clear_log(0); }

}  // namespace fuzz
