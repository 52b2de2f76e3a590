// Scalar types, handles and constants shared by the platform stand-ins.
//
// The shell is written against Windows-style calls; these are our own
// declarations of the few types those calls pass around, sized as the callers
// expect (DWORD 32-bit, WPARAM/LPARAM pointer-sized, handles opaque).
#pragma once

#include <cstdint>

typedef int BOOL;
typedef std::uint8_t BYTE;
typedef std::uint16_t WORD;
typedef std::uint32_t DWORD;
typedef std::uint32_t UINT;
typedef std::int32_t LONG;
typedef std::int64_t LONGLONG;
typedef std::uintptr_t WPARAM;
typedef std::intptr_t LPARAM;
typedef std::intptr_t LRESULT;
typedef std::intptr_t LONG_PTR;
typedef void* HANDLE;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))
#define MAX_PATH 260

// Handles of windows and cursors are small integers carried in an opaque
// pointer type, so null tests and comparisons read as they do on Windows.
struct PlatformWindowTag;
struct PlatformCursorTag;
struct PlatformModuleTag;
struct PlatformKeyTag;
typedef PlatformWindowTag* HWND;
typedef PlatformCursorTag* HCURSOR;
typedef PlatformModuleTag* HMODULE;
typedef HMODULE HINSTANCE;
typedef PlatformKeyTag* HKEY;

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

struct POINT {
  LONG x;
  LONG y;
};

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

// Error codes reported through GetLastError.
constexpr DWORD ERROR_SUCCESS_CODE = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NO_MORE_FILES = 18;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_DIR_NOT_EMPTY = 145;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_MORE_DATA = 234;

// The calling thread's last error, as Windows keeps it.
DWORD GetLastError();
void SetLastError(DWORD code);
