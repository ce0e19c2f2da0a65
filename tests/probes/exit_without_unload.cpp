// Opens two groups and ends the process without unloading the SDK, so that
// a test can see what the process exit, or a kill, leaves behind.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/sdk.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  auto* sdk = new sdktest::SdkModule();  // deliberately never unloaded
  if (!sdk->loaded()) return 3;
  if (SDK(uZyvSDKSetWorkDir)(argv[1]) != 1) return 4;
  for (uint32_t group : {0u, 1u}) {
    if (SDK(uZyvSDKSelectGroup)(group) != 1 || SDK(uZyvSDKInit)() <= 0) return 5;
  }
  std::printf("opened\n");
  std::fflush(stdout);
  // "wait": stays with both groups open until it is killed (a minute at most).
  if (argc > 2 && std::string(argv[2]) == "wait") {
    for (int second = 0; second < 60; ++second) sdktest::pauseOneSecond();
    return 6;
  }
  std::exit(0);
}
