// Message boxes, clipboard and URL opening over the active backend.
#include "platform/Dialogs.h"

#include <cstdint>

#include "platform/Text.h"
#include "platform/WindowSystem.h"

namespace Platform {

std::string MessageBoxButtons(UINT type) {
  switch (type & 0x0F) {
    case MB_OKCANCEL: return std::string{IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return std::string{IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return std::string{IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return std::string{IDYES, IDNO};
    case MB_RETRYCANCEL: return std::string{IDRETRY, IDCANCEL};
    default: return std::string{IDOK};
  }
}

int UnattendedAnswer(UINT type) {
  std::string buttons = MessageBoxButtons(type);
  if (buttons.find(static_cast<char>(IDCANCEL)) != std::string::npos) return IDCANCEL;
  if ((type & 0x0F) == MB_ABORTRETRYIGNORE) return IDABORT;
  return buttons[0];
}

bool SetClipboardNarrowText(const std::string& bytes) { return ActiveBackend().SetClipboardUtf8(NarrowToUtf8(bytes)); }

std::string ClipboardText() { return ActiveBackend().ClipboardUtf8(); }

}  // namespace Platform

int MessageBoxA(HWND owner, const char* text, const char* title, UINT type) {
  return Platform::ActiveBackend().ShowMessageBox(owner, Platform::NarrowToUtf8(text ? text : ""),
                                                  Platform::NarrowToUtf8(title ? title : "Error"), type);
}

int MessageBoxW(HWND owner, const wchar_t* text, const wchar_t* title, UINT type) {
  return Platform::ActiveBackend().ShowMessageBox(owner, Platform::WideToUtf8(text ? text : L""),
                                                  Platform::WideToUtf8(title ? title : L"Error"), type);
}

HINSTANCE ShellExecuteA(HWND, const char*, const char* file, const char*, const char*, int) {
  int result = file && *file ? Platform::ActiveBackend().OpenUrl(file) : 2;  // 2: file not found
  return reinterpret_cast<HINSTANCE>(static_cast<std::intptr_t>(result));
}
