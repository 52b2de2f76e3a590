// System queries about the machine the display runs on: the system folder,
// and read-only file handles with their write times. The 3D capability test
// uses them to date the adapter's driver file (the screen device context,
// which reads the display device, is in platform/devices/ScreenContext.h).
//
// CreateFileA opens existing files for reading
// only (any other request fails with ERROR_ACCESS_DENIED); paths follow the
// rules of Files.h. Handles are closed with CloseHandle. Failures return
// null / INVALID_HANDLE_VALUE / 0 / FALSE and set GetLastError.
#pragma once

#include <cstdint>

#include "platform/Clock.h"
#include "platform/WinTypes.h"
#include "platform/Windows.h"

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD OPEN_EXISTING = 3;

// The folder bare driver names live in, without a trailing separator.
// Returns the length written (terminator excluded), or the size needed
// (terminator included) when the buffer is too small.
UINT GetSystemDirectoryA(char* buffer, UINT size);

HANDLE CreateFileA(const char* path, DWORD access, DWORD share, void* securityAttributes, DWORD creation, DWORD flags,
                   HANDLE templateFile);
// Times in 100 ns units since 1601-01-01 UTC; any pointer may be null.
BOOL GetFileTime(HANDLE file, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite);
// UTC calendar fields of a file time (SYSTEMTIME is the clock's own record).
BOOL FileTimeToSystemTime(const FILETIME* time, SYSTEMTIME* out);

namespace Platform {

// Closes a handle made by CreateFileA; false when it is not one.
bool CloseFileHandle(HANDLE handle);

}  // namespace Platform
