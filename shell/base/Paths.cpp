#include "shell/base/Paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "platform/Environment.h"
#include "platform/Files.h"
#include "shell/base/GlobalRanks.h"

namespace Kivo {

KIVO_GLOBAL_RANK(kRankUserDataFolder) std::string gUserDataFolder;

namespace {

constexpr uint32_t kPlatformWin32Windows = 1;  // the 95 family
constexpr uint32_t kPlatformWin32Nt = 2;

struct SystemVersion {
  uint32_t platformId = kPlatformWin32Nt;
  uint32_t majorVersion = 6;
};
SystemVersion gSystemVersion;

struct CachedAnswer {
  bool notAsked = true;
  bool answer = false;
};
CachedAnswer gWin9xAnswer;
CachedAnswer gVistaAnswer;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

size_t LastSeparator(const std::string& path) { return path.find_last_of("\\/"); }

bool HasDrive(const std::string& path) { return path.size() >= 2 && path[1] == ':'; }

// The host spelling of a Windows-style path through the platform's file
// rules (either separator, case-insensitive fallback for names made on a
// case-insensitive system); empty for a drive-qualified one, which has no
// counterpart on this system.
std::string HostPath(const std::string& path) {
  if (HasDrive(path)) return std::string();
  return Platform::HostPath(path);
}

// Windows wildcard match: '*' any run, '?' one character, case-insensitive
// for ASCII letters, and a pattern ending in ".*" also matches names without
// an extension ("*.*" matches everything).
bool WildcardMatch(const char* name, const char* pattern) {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
  const char* starPattern = nullptr;
  const char* starName = nullptr;
  while (*name) {
    if (*pattern == '?' || (*pattern && *pattern != '*' && lower(*pattern) == lower(*name))) {
      ++pattern;
      ++name;
    } else if (*pattern == '*') {
      starPattern = pattern++;
      starName = name;
    } else if (starPattern) {
      pattern = starPattern + 1;
      name = ++starName;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  if (pattern[0] == '.' && pattern[1] == '*') {
    pattern += 2;
    while (*pattern == '*') ++pattern;
  }
  return *pattern == '\0';
}

bool RemoveFolderContents(int folderFd) {
  DIR* listing = fdopendir(folderFd);
  if (!listing) {
    close(folderFd);
    return false;
  }
  bool ok = true;
  while (dirent* entry = readdir(listing)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat st;
    if (fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      ok = false;
      continue;
    }
    if (S_ISDIR(st.st_mode)) {
      const int sub = openat(folderFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (sub < 0 || !RemoveFolderContents(sub)) ok = false;
      if (unlinkat(folderFd, name.c_str(), AT_REMOVEDIR) != 0) ok = false;
    } else if (unlinkat(folderFd, name.c_str(), 0) != 0) {
      // Files and links alike: a link goes, its target stays.
      ok = false;
    }
  }
  closedir(listing);
  return ok;
}

}  // namespace

bool IsWin9x() {
  if (gWin9xAnswer.notAsked) {
    gWin9xAnswer.answer = gSystemVersion.platformId == kPlatformWin32Windows;
    gWin9xAnswer.notAsked = false;
  }
  return gWin9xAnswer.answer;
}

bool IsVistaOrLater() {
  if (gVistaAnswer.notAsked) {
    gVistaAnswer.answer = gSystemVersion.majorVersion >= 6;
    gVistaAnswer.notAsked = false;
  }
  return gVistaAnswer.answer;
}

void SetSystemVersionForTesting(uint32_t platformId, uint32_t majorVersion) {
  gSystemVersion.platformId = platformId;
  gSystemVersion.majorVersion = majorVersion;
  gWin9xAnswer = CachedAnswer();
  gVistaAnswer = CachedAnswer();
}

std::string UserDataFolder() { return gUserDataFolder; }

std::FILE* OpenReportFile(const std::string& name, const char* mode, std::string* where) {
  std::FILE* file = std::fopen(name.c_str(), mode);
  std::string path = name;
  if (file == nullptr) {
    std::string folder = UserDataFolder();
    if (folder.empty()) folder = Platform::DataRoot() + "/";
    Platform::MakeHostFolders(Platform::HostPath(folder));
    path = folder + name;
    file = Platform::OpenFile(path, mode);
  }
  if (file != nullptr && where != nullptr) *where = path;
  return file;
}

void SetUserDataFolder(const std::string& folder) {
  if (!IsVistaOrLater()) return;
  std::string stored = folder;
  if (!stored.empty() && !IsSeparator(stored.back())) stored += '\\';
  gUserDataFolder = stored;
}

std::string ResolvePath(const std::string& path, const std::string& base) {
  if (HasDrive(path)) return path;
  const bool backslash = path.find('\\') != std::string::npos || base.find('\\') != std::string::npos;
  const char sep = backslash ? '\\' : '/';

  std::string drive;
  std::string folder = base;
  if (HasDrive(base)) {
    drive = base.substr(0, 2);
    folder = base.substr(2);
  }
  if (!folder.empty() && !IsSeparator(folder.back())) folder += sep;

  std::string rest = path;
  for (size_t cut; (cut = rest.find_first_of("\\/")) != std::string::npos;) {
    const std::string segment = rest.substr(0, cut);
    rest.erase(0, cut + 1);
    if (segment == "..") {
      if (folder.empty()) {
        // Nothing left to climb: keep the step.
        folder = std::string("..") + sep;
      } else if (folder.size() == 1) {
        folder.clear();  // only the root separator
      } else {
        const size_t trailing = folder.size() - 1;
        size_t start = trailing;
        while (start > 0 && !IsSeparator(folder[start - 1])) --start;
        if (folder.compare(start, trailing - start, "..") == 0 && trailing - start == 2) {
          folder += std::string("..") + sep;  // a base of ".." steps climbs further
        } else {
          folder.erase(start);
        }
      }
    } else if (segment == ".") {
      continue;
    } else if (segment.empty()) {
      folder = std::string(1, sep);
      break;
    } else {
      folder += segment + sep;
      break;
    }
  }
  std::string result = drive + folder + rest;
  std::replace(result.begin(), result.end(), backslash ? '/' : '\\', sep);
  return result;
}

void MakeFolders(const std::string& path) {
  const std::string host = HostPath(path);
  for (size_t i = 0; i < host.size(); ++i) {
    if (host[i] == '/' && i > 0) mkdir(host.substr(0, i).c_str(), 0777);
  }
  if (!host.empty()) mkdir(host.c_str(), 0777);
}

bool RemoveTree(const std::string& folder) {
  if (folder.size() < 2) return false;
  std::string host = HostPath(folder);
  // A trailing separator would make open() follow a link named by the path.
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  if (host.empty() || host == "/") return false;
  const int fd = open(host.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  // Spellings such as "/." or "/tmp/.." still name the root.
  struct stat folderStat, rootStat;
  if (fstat(fd, &folderStat) != 0 || stat("/", &rootStat) != 0 ||
      (folderStat.st_dev == rootStat.st_dev && folderStat.st_ino == rootStat.st_ino)) {
    close(fd);
    return false;
  }
  bool ok = RemoveFolderContents(fd);
  if (rmdir(host.c_str()) != 0) ok = false;
  return ok;
}

std::string PathFileName(const std::string& path, bool cutExtension) {
  const size_t sep = LastSeparator(path);
  const size_t start = (sep == std::string::npos) ? 0 : sep + 1;
  if (cutExtension) {
    const size_t dot = path.rfind('.');
    if (dot != std::string::npos && (sep == std::string::npos || dot > sep)) return path.substr(start, dot - start);
  }
  return path.substr(start);
}

std::string PathFolder(const std::string& path, bool keepSeparator) {
  const size_t sep = LastSeparator(path);
  if (sep == std::string::npos) return std::string();
  return path.substr(0, keepSeparator ? sep + 1 : sep);
}

std::string StripTrailingSlash(const std::string& path) {
  if (!path.empty() && IsSeparator(path.back())) return path.substr(0, path.size() - 1);
  return path;
}

std::string EnsureTrailingSlash(const std::string& path, bool backslash) {
  if (path.empty() || IsSeparator(path.back())) return path;
  return path + (backslash ? '\\' : '/');
}

int64_t FileModifiedTime(const std::string& path) {
  std::string host = HostPath(path);
  const size_t sep = host.rfind('/');
  const std::string name = (sep == std::string::npos) ? host : host.substr(sep + 1);
  if (name.find_first_of("*?") != std::string::npos) {
    const std::string folder = (sep == std::string::npos) ? "." : (sep == 0 ? "/" : host.substr(0, sep));
    DIR* listing = opendir(folder.c_str());
    if (!listing) return 0;
    std::vector<std::string> matches;
    while (dirent* entry = readdir(listing)) {
      const std::string entryName = entry->d_name;
      if (entryName != "." && entryName != ".." && WildcardMatch(entryName.c_str(), name.c_str()))
        matches.push_back(entryName);
    }
    closedir(listing);
    if (matches.empty()) return 0;
    host = (sep == std::string::npos ? std::string() : host.substr(0, sep + 1)) +
           *std::min_element(matches.begin(), matches.end());
  }
  struct stat st;
  if (host.empty() || stat(host.c_str(), &st) != 0) return 0;
  // Through 100 ns units, truncating toward zero like the file-time arithmetic.
  const int64_t ticks = static_cast<int64_t>(st.st_mtim.tv_sec) * 10000000 + st.st_mtim.tv_nsec / 100;
  return ticks / 10000000;
}

}  // namespace Kivo
