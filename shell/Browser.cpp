// Small services that reach outside the program: opening a web page and
// watching whether the browser came up, the program's product version,
// waking an already running instance, and the clipboard.
#include "platform/Platform.h"
#include "shell/KivoAppBase.h"

namespace Kivo {

bool KivoAppBase::LaunchBrowser(const std::string& url, bool quitAfter) {
  if (mBrowserLaunchPending && mPendingUrl == url) return true;
  mQuitAfterLaunch = quitAfter;
  mBrowserLaunchPending = true;
  mPendingUrl = url;
  mBrowserLaunchTick = GetTickCount();
  HINSTANCE result = ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  if (reinterpret_cast<std::uintptr_t>(result) > 32) return true;
  OnBrowserLaunchFailed(url);
  return false;
}

void KivoAppBase::OnBrowserLaunchFailed(const std::string&) { mBrowserLaunchPending = false; }

void KivoAppBase::OnBrowserLaunched(const std::string&) {
  mBrowserLaunchPending = false;
  if (mQuitAfterLaunch) BeginShutdown();
}

std::string KivoAppBase::QueryVersionResource(const std::string& executablePath) {
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(executablePath.c_str(), &handle);
  if (size == 0) return std::string();
  std::vector<uint8_t> block(size);
  if (!GetFileVersionInfoA(executablePath.c_str(), 0, size, block.data())) return std::string();
  for (const char* table :
       {"\\StringFileInfo\\040904B0\\ProductVersion", "\\StringFileInfo\\040904E4\\ProductVersion"}) {
    void* text = nullptr;
    UINT length = 0;
    if (VerQueryValueA(block.data(), table, &text, &length) && text != nullptr) {
      // Up to the terminator, and never past the length the block reports.
      const char* chars = static_cast<const char*>(text);
      size_t n = 0;
      while (n < length && chars[n] != '\0') ++n;
      return std::string(chars, n);
    }
  }
  return std::string();
}

void KivoAppBase::NotifyRunningInstance() {
  if (!mSingleInstanceMode) return;
  if (mNotifyMessage != 0) PostMessageA(HWND_BROADCAST, mNotifyMessage, 0, 0);
  ExitProgram(0);
}

void KivoAppBase::PutTextOnClipboard(const std::string& text) {
  if (mPlaying) return;
  // Narrow text is bytes: each becomes the code point of the same value.
  Platform::SetClipboardNarrowText(text);
}

void KivoAppBase::UseCustomCursors(bool on) {
  mCustomCursors = on;
  RefreshCursor();
}

}  // namespace Kivo
