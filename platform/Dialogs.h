// Message boxes, the clipboard and opening URLs.
//
// sdl2: SDL message boxes with matching buttons, the SDL clipboard, and
// SDL_OpenURL. headless: a message box writes its text, title, type and the
// calling thread to stderr and the log and answers with the next scripted
// answer, else as UnattendedAnswer says (and logs that nobody answered); the clipboard lives in memory; an URL is
// logged, launches nothing and returns the next scripted result (else 42).
#pragma once

#include <string>

#include "platform/WinTypes.h"

constexpr UINT MB_OK = 0x00;
constexpr UINT MB_OKCANCEL = 0x01;
constexpr UINT MB_ABORTRETRYIGNORE = 0x02;
constexpr UINT MB_YESNOCANCEL = 0x03;
constexpr UINT MB_YESNO = 0x04;
constexpr UINT MB_RETRYCANCEL = 0x05;
constexpr UINT MB_ICONERROR = 0x10;
constexpr UINT MB_ICONHAND = 0x10;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONWARNING = 0x30;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_ICONINFORMATION = 0x40;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Narrow text is widened byte-wise. Main thread.
int MessageBoxA(HWND owner, const char* text, const char* title, UINT type);
int MessageBoxW(HWND owner, const wchar_t* text, const wchar_t* title, UINT type);

// Opens `file` (an URL) with the user's browser; a result above 32 means it
// was handed over.
HINSTANCE ShellExecuteA(HWND window, const char* operation, const char* file, const char* parameters,
                        const char* folder, int show);

namespace Platform {

// The buttons of a message-box type, first one first (IDOK, IDYES, ...).
std::string MessageBoxButtons(UINT type);
// What a box answers when nobody can: its cancel button, Abort for
// abort/retry/ignore, else its first button (the only one, or Yes).
int UnattendedAnswer(UINT type);

// Puts narrow text on the clipboard, each byte widened to its code point and
// stored as UTF-8. False when the clipboard refused it.
bool SetClipboardNarrowText(const std::string& bytes);
// The clipboard text as UTF-8 (empty when none).
std::string ClipboardText();

}  // namespace Platform
