// The named mutex and registered messages that let a second instance wake
// the first.
//
// CreateMutexW takes an flock'ed lock file "<name>.lock" in the runtime
// folder (Environment.h), the name made file-safe; the lock is held until
// CloseHandle or exit. When another process holds it, the call still returns
// a handle and GetLastError says ERROR_ALREADY_EXISTS. The holder also
// listens on a UNIX socket "<name>.sock" beside the lock file (a stale socket
// is replaced): PostMessageA(HWND_BROADCAST, id, w, l) of a registered message
// travels there from every process that asked for the same mutex name, and
// the holder's pump posts {main window, its own id for that message name, w, l}.
#pragma once

#include <string>

#include "platform/WinTypes.h"

HANDLE CreateMutexW(void* securityAttributes, BOOL initialOwner, const wchar_t* name);
// Also closes the file handles of CreateFileA (SystemQueries.h).
BOOL CloseHandle(HANDLE handle);
// One id in 0xC000..0xFFFF per name (names compare without regard to case);
// the same name gives the same id within a process.
UINT RegisterClipboardFormatW(const wchar_t* name);
UINT RegisterWindowMessageW(const wchar_t* name);

namespace Platform {

// The lock-file path a mutex name maps to (for tests and diagnostics).
std::string MutexLockPath(const std::string& utf8Name);

// Decodes one broadcast packet; false for anything malformed.
bool DecodeBroadcastPacket(const std::string& packet, std::string* messageName, std::uint64_t* wParam,
                           std::int64_t* lParam);
std::string EncodeBroadcastPacket(const std::string& messageName, std::uint64_t wParam, std::int64_t lParam);

}  // namespace Platform
