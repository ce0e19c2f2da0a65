// Where the running program lies, for the programs built beside the SDK
// (zyvscope, the test suites).
#pragma once

#include <string>

namespace hostpaths {

// The separator that ends a folder name on this host.
char separator();
// Folder of the running program, ending with the separator; empty when the
// system cannot tell.
std::string programFolder();

}  // namespace hostpaths
