// Platform layer: the operating-system services the framework expects of
// Windows, answered on Linux.
//
// What it does: Windows-style calls (message records {window, msg, wParam,
// lParam} with Windows message ids and 8-bit virtual-key codes, one u32
// millisecond clock behind timeGetTime and GetTickCount, a registry kept as a
// file store, a named mutex, message boxes, clipboard, URL opening, cursors,
// windows and their dispatch, present of a 0xAARRGGBB frame, file calls with
// Windows path rules). Two backends sit behind it: "sdl2" (a real window)
// and "headless" (fake clock, scripted input, logged message boxes, frames in
// memory). The backend is chosen once, from the environment: GAME_BACKEND,
// else sdl2 when a display is reachable and SDL video starts, else headless.
//
// Limits: one process-wide window system, driven from the main thread (call
// Platform::SetMainThread first in main); the cursor thread may only read pointer and
// window positions, which the pump keeps in atomics. Key code 0 and 0xFF are
// never produced. Only HKEY_CURRENT_USER holds registry data.
//
// Formats read: the registry store files (one text line per value) and the
// headless input script (see README.md). A line that does not parse is
// logged and skipped; nothing here crashes on bad input.
//
// Start-up: main() calls Platform::SetCommandLine(argc, argv),
// Platform::SetMainThread() and Platform::BackendName() (which chooses the
// backend and with it the clock) before anything else of this layer.
//
// Headers:
//   platform/WinTypes.h        scalar types, handles, GetLastError
//   platform/Messages.h        MSG, message ids, virtual keys, MK_* flags
//   platform/Windows.h         classes, windows, queue, dispatch, timers,
//                              desktop, capture, present
//   platform/Clock.h           timeGetTime/GetTickCount, Sleep, threads
//   platform/Registry.h        RegOpenKeyExA ... over the file store
//   platform/SingleInstance.h  CreateMutexW, RegisterClipboardFormatW
//   platform/Dialogs.h         MessageBoxA/W, ShellExecuteA, clipboard
//   platform/Cursors.h         LoadCursorA, CreateCursor, SetCursor
//   platform/Process.h         libraries, module path, command line,
//                              SHGetFolderPathA, version resource, signals
//   platform/Files.h           fopen with path rules, listings, delete, folders
//   platform/AtomicFile.h      atomic file replacement: every save goes through it
//   platform/Environment.h     GAME_* settings, folders, the log
//   platform/Headless.h        input script, last frame, PNG
// Internal: Backend.h, WindowSystem.h, Input.h (the shared translation).
//
// Layer: the bottom of the framework; uses no other library of ours. The
// device stand-ins above it are platform/devices/ (Devices.h).
#pragma once

#include "platform/Files.h"
#include "platform/WinTypes.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/Cursors.h"
#include "platform/Dialogs.h"
#include "platform/Environment.h"
#include "platform/Headless.h"
#include "platform/Messages.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/SingleInstance.h"
#include "platform/Windows.h"
