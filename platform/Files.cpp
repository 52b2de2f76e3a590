// Windows-style file calls: path rules, wildcard listings, delete and folders.
#include "platform/Files.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoreCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

DWORD ErrnoToWin32(int err) {
  switch (err) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    default: return ERROR_ACCESS_DENIED;
  }
}

// The name in `folder` equal to `component` ignoring case: the exact spelling
// when it exists, else the smallest byte-wise match; empty when none.
std::string FindComponent(const std::string& folder, const std::string& component) {
  std::string probe = folder.empty() ? component : folder + component;
  struct stat st;
  if (::lstat(probe.c_str(), &st) == 0) return component;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return std::string();
  std::string best;
  while (dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (EqualIgnoreCase(name, component) && (best.empty() || name < best)) best = name;
  }
  ::closedir(dir);
  return best;
}

// Splits a Windows-style path into the host folder prefix (ending in '/', or
// empty for the working folder) of everything before the last component and
// that last component as written.
void SplitLast(const std::string& path, std::string* folder, std::string* last) {
  size_t cut = path.find_last_of("/\\");
  if (cut == std::string::npos) {
    folder->clear();
    *last = path;
    return;
  }
  std::string head = path.substr(0, cut);
  *last = path.substr(cut + 1);
  if (head.find_first_not_of("/\\") == std::string::npos) {
    *folder = "/";  // the path was "/name" (or "\\name")
    return;
  }
  *folder = Platform::HostPath(head);
  if (!folder->empty() && folder->back() != '/') *folder += '/';
}

std::uint64_t ToFileTime(const struct timespec& ts) {
  std::int64_t units = static_cast<std::int64_t>(ts.tv_sec) * 10000000 + ts.tv_nsec / 100;
  return static_cast<std::uint64_t>(units + static_cast<std::int64_t>(kFileTimeUnixEpoch));
}

Platform::FileEntry EntryFromStat(const std::string& name, const struct stat& st) {
  Platform::FileEntry entry;
  entry.name = name;
  if (S_ISLNK(st.st_mode))
    entry.attributes = FILE_ATTRIBUTE_REPARSE_POINT;
  else if (S_ISDIR(st.st_mode))
    entry.attributes = FILE_ATTRIBUTE_DIRECTORY;
  else
    entry.attributes = FILE_ATTRIBUTE_ARCHIVE;
  if ((st.st_mode & 0222) == 0) entry.attributes |= FILE_ATTRIBUTE_READONLY;
  entry.size = S_ISDIR(st.st_mode) ? 0 : static_cast<std::uint64_t>(st.st_size);
  entry.writeTime = ToFileTime(st.st_mtim);
  return entry;
}

bool HasWildcard(const std::string& s) { return s.find_first_of("*?") != std::string::npos; }

// Lists `pattern`; keeps "." and ".." when `withDots`.
std::vector<Platform::FileEntry> List(const std::string& pattern, bool withDots) {
  std::vector<Platform::FileEntry> result;
  std::string folder, last;
  SplitLast(pattern, &folder, &last);
  if (last.empty()) return result;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return result;
  std::vector<std::string> names;
  while (dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    bool dots = name == "." || name == "..";
    if (dots && !withDots) continue;
    if (Platform::MatchesPattern(name, last)) names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  // A plain name (no wildcard) names one entry: the exact spelling wins.
  if (!HasWildcard(last) && names.size() > 1) {
    auto exact = std::find(names.begin(), names.end(), last);
    std::string keep = exact != names.end() ? *exact : names.front();
    names.assign(1, keep);
  }
  for (const std::string& name : names) {
    struct stat st;
    if (::lstat((folder + name).c_str(), &st) != 0) continue;  // vanished meanwhile
    result.push_back(EntryFromStat(name, st));
  }
  return result;
}

bool WildMatch(const char* name, const char* pattern) {
  // Iterative '*' matching with one backtrack point: linear in practice and
  // never recursive, so hostile patterns cannot blow the stack.
  const char* starPattern = nullptr;
  const char* starName = nullptr;
  while (*name) {
    if (*pattern == '*') {
      starPattern = ++pattern;
      starName = name;
    } else if (*pattern == '?' || (*pattern && FoldAscii(*pattern) == FoldAscii(*name))) {
      ++pattern;
      ++name;
    } else if (starPattern) {
      pattern = starPattern;
      name = ++starName;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == 0;
}

struct FindState {
  std::vector<Platform::FileEntry> entries;
  size_t next = 0;
};

void FillFindData(const Platform::FileEntry& entry, WIN32_FIND_DATAA* data) {
  std::memset(data, 0, sizeof(*data));
  data->dwFileAttributes = entry.attributes;
  data->ftLastWriteTime.dwLowDateTime = static_cast<DWORD>(entry.writeTime);
  data->ftLastWriteTime.dwHighDateTime = static_cast<DWORD>(entry.writeTime >> 32);
  data->ftCreationTime = data->ftLastWriteTime;
  data->ftLastAccessTime = data->ftLastWriteTime;
  data->nFileSizeLow = static_cast<DWORD>(entry.size);
  data->nFileSizeHigh = static_cast<DWORD>(entry.size >> 32);
  // Host names are at most 255 bytes, so they always fit with the terminator.
  std::strncpy(data->cFileName, entry.name.c_str(), sizeof(data->cFileName) - 1);
}

}  // namespace

namespace Platform {

std::string HostPath(const std::string& path) {
  if (path.empty()) return path;
  std::string result;
  size_t pos = 0;
  if (path[0] == '/' || path[0] == '\\') result = "/";
  bool searching = true;  // once a component is missing, the rest stays as written
  while (pos <= path.size()) {
    size_t end = path.find_first_of("/\\", pos);
    if (end == std::string::npos) end = path.size();
    std::string component = path.substr(pos, end - pos);
    pos = end + 1;
    if (component.empty()) continue;
    if (!result.empty() && result.back() != '/') result += '/';
    if (component == "." || component == ".." || !searching) {
      result += component;
      continue;
    }
    std::string found = FindComponent(result, component);
    if (found.empty()) {
      searching = false;
      result += component;
    } else {
      result += found;
    }
  }
  return result;
}

std::FILE* OpenFile(const std::string& path, const char* mode) {
  if (path.empty() || !mode) {
    errno = ENOENT;
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  std::string hostMode;
  for (const char* m = mode; *m; ++m)
    if (*m != 't') hostMode += *m;
  std::string host = HostPath(path);
  struct stat st;
  if (::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  std::FILE* file = std::fopen(host.c_str(), hostMode.c_str());
  if (!file) SetLastError(ErrnoToWin32(errno));
  return file;
}

std::vector<FileEntry> ListFiles(const std::string& pattern) { return List(pattern, false); }

bool MatchesPattern(const std::string& name, const std::string& pattern) {
  if (name.find('\0') != std::string::npos || pattern.find('\0') != std::string::npos) return false;
  if (WildMatch(name.c_str(), pattern.c_str())) return true;
  // Windows lets "x.*" match "x" as well, which makes "*.*" list everything.
  if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0)
    return WildMatch(name.c_str(), pattern.substr(0, pattern.size() - 2).c_str());
  return false;
}

bool PathExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::lstat(HostPath(path).c_str(), &st) == 0;
}

std::uint64_t FileWriteTime(const std::string& path) {
  struct stat st;
  if (path.empty() || ::lstat(HostPath(path).c_str(), &st) != 0) return 0;
  return ToFileTime(st.st_mtim);
}

}  // namespace Platform

HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data) {
  if (!pattern || !data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  FindState* state = new FindState;
  state->entries = List(pattern, true);
  if (state->entries.empty()) {
    delete state;
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  FillFindData(state->entries[0], data);
  state->next = 1;
  return state;
}

BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data) {
  if (!find || find == INVALID_HANDLE_VALUE || !data) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  FindState* state = static_cast<FindState*>(find);
  if (state->next >= state->entries.size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  FillFindData(state->entries[state->next++], data);
  return TRUE;
}

BOOL FindClose(HANDLE find) {
  if (!find || find == INVALID_HANDLE_VALUE) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  delete static_cast<FindState*>(find);
  return TRUE;
}

BOOL DeleteFileA(const char* path) {
  if (!path || !*path) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  std::string host = Platform::HostPath(path);
  struct stat st;
  if (::lstat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (::unlink(host.c_str()) != 0) {
    SetLastError(ErrnoToWin32(errno));
    return FALSE;
  }
  return TRUE;
}

BOOL CreateDirectoryA(const char* path, void*) {
  if (!path || !*path) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  if (::mkdir(Platform::HostPath(path).c_str(), 0777) != 0) {
    SetLastError(ErrnoToWin32(errno));
    return FALSE;
  }
  return TRUE;
}

BOOL RemoveDirectoryA(const char* path) {
  if (!path || !*path) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  std::string host = Platform::HostPath(path);
  struct stat st;
  // rmdir on a link to a folder fails on Linux too; say so plainly.
  if (::lstat(host.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  if (::rmdir(host.c_str()) != 0) {
    SetLastError(ErrnoToWin32(errno));
    return FALSE;
  }
  return TRUE;
}

DWORD GetFileAttributesA(const char* path) {
  if (!path || !*path) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  struct stat st;
  if (::lstat(Platform::HostPath(path).c_str(), &st) != 0) {
    SetLastError(ErrnoToWin32(errno));
    return INVALID_FILE_ATTRIBUTES;
  }
  return EntryFromStat("", st).attributes;
}
