// Windows-style file calls over the host file system.
//
// The game data was authored on a case-insensitive file system with '\'
// separators, so every path given here goes through one rule set:
//   - '\' and '/' both separate; repeated separators collapse;
//   - a leading separator makes the path absolute, anything else is relative
//     to the working folder;
//   - each component that does not exist with the exact spelling is looked up
//     case-insensitively (ASCII letters) in its folder; when several names
//     differ only in case, the exact spelling wins, else the smallest byte-wise;
//   - a component that is not found keeps its spelling (so files can be made).
// Listings follow the Windows wildcard rules: '*' and '?', matched without
// regard to ASCII case; a pattern ending in ".*" also matches names without
// that extension ("*.*" lists every name). "." and ".." are listed like
// Windows lists them in a folder. Symbolic links are reported as links
// (FILE_ATTRIBUTE_REPARSE_POINT) and never as folders, so tree walks do not
// follow them. Failures return null / INVALID_HANDLE_VALUE / FALSE and set
// GetLastError; nothing here throws.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;

// Difference between the Windows file-time epoch (1601) and 1970, in 100 ns.
constexpr std::uint64_t kFileTimeUnixEpoch = 116444736000000000ull;

struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  char cFileName[MAX_PATH];
};

// Listing of the entries matching a path whose last component may hold
// wildcards. The handle is released by FindClose.
HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data);
BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data);
BOOL FindClose(HANDLE find);

BOOL DeleteFileA(const char* path);
BOOL CreateDirectoryA(const char* path, void* securityAttributes);
BOOL RemoveDirectoryA(const char* path);
DWORD GetFileAttributesA(const char* path);

namespace Platform {

// One entry of a folder listing.
struct FileEntry {
  std::string name;             // the name as stored on disk
  DWORD attributes = 0;         // FILE_ATTRIBUTE_* bits
  std::uint64_t size = 0;       // bytes (of the link itself for a symbolic link)
  std::uint64_t writeTime = 0;  // 100 ns units since 1601-01-01 UTC
};

// The host path a Windows-style path names (see the rules above). An empty
// path stays empty.
std::string HostPath(const std::string& path);

// fopen with the path rules; the mode is the C mode ("rb", "w+b", "w", "a+"...,
// a 't' is dropped). A folder cannot be opened as a file.
std::FILE* OpenFile(const std::string& path, const char* mode);

// Every entry matching the pattern, in byte-wise name order, without "." and
// "..". Empty when the folder is missing or nothing matches.
std::vector<FileEntry> ListFiles(const std::string& pattern);

// Windows wildcard match of one name against one pattern component.
bool MatchesPattern(const std::string& name, const std::string& pattern);

// True when the path names an existing file or folder (links not followed).
bool PathExists(const std::string& path);

// The last-write time in 100 ns units since 1601, 0 when the path is missing.
std::uint64_t FileWriteTime(const std::string& path);

}  // namespace Platform
