// The narrow interface between the library and the host system. Everything
// above it is host-neutral; platform_win32.cpp and platform_posix.cpp give the
// same meaning on both hosts (on POSIX "/" stands for the backslash).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace uzyv::platform {

using Module = void*;

// Path separator that ends a folder name.
char folderSeparator();

// A private module instance from a file; null on failure. Loading the same
// file twice under different names gives two independent instances.
Module loadModule(const std::string& path);
void* findSymbol(Module module, const char* name);
void unloadModule(Module module);

// Fixed file-information version of a file: most and least significant
// file-version words. False when the file has no version resource.
bool fileVersion(const std::string& path, uint32_t& mostSignificant, uint32_t& leastSignificant);

// The folder for temporary files, ending with the separator; false when the
// system cannot tell it within `capacity` characters.
bool tempFolder(std::string& folder, std::size_t capacity);
// Creates a new, empty file with a unique name starting with `prefix`.
bool createUniqueFile(const std::string& folder, const char* prefix, std::string& path);
// Copies `from` onto `to`, overwriting it.
bool copyFileOver(const std::string& from, const std::string& to);
bool deleteFile(const std::string& path);
// Arranges for a file to be deleted by the system once nothing uses it any
// more, also when it is still mapped as a module at that time; null when the
// host cannot. releaseDeletion gives the arrangement up, which deletes the
// file as soon as it is no longer mapped. On POSIX the arrangement holds the
// file open, so that its name can go once the module is loaded.
void* arrangeDeletion(const std::string& path);
void releaseDeletion(void* arrangement);
// Called right after a module was loaded from `path` under that arrangement.
// True when the file's name is gone now, so that no process end can leave
// the file behind: on POSIX it is unlinked, the mapping and the held file
// keep it, and `reloadPath` names it for loading it again while the
// arrangement lasts. False when the file keeps its name until it is deleted;
// `reloadPath` is then `path`.
bool forgetLoadedFile(const std::string& path, void* arrangement, std::string& reloadPath);
bool canOpenForReading(const std::string& path);

bool currentFolder(std::string& folder, std::size_t capacity);
bool setCurrentFolder(const std::string& folder);

uint32_t tickCount();
void sleepMs(uint32_t milliseconds);

// True when every byte of [p, p + size) can be written. Never faults: null,
// unmapped and read-only memory are all "not writable". Size 0 is writable.
bool isWritable(const void* p, std::size_t size);

// The initialisation trace file's full path.
std::string traceFilePath();

}  // namespace uzyv::platform

namespace uzyv {
// Provided by the library, called by the back-end when the library module is
// loaded and unloaded. `processExit` is true when the whole process ends
// without the module having been unloaded first.
void libraryLoaded();
void libraryUnloading(bool processExit);
}  // namespace uzyv
