// Paths, folders, the per-user data folder and the system version.
//
// Paths are narrow strings; '\' and '/' both separate. ResolvePath and the
// name functions are pure text operations. The folder calls (MakeFolders,
// RemoveTree, FileModifiedTime) work on the host file system through the
// platform's file rules: '\' becomes '/', a name missing in the exact case is
// found in any ASCII case, a path that starts with a drive such as "C:" names
// nothing here (there are no drives, and no folder named "C:" is ever made),
// and "*.*" matches every entry.
// RemoveTree never follows a symbolic link: a link inside the tree is removed
// itself, so nothing outside the tree is touched.
//
// The system version is a fixed answer (an NT-family system, major version 6)
// cached on first use; tests can replace it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace Kivo {

// Empty means the working folder; when set it ends in a separator.
extern std::string gUserDataFolder;

bool IsWin9x();
bool IsVistaOrLater();
// Replaces the version the two tests above report and clears their caches.
void SetSystemVersionForTesting(uint32_t platformId, uint32_t majorVersion);

std::string UserDataFolder();
// Stores the folder with a '\' added when it ends in no separator; does
// nothing on systems older than major version 6.
void SetUserDataFolder(const std::string& folder);

// Opens a report file ("crash.txt", "ScrError.txt") by name in the working
// folder; when that folder cannot be written (an installed game's own
// folder), in the per-user data folder instead (UserDataFolder, else the
// platform's data root). *where, when given, receives the path opened. Null
// when neither can be written.
std::FILE* OpenReportFile(const std::string& name, const char* mode, std::string* where = nullptr);

// Resolves path against base: leading "." and ".." segments climb the base,
// the first ordinary segment ends the resolving, a leading separator means the
// root of the base's drive and a drive-qualified path is taken as it is. The
// result uses '\' when either input has one, else '/'.
std::string ResolvePath(const std::string& path, const std::string& base);

// Creates every folder along the path; failures are ignored.
void MakeFolders(const std::string& path);
// Deletes the folder with everything in it; true only when all went. Names
// shorter than two characters and the root are refused.
bool RemoveTree(const std::string& folder);

std::string PathFileName(const std::string& path, bool cutExtension);
std::string PathFolder(const std::string& path, bool keepSeparator);
std::string StripTrailingSlash(const std::string& path);
std::string EnsureTrailingSlash(const std::string& path, bool backslash);

// Seconds since 1970-01-01 UTC of the last write, 0 when nothing is found. A
// wildcard name gives the first match in byte-wise name order.
int64_t FileModifiedTime(const std::string& path);

}  // namespace Kivo
