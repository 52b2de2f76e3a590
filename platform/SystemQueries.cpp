// Screen device context, system folder and read-only file handles.
#include "platform/SystemQueries.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <mutex>
#include <set>
#include <string>

#include "platform/Files.h"

namespace {

constexpr const char* kSystemFolder = "/usr/lib";

struct FileHandle {
  int fd;
};

struct OpenFiles {
  std::mutex mutex;
  std::set<FileHandle*> handles;
};

OpenFiles& Files() {
  static OpenFiles files;
  return files;
}

// The handle when it is an open file of ours, else null. Callers hold the lock.
FileHandle* Find(OpenFiles& files, HANDLE handle) {
  auto* file = static_cast<FileHandle*>(handle);
  return files.handles.count(file) != 0 ? file : nullptr;
}

FILETIME FromTimespec(const struct timespec& ts) {
  const std::int64_t units = static_cast<std::int64_t>(ts.tv_sec) * 10000000 + ts.tv_nsec / 100;
  const std::uint64_t value = static_cast<std::uint64_t>(units + static_cast<std::int64_t>(kFileTimeUnixEpoch));
  FILETIME out;
  out.dwLowDateTime = static_cast<DWORD>(value & 0xFFFFFFFFu);
  out.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return out;
}

}  // namespace

UINT GetSystemDirectoryA(char* buffer, UINT size) {
  const UINT length = static_cast<UINT>(std::strlen(kSystemFolder));
  if (buffer == nullptr || size < length + 1) return length + 1;
  std::memcpy(buffer, kSystemFolder, length + 1);
  return length;
}

HANDLE CreateFileA(const char* path, DWORD access, DWORD, void*, DWORD creation, DWORD, HANDLE) {
  if (path == nullptr || *path == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  // Only reading an existing file is needed; nothing here writes through a handle.
  if ((access & ~GENERIC_READ) != 0 || creation != OPEN_EXISTING) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  const int fd = ::open(Platform::HostPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    SetLastError(errno == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  auto* file = new FileHandle{fd};
  OpenFiles& files = Files();
  std::lock_guard<std::mutex> lock(files.mutex);
  files.handles.insert(file);
  return file;
}

BOOL GetFileTime(HANDLE handle, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) {
  struct stat st;
  {
    OpenFiles& files = Files();
    std::lock_guard<std::mutex> lock(files.mutex);
    FileHandle* file = Find(files, handle);
    if (file == nullptr || ::fstat(file->fd, &st) != 0) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
  }
  // The host keeps no creation time: the last status change stands in.
  if (creation != nullptr) *creation = FromTimespec(st.st_ctim);
  if (lastAccess != nullptr) *lastAccess = FromTimespec(st.st_atim);
  if (lastWrite != nullptr) *lastWrite = FromTimespec(st.st_mtim);
  return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* time, SYSTEMTIME* out) {
  if (time == nullptr || out == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::uint64_t value = (static_cast<std::uint64_t>(time->dwHighDateTime) << 32) | time->dwLowDateTime;
  // Windows refuses times with the top bit set.
  if ((value >> 63) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::int64_t sinceUnix = static_cast<std::int64_t>(value) - static_cast<std::int64_t>(kFileTimeUnixEpoch);
  std::int64_t seconds = sinceUnix / 10000000;
  std::int64_t rest = sinceUnix % 10000000;
  if (rest < 0) {
    rest += 10000000;
    --seconds;
  }
  const time_t t = static_cast<time_t>(seconds);
  std::tm tm{};
  if (gmtime_r(&t, &tm) == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  out->wYear = static_cast<WORD>(tm.tm_year + 1900);
  out->wMonth = static_cast<WORD>(tm.tm_mon + 1);
  out->wDayOfWeek = static_cast<WORD>(tm.tm_wday);
  out->wDay = static_cast<WORD>(tm.tm_mday);
  out->wHour = static_cast<WORD>(tm.tm_hour);
  out->wMinute = static_cast<WORD>(tm.tm_min);
  out->wSecond = static_cast<WORD>(tm.tm_sec);
  out->wMilliseconds = static_cast<WORD>(rest / 10000);
  return TRUE;
}

namespace Platform {

bool CloseFileHandle(HANDLE handle) {
  OpenFiles& files = Files();
  std::lock_guard<std::mutex> lock(files.mutex);
  FileHandle* file = Find(files, handle);
  if (file == nullptr) return false;
  ::close(file->fd);
  files.handles.erase(file);
  delete file;
  return true;
}

}  // namespace Platform
