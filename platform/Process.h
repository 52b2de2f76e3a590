// Process services: the program file, the command line, libraries, folders,
// the version resource and the end-of-session signal.
//
// LoadLibraryA knows the libraries the framework loads: "ddraw.dll" and
// "dsound.dll" (hidden when GAME_NO_DIRECTX=1), "version.dll" with the three
// version-resource calls, "shell32.dll" and "shfolder.dll" with
// SHGetFolderPathA, and "user32.dll" (which has no "GetLastInputInfo"). Names
// compare without regard to case; other libraries do not load. Stand-ins for
// the display and sound libraries publish their entry points with
// Platform::RegisterProcAddress. SIGTERM and SIGINT become one WM_ENDSESSION
// (wParam 1) for the main window at the next pump.
#pragma once

#include <string>

#include "platform/WinTypes.h"

typedef void (*FARPROC)();

HMODULE LoadLibraryA(const char* name);
BOOL FreeLibrary(HMODULE module);
FARPROC GetProcAddress(HMODULE module, const char* name);
HMODULE GetModuleHandleA(const char* name);
// Truncates to `size` (terminator included) and reports
// ERROR_INSUFFICIENT_BUFFER when the path is longer; see ExecutablePath.
DWORD GetModuleFileNameA(HMODULE module, char* buffer, DWORD size);
// argv joined: the program name quoted when it holds a blank, each argument
// that holds a blank quoted whole.
const char* GetCommandLineA();
int _chdir(const char* folder);

constexpr int CSIDL_APPDATA = 0x1A;
constexpr int CSIDL_LOCAL_APPDATA = 0x1C;
constexpr int CSIDL_COMMON_APPDATA = 0x23;
// The per-user and common application-data folders are both the data root
// (Environment.h), created when missing. 0 on success.
long SHGetFolderPathA(HWND window, int folder, HANDLE token, DWORD flags, char* path);

// The version resource: only the program's own file has one, holding the
// build's product version under both string tables.
DWORD GetFileVersionInfoSizeA(const char* path, DWORD* handle);
BOOL GetFileVersionInfoA(const char* path, DWORD handle, DWORD size, void* data);
BOOL VerQueryValueA(const void* block, const char* subBlock, void** buffer, UINT* length);

namespace Platform {

// The full path of the running program, any length.
std::string ExecutablePath();
// Records argv for GetCommandLineA (otherwise read from /proc/self/cmdline).
void SetCommandLine(int argc, char** argv);
// Makes `entry` the answer of GetProcAddress(LoadLibraryA(library), name).
void RegisterProcAddress(const std::string& library, const std::string& name, FARPROC entry);
// The product version the build gives the program file.
std::string BuildProductVersion();

}  // namespace Platform
