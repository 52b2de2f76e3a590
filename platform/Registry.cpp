// Windows registry calls over the file store of RegistryStore.cpp.
#include "platform/Registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/AtomicFile.h"
#include "platform/Environment.h"
#include "platform/Files.h"

namespace {

const char kValuesFile[] = "values.reg";

struct OpenKey {
  std::string folder;  // host path of the key's folder
};

std::mutex& StoreMutex() {
  static std::mutex mutex;
  return mutex;
}

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

bool IsUserRoot(HKEY root) { return root == HKEY_CURRENT_USER; }

// The components of a key path; false for a path that would leave the store.
bool SplitKeyPath(const char* subKey, std::vector<std::string>* parts) {
  parts->clear();
  if (!subKey) return true;
  std::string part;
  for (const char* p = subKey;; ++p) {
    if (*p == '\\' || *p == '/' || *p == 0) {
      if (part == "." || part == "..") return false;
      if (!part.empty()) parts->push_back(part);
      part.clear();
      if (*p == 0) break;
    } else {
      part += *p;
    }
  }
  return true;
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

OpenKey* KeyFromHandle(HKEY key) {
  if (!key || IsUserRoot(key) || key == HKEY_LOCAL_MACHINE || key == HKEY_CLASSES_ROOT) return nullptr;
  return reinterpret_cast<OpenKey*>(key);
}

HKEY HandleFromKey(OpenKey* key) { return reinterpret_cast<HKEY>(key); }

LONG ErrnoResult(int err) {
  switch (err) {
    case ENOENT: return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    case ENOTDIR: return static_cast<LONG>(ERROR_PATH_NOT_FOUND);
    default: return static_cast<LONG>(ERROR_ACCESS_DENIED);
  }
}

// Reads a key's values. A missing file is an empty key. `damaged` tells that
// some lines were dropped.
LONG ReadValues(const std::string& folder, std::vector<Platform::RegistryValue>* values, bool* damaged) {
  values->clear();
  *damaged = false;
  std::string path = folder + "/" + kValuesFile;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? ERROR_SUCCESS : ErrnoResult(errno);
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<std::uint64_t>(st.st_size) > Platform::kMaxRegistryFileBytes) {
    ::close(fd);
    Platform::Log("registry: " + path + ": not a readable store file or larger than the limit; ignored");
    *damaged = true;
    return ERROR_SUCCESS;
  }
  std::string text(static_cast<size_t>(st.st_size), '\0');
  size_t got = 0;
  while (got < text.size()) {
    ssize_t n = ::read(fd, &text[got], text.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  text.resize(got);
  std::vector<std::string> errors;
  Platform::ParseRegistryText(text, values, &errors);
  for (const std::string& e : errors) Platform::Log("registry: " + path + ": " + e + "; line skipped");
  *damaged = !errors.empty();
  return ERROR_SUCCESS;
}

// Replaces the key's file atomically; the old file stays whole on failure.
// A damaged old file is kept beside as "values.reg.bad".
LONG WriteValues(const std::string& folder, const std::vector<Platform::RegistryValue>& values, bool damaged) {
  std::string path = folder + "/" + kValuesFile;
  Platform::AtomicSaveOptions options;
  options.permissions = 0600;
  if (damaged) options.keepPreviousAs = path + ".bad";
  Platform::AtomicSaveResult saved = Platform::ReplaceFileContent(path, Platform::FormatRegistryText(values), options);
  switch (saved.failedStep) {
    case Platform::AtomicSaveStep::kNone: return ERROR_SUCCESS;
    case Platform::AtomicSaveStep::kSyncFolder:
      // The value is stored and reads back; only its survival of a power loss is in doubt.
      Platform::Log("registry: " + path + ": " + saved.Describe());
      return ERROR_SUCCESS;
    case Platform::AtomicSaveStep::kCreateTemporary:
    case Platform::AtomicSaveStep::kKeepPrevious:
    case Platform::AtomicSaveStep::kRename: return ErrnoResult(saved.error);
    default: return static_cast<LONG>(ERROR_ACCESS_DENIED);
  }
}

Platform::RegistryValue* FindValue(std::vector<Platform::RegistryValue>& values, const std::string& name) {
  for (Platform::RegistryValue& v : values)
    if (SameName(v.name, name)) return &v;
  return nullptr;
}

}  // namespace

namespace Platform {

std::string RegistryRoot() { return ConfigRoot() + "/registry"; }

}  // namespace Platform

LONG RegOpenKeyExA(HKEY root, const char* subKey, DWORD, DWORD, HKEY* result) {
  if (!result) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
  *result = nullptr;
  if (!IsUserRoot(root)) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
  std::vector<std::string> parts;
  if (!SplitKeyPath(subKey, &parts)) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
  std::lock_guard<std::mutex> lock(StoreMutex());
  std::string path = Platform::RegistryRoot();
  for (const std::string& part : parts) path += "/" + part;
  std::string folder = Platform::HostPath(path);
  if (!IsFolder(folder)) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
  *result = HandleFromKey(new OpenKey{folder});
  return ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY root, const char* subKey, DWORD, const char*, DWORD, DWORD, void*, HKEY* result,
                     DWORD* disposition) {
  if (!result) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
  *result = nullptr;
  if (!IsUserRoot(root)) return static_cast<LONG>(ERROR_ACCESS_DENIED);
  std::vector<std::string> parts;
  if (!SplitKeyPath(subKey, &parts)) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
  std::lock_guard<std::mutex> lock(StoreMutex());
  std::string root_folder = Platform::RegistryRoot();
  if (!Platform::MakeHostFolders(root_folder)) return static_cast<LONG>(ERROR_ACCESS_DENIED);
  std::string folder = root_folder;
  bool created = false;
  for (const std::string& part : parts) {
    std::string next = Platform::HostPath(folder + "/" + part);
    if (!IsFolder(next)) {
      if (::mkdir(next.c_str(), 0777) != 0) return ErrnoResult(errno);
      created = true;
    }
    folder = next;
  }
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *result = HandleFromKey(new OpenKey{folder});
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (IsUserRoot(key)) return ERROR_SUCCESS;
  OpenKey* open = KeyFromHandle(key);
  if (!open) return static_cast<LONG>(ERROR_INVALID_HANDLE);
  delete open;
  return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, const char* name, DWORD*, DWORD* type, BYTE* data, DWORD* size) {
  OpenKey* open = KeyFromHandle(key);
  if (!open) return static_cast<LONG>(IsUserRoot(key) ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_HANDLE);
  if (data && !size) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
  std::lock_guard<std::mutex> lock(StoreMutex());
  std::vector<Platform::RegistryValue> values;
  bool damaged = false;
  LONG read = ReadValues(open->folder, &values, &damaged);
  if (read != ERROR_SUCCESS) return read;
  Platform::RegistryValue* value = FindValue(values, name ? name : "");
  if (!value) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
  DWORD needed = static_cast<DWORD>(value->bytes.size());
  if (data) {
    if (*size < needed) {
      *size = needed;
      return static_cast<LONG>(ERROR_MORE_DATA);
    }
    if (needed) std::memcpy(data, value->bytes.data(), needed);
  }
  if (type) *type = value->type;
  if (size) *size = needed;
  return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY key, const char* name, DWORD, DWORD type, const BYTE* data, DWORD size) {
  OpenKey* open = KeyFromHandle(key);
  if (!open) return static_cast<LONG>(ERROR_INVALID_HANDLE);
  if ((size && !data) || size > Platform::kMaxRegistryValueBytes) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
  std::lock_guard<std::mutex> lock(StoreMutex());
  std::vector<Platform::RegistryValue> values;
  bool damaged = false;
  LONG read = ReadValues(open->folder, &values, &damaged);
  if (read != ERROR_SUCCESS) return read;
  std::string valueName = name ? name : "";
  Platform::RegistryValue* value = FindValue(values, valueName);
  if (!value) {
    values.push_back(Platform::RegistryValue{valueName, REG_NONE, {}});
    value = &values.back();
  }
  value->type = type;
  value->bytes.assign(data, data + size);
  return WriteValues(open->folder, values, damaged);
}

LONG RegDeleteValueA(HKEY key, const char* name) {
  OpenKey* open = KeyFromHandle(key);
  if (!open) return static_cast<LONG>(ERROR_INVALID_HANDLE);
  std::lock_guard<std::mutex> lock(StoreMutex());
  std::vector<Platform::RegistryValue> values;
  bool damaged = false;
  LONG read = ReadValues(open->folder, &values, &damaged);
  if (read != ERROR_SUCCESS) return read;
  std::string valueName = name ? name : "";
  for (size_t i = 0; i < values.size(); ++i) {
    if (SameName(values[i].name, valueName)) {
      values.erase(values.begin() + static_cast<std::ptrdiff_t>(i));
      return WriteValues(open->folder, values, damaged);
    }
  }
  return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
}
