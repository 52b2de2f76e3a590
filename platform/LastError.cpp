// The per-thread last-error value behind GetLastError.
#include "platform/WinTypes.h"

namespace {
thread_local DWORD tLastError = 0;
}

DWORD GetLastError() { return tLastError; }
void SetLastError(DWORD code) { tLastError = code; }
