// Start-up and teardown of the group table: the private runtime copies, the
// resolution of their entry points, and the shutdown of a group.
#pragma once

#include <cstdint>
#include <string>

#include "core/groups.h"

namespace uzyv {

// A fresh group table with the current slot prepared and its entry points
// resolved; a table left by an earlier, failed start-up is discarded first.
bool startUpGroups();
// The library's start-up, run by the first call that needs the group table
// while `initialised` is false: the group table, then the processing state
// that depends on it. The library object carries it out.
void startIfNeeded();

bool prepareCurrentSlot();
bool resolveEntryPoints();  // LastError 23 on failure
void clearEntryPoints();
std::string runtimeFilePath();

// Shuts the current group down when it is open: the runtime's answer, 1
// when it was not asked.
int32_t shutdownCurrentGroup();

// The two steps of the teardown. The first shuts down every open group and
// unloads every copy; at process exit the copies have already been detached
// by the system, so they are neither called nor unloaded. The second unloads
// what is still loaded, deletes the temporary files (on Windows the system
// deletes each file once its module is unmapped) and drops the table.
void releaseRuntimeCopies(bool processExit);
void discardGroupTable();

}  // namespace uzyv
