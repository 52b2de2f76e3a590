// Program file, command line, libraries, folders, version resource, signals.
#include "platform/Process.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <vector>

#include "platform/Environment.h"
#include "platform/Files.h"
#include "platform/WindowSystem.h"

#ifndef KIVO_PRODUCT_VERSION
#define KIVO_PRODUCT_VERSION ""
#endif

namespace {

// The library handles are the addresses of these records; a handle stays
// valid for the life of the process, as FreeLibrary on Windows may leave it.
struct Library {
  std::string name;  // lower case
  bool directX = false;
  int loads = 0;
};

struct ProcessState {
  std::mutex mutex;
  std::vector<std::unique_ptr<Library>> libraries;
  std::map<std::string, std::map<std::string, FARPROC>> entries;  // library -> name -> entry
  std::string commandLine;
  bool commandLineSet = false;
};

void RegisterBuiltInEntries(ProcessState& s);

// The built-in entries are there from the first use on: a library that
// registers its own entry while globals are built must not hide them.
ProcessState& State() {
  static ProcessState* state = [] {
    ProcessState* made = new ProcessState;
    RegisterBuiltInEntries(*made);
    return made;
  }();
  return *state;
}

std::atomic<int> gEndSessionSignals{0};

extern "C" void OnTerminationSignal(int) { gEndSessionSignals.store(1); }

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string QuoteIfBlank(const std::string& arg) {
  return arg.find(' ') != std::string::npos ? "\"" + arg + "\"" : arg;
}

long DummySHGetFolderPathA(HWND window, int folder, HANDLE token, DWORD flags, char* path) {
  return SHGetFolderPathA(window, folder, token, flags, path);
}
DWORD DummyGetFileVersionInfoSizeA(const char* path, DWORD* handle) { return GetFileVersionInfoSizeA(path, handle); }
BOOL DummyGetFileVersionInfoA(const char* path, DWORD handle, DWORD size, void* data) {
  return GetFileVersionInfoA(path, handle, size, data);
}
BOOL DummyVerQueryValueA(const void* block, const char* subBlock, void** buffer, UINT* length) {
  return VerQueryValueA(block, subBlock, buffer, length);
}

void RegisterBuiltInEntries(ProcessState& s) {
  auto entry = [](auto f) { return reinterpret_cast<FARPROC>(f); };
  s.entries["shell32.dll"]["SHGetFolderPathA"] = entry(&DummySHGetFolderPathA);
  s.entries["shfolder.dll"]["SHGetFolderPathA"] = entry(&DummySHGetFolderPathA);
  s.entries["version.dll"]["GetFileVersionInfoSizeA"] = entry(&DummyGetFileVersionInfoSizeA);
  s.entries["version.dll"]["GetFileVersionInfoA"] = entry(&DummyGetFileVersionInfoA);
  s.entries["version.dll"]["VerQueryValueA"] = entry(&DummyVerQueryValueA);
}

bool KnownLibrary(const std::string& lower) {
  return lower == "ddraw.dll" || lower == "dsound.dll" || lower == "version.dll" || lower == "shell32.dll" ||
         lower == "shfolder.dll" || lower == "user32.dll";
}

// The version block: a tag and the version text, terminator included.
const char kVersionTag[8] = {'K', 'V', 'E', 'R', 'S', 'I', 'O', 'N'};

bool IsOwnProgram(const char* path) {
  if (!path || !*path) return false;
  std::string self = Platform::ExecutablePath();
  std::string host = Platform::HostPath(path);
  char resolved[4096];
  if (::realpath(host.c_str(), resolved) && self == resolved) return true;
  return host == self;
}

}  // namespace

namespace Platform {

std::string ExecutablePath() {
  std::vector<char> buffer(256);
  for (;;) {
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < buffer.size()) return std::string(buffer.data(), static_cast<size_t>(n));
    buffer.resize(buffer.size() * 2);
  }
}

void SetCommandLine(int argc, char** argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) {
    if (i) line += ' ';
    line += QuoteIfBlank(argv[i] ? argv[i] : "");
  }
  ProcessState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.commandLine = line;
  s.commandLineSet = true;
}

void RegisterProcAddress(const std::string& library, const std::string& name, FARPROC entry) {
  ProcessState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.entries[Lower(library)][name] = entry;
}

std::string BuildProductVersion() { return KIVO_PRODUCT_VERSION; }

bool TakeEndSessionRequest() { return gEndSessionSignals.exchange(0) != 0; }

void InstallSignalHandlers() {
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

}  // namespace Platform

HMODULE LoadLibraryA(const char* name) {
  if (!name) return nullptr;
  std::string lower = Lower(name);
  bool directX = lower == "ddraw.dll" || lower == "dsound.dll";
  if (!KnownLibrary(lower) || (directX && Platform::EnvironmentValue("GAME_NO_DIRECTX") == "1")) {
    SetLastError(126);  // module not found
    return nullptr;
  }
  ProcessState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (auto& lib : s.libraries) {
    if (lib->name == lower) {
      ++lib->loads;
      return reinterpret_cast<HMODULE>(lib.get());
    }
  }
  s.libraries.push_back(std::make_unique<Library>(Library{lower, directX, 1}));
  return reinterpret_cast<HMODULE>(s.libraries.back().get());
}

BOOL FreeLibrary(HMODULE module) {
  ProcessState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (auto& lib : s.libraries) {
    if (reinterpret_cast<HMODULE>(lib.get()) == module) {
      if (lib->loads > 0) --lib->loads;
      return TRUE;
    }
  }
  return FALSE;
}

FARPROC GetProcAddress(HMODULE module, const char* name) {
  if (!name) return nullptr;
  ProcessState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (auto& lib : s.libraries) {
    if (reinterpret_cast<HMODULE>(lib.get()) != module) continue;
    auto entries = s.entries.find(lib->name);
    if (entries == s.entries.end()) break;
    auto entry = entries->second.find(name);
    if (entry != entries->second.end()) return entry->second;
    break;
  }
  SetLastError(127);  // procedure not found
  return nullptr;
}

HMODULE GetModuleHandleA(const char* name) {
  // Only the program itself has a handle without loading anything.
  if (name) return nullptr;
  static int self;
  return reinterpret_cast<HMODULE>(&self);
}

DWORD GetModuleFileNameA(HMODULE, char* buffer, DWORD size) {
  if (!buffer || size == 0) return 0;
  std::string path = Platform::ExecutablePath();
  if (path.size() + 1 > size) {
    std::memcpy(buffer, path.data(), size - 1);
    buffer[size - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return static_cast<DWORD>(path.size());
}

const char* GetCommandLineA() {
  ProcessState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.commandLineSet) {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string line;
    size_t start = 0;
    while (start < raw.size()) {
      size_t end = raw.find('\0', start);
      if (end == std::string::npos) end = raw.size();
      if (!line.empty()) line += ' ';
      line += QuoteIfBlank(raw.substr(start, end - start));
      start = end + 1;
    }
    s.commandLine = line;
    s.commandLineSet = true;
  }
  return s.commandLine.c_str();
}

int _chdir(const char* folder) {
  if (!folder) return -1;
  return ::chdir(Platform::HostPath(folder).c_str());
}

long SHGetFolderPathA(HWND, int folder, HANDLE, DWORD, char* path) {
  constexpr long kFail = static_cast<long>(0x80004005L);  // E_FAIL
  if (!path) return kFail;
  if (folder != CSIDL_COMMON_APPDATA && folder != CSIDL_APPDATA && folder != CSIDL_LOCAL_APPDATA) return kFail;
  std::string root = Platform::DataRoot();
  if (root.size() + 1 > MAX_PATH) return kFail;
  Platform::MakeHostFolders(root);
  std::memcpy(path, root.c_str(), root.size() + 1);
  return 0;
}

DWORD GetFileVersionInfoSizeA(const char* path, DWORD* handle) {
  if (handle) *handle = 0;
  if (!IsOwnProgram(path) || Platform::BuildProductVersion().empty()) {
    SetLastError(1813);  // no version resource
    return 0;
  }
  return static_cast<DWORD>(sizeof kVersionTag + Platform::BuildProductVersion().size() + 1);
}

BOOL GetFileVersionInfoA(const char* path, DWORD, DWORD size, void* data) {
  DWORD needed = GetFileVersionInfoSizeA(path, nullptr);
  if (!needed || !data || size < needed) return FALSE;
  std::string version = Platform::BuildProductVersion();
  std::memcpy(data, kVersionTag, sizeof kVersionTag);
  std::memcpy(static_cast<char*>(data) + sizeof kVersionTag, version.c_str(), version.size() + 1);
  return TRUE;
}

BOOL VerQueryValueA(const void* block, const char* subBlock, void** buffer, UINT* length) {
  if (!block || !subBlock || !buffer || !length) return FALSE;
  if (std::memcmp(block, kVersionTag, sizeof kVersionTag) != 0) return FALSE;
  std::string query = subBlock;
  if (query != "\\StringFileInfo\\040904B0\\ProductVersion" && query != "\\StringFileInfo\\040904E4\\ProductVersion")
    return FALSE;
  char* text = const_cast<char*>(static_cast<const char*>(block)) + sizeof kVersionTag;
  *buffer = text;
  *length = static_cast<UINT>(std::strlen(text) + 1);
  return TRUE;
}
