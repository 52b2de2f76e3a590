// The program and the system screen saver. Started with "-screensaver" it
// runs as one: a filter in front of the window procedure closes it on the
// first real input (a key or button at once; pointer moves only after more
// than three moves to new places; activation loss and close requests only
// when the monitor was not just switched off and on). No password is asked:
// this system has no screen-saver password to verify. Running normally and
// windowed, it pauses updates, draws and presents once the user has been idle
// almost as long as the system's screen-saver timeout, and resumes on input.
#include <algorithm>

#include "platform/Platform.h"
#include "shell/KivoAppBase.h"
#include "ui/WidgetManager.h"

namespace Kivo {

namespace {

struct FilterState {
  bool closing = false;
  POINT pointer{0, 0};
  int moves = 0;
  bool created = false;
};
FilterState gFilter;

struct IdleState {
  uint32_t lastQuery = 0;
  bool saverActive = true;
  uint32_t idleLimitMs = 60000;
};
IdleState gIdle;

bool IsMainWindowOrNoApp(HWND window) { return gAppBase == nullptr || window == gAppBase->mMainWindow.load(); }

void CloseCheck(HWND window, UINT message) {
  if (!IsMainWindowOrNoApp(window)) return;
  bool softEvent = message == WM_ACTIVATE || message == WM_ACTIVATEAPP || message == WM_NCACTIVATE ||
                   message == WM_CLOSE || message == WM_MOUSEMOVE;
  // Switching the monitor off and on sends activation and pointer messages
  // of its own; they are not the user.
  if (softEvent && static_cast<uint32_t>(GetTickCount() - gLastMonitorPowerTick.load()) <= 999u) return;
  gFilter.closing = true;
  PostMessageA(window, WM_CLOSE, 0, 0);
}

}  // namespace

void ResetScreenSaverFilter() { gFilter = FilterState(); }
void ResetScreenSaverIdleCheck() { gIdle = IdleState(); }

bool FilterScreenSaverMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (gFilter.closing) return false;
  switch (message) {
    case WM_CREATE:
      if (!gFilter.created) {
        gFilter.created = true;
        GetCursorPos(&gFilter.pointer);
      }
      return false;
    case WM_SYSCOMMAND: {
      WPARAM command = wParam & 0xFFF0u;
      if (command == SC_SCREENSAVE || command == SC_CLOSE || command == SC_NEXTWINDOW || command == SC_PREVWINDOW) {
        *result = 0;
        return true;
      }
      return false;
    }
    case WM_MOUSEMOVE: {
      POINT at{static_cast<int16_t>(lParam & 0xFFFF), static_cast<int16_t>((lParam >> 16) & 0xFFFF)};
      if (at.x != gFilter.pointer.x || at.y != gFilter.pointer.y) {
        gFilter.pointer = at;
        ++gFilter.moves;
      }
      if (gFilter.moves > 3) {
        CloseCheck(window, message);
        return false;
      }
      *result = 0;
      return true;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_CLOSE: CloseCheck(window, message); return false;
    case WM_ACTIVATE:
    case WM_ACTIVATEAPP:
    case WM_NCACTIVATE:
      if (wParam == 0) CloseCheck(window, message);
      return false;
    default: return false;
  }
}

void KivoAppBase::CheckScreenSaverIdle() {
  if (mScreenSaverMode || !mWindowIsWindowed) return;
  uint32_t now = timeGetTime();
  if (now - gIdle.lastQuery > 10000u) {
    gIdle.lastQuery = now;
    UINT timeout = 0;
    BOOL active = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVETIMEOUT, 0, &timeout, 0);
    SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
    gIdle.saverActive = active != FALSE;
    gIdle.idleLimitMs = static_cast<uint32_t>(std::max<int64_t>(static_cast<int64_t>(timeout) - 2, 1) * 1000);
    if (!gIdle.saverActive) gScreenSaverPause = false;
  }
  // No system-wide last-input time here: the idle time follows the
  // application's own input.
  if (!gIdle.saverActive) return;
  uint32_t idle = now - mLastInputTime;
  if (gScreenSaverPause) {
    BOOL running = FALSE;
    if (SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0) && running) return;
    if (idle < gIdle.idleLimitMs) {
      gScreenSaverPause = false;
      mWidgetManager->InvalidateTree();
    }
  } else if (idle > gIdle.idleLimitMs) {
    gScreenSaverPause = true;
  }
}

}  // namespace Kivo
