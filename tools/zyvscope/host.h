// What zyvscope needs of the host: its own folder, paths, folders and
// whether standard error is a terminal.
#pragma once

#include <string>

#include "program_folder.h"

namespace zyvscope::host {

using hostpaths::programFolder;  // ends with the separator
using hostpaths::separator;
bool isFolder(const std::string& path);
bool isFile(const std::string& path);
bool makeFolder(const std::string& path);  // true when it exists afterwards
std::string absolutePath(const std::string& path);
std::string joinPath(const std::string& folder, const std::string& name);
bool stderrIsTerminal();
void sleepMilliseconds(int ms);

}  // namespace zyvscope::host
