// The window procedure of both application windows and the deferred input
// queue. Input and most window-state messages are queued whole and handed
// to the widget tree one per loop pass (DrainMessageQueue), so every input
// reaches the game between updates, in the order a demo records it. A few
// messages are answered at once (paint, cursor, system commands).
//
// Mouse positions arrive as signed 16-bit client coordinates; wheel turns as
// multiples of 120 in wParam's high word; characters as one UTF-16 unit.
#include <cctype>
#include <cstdint>

#include "platform/Platform.h"
#include "platform/devices/SystemSound.h"
#include "shell/KivoAppBase.h"
#include "shell/base/StringUtils.h"
#include "ui/WidgetManager.h"

namespace Kivo {

namespace {

bool IsQueuedMessage(UINT message) {
  switch (message) {
    case WM_MOVE:
    case WM_SIZE:
    case WM_CLOSE:
    case WM_SYSCOLORCHANGE:
    case WM_DISPLAYCHANGE:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_TIMER:
    case WM_MOUSEWHEEL: return true;
    default: return message >= WM_MOUSEMOVE && message <= WM_MBUTTONUP;
  }
}

bool IsColorChange(UINT message) { return message == WM_SYSCOLORCHANGE || message == WM_DISPLAYCHANGE; }

}  // namespace

LRESULT MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (gAppBase != nullptr && gAppBase->IsScreenSaverMode()) {
    LRESULT result = 0;
    if (FilterScreenSaverMessage(window, message, wParam, lParam, &result)) return result;
  }
  auto* app = reinterpret_cast<KivoAppBase*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (app == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  return app->HandleWindowMessage(window, message, wParam, lParam);
}

LRESULT KivoAppBase::DefaultProcessing(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (mNotifyMessage != 0 && message == mNotifyMessage && window == mMainWindow.load()) {
    OnInstanceNotify(wParam, lParam);
    return 0;
  }
  return mWideWindowProc ? DefWindowProcW(window, message, wParam, lParam)
                         : DefWindowProcA(window, message, wParam, lParam);
}

LRESULT KivoAppBase::HandleWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsQueuedMessage(message)) return HandleQueuePath(window, message, wParam, lParam);
  switch (message) {
    case WM_ACTIVATEAPP:
      if (!mPlaying && window == mMainWindow.load()) mActive = wParam != 0;
      return HandleQueuePath(window, message, wParam, lParam);
    case WM_ENABLE: mWindowDisabled = wParam == 0; break;
    case WM_PAINT:
      if (mInitialised && !mHidden) {
        RECT client{};
        GetClientRect(window, &client);
        PAINTSTRUCT paint{};
        BeginPaint(window, &paint);
        if (mRunning) PresentFrame(nullptr);
        EndPaint(window, &paint);
        return 0;
      }
      break;
    case WM_QUERYOPEN:
      if (!CanRestore()) return 0;
      break;
    case WM_ERASEBKGND: return 1;
    case WM_ENDSESSION: BeginShutdown(); break;
    case WM_SETCURSOR:
      if (!mHidden) RefreshCursor();
      return 1;
    case WM_NCLBUTTONDOWN: {
      LRESULT result = DefaultProcessing(window, message, wParam, lParam);
      ResetFrameTimer();
      return result;
    }
    case WM_SYSCHAR:
      if (IsSysCharHandled(wParam)) return 0;
      break;
    case WM_SYSCOMMAND: {
      WPARAM command = wParam & 0xFFF0u;
      if (command == SC_MONITORPOWER) {
        gLastMonitorPowerTick = GetTickCount();
        if (!mAllowMonitorPowerOff || !mLoaderFinishAcknowledged) return 0;
      } else if (command == SC_SCREENSAVE) {
        if (!mLoaderFinishAcknowledged || !mWindowIsWindowed) return 0;
      }
      break;
    }
    case WM_DESTROY:
      OutputDebugStringA(
          FormatText("DESTROYED HWND: %d\r\n", static_cast<int>(reinterpret_cast<intptr_t>(window))).c_str());
      break;
    default: break;
  }
  return DefaultProcessing(window, message, wParam, lParam);
}

LRESULT KivoAppBase::HandleQueuePath(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (mModalBoxOpen) return DefaultProcessing(window, message, wParam, lParam);

  if (IsKeyMessage(message)) {
    bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    if (wParam == static_cast<WPARAM>(VK_CONTROL)) mCtrlHeld = down;
    if (wParam == static_cast<WPARAM>(VK_MENU)) mAltHeld = down;
  }
  if ((message == WM_KEYDOWN || message == WM_SYSKEYDOWN) &&
      OnKeyDownHook(static_cast<int>(wParam), mCtrlHeld, mAltHeld))
    return 0;

  if (mPlaying) {
    // Live input is not dispatched in playback: these keys steer it.
    if (message == WM_CHAR)
      HandlePlaybackChar(wParam);
    else if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN)  // Alt+R comes as a system key
      HandleDebugKey(static_cast<int>(wParam));
  }

  bool queue = true;
  if (!mInputQueue.empty()) {
    if (mInputQueue.back().message == WM_CLOSE) {
      queue = false;
    } else if (message == WM_TIMER && mInputQueue.back().message == WM_TIMER) {
      queue = false;
    } else if (IsColorChange(message)) {
      for (const QueuedMessage& record : mInputQueue)
        if (IsColorChange(record.message)) queue = false;
    }
  }
  if (queue) mInputQueue.push_back(QueuedMessage{window, message, wParam, lParam});

  switch (message) {
    case WM_SIZE: mSizeMinimised = wParam == SIZE_MINIMIZED; break;
    case WM_SYSKEYDOWN:
      if (wParam == static_cast<WPARAM>(VK_F4)) break;
      return 0;
    case WM_CLOSE: OnCloseRequested(); return 0;
    default: break;
  }
  return DefaultProcessing(window, message, wParam, lParam);
}

void KivoAppBase::HandlePlaybackChar(WPARAM character) {
  int interval = mUpdateInterval > 0 ? mUpdateInterval : 1;
  auto before = [this, interval](int ms) { mFastForwardTarget = mDemoLength - ms / interval; };
  switch (static_cast<int>(character & 0xFFFFu)) {
    case '+': mSpeed *= 1.5; break;
    case '-': mSpeed /= 1.5; break;
    case '=': mSpeed = 1.0; break;
    case '0': mFastForwardTarget = mDemoLength; break;
    case '4': before(120000); break;
    case '5': before(90000); break;
    case '6': before(60000); break;
    case '7': before(30000); break;
    case '8': before(10000); break;
    case '9': before(5000); break;
    case 'J':
    case 'j': ShowJumpToTimeDialog(); break;
    case 'L':
    case 'l': ShowMarkerListDialog(); break;
    case 'M':
    case 'm': mFastForwardToEnd = true; break;
    case 'N':
    case 'n':
      mFastForwardTarget = mUpdateCount + 1;
      mFastForwardDraw = true;
      break;
    case 'P':
    case 'p':
      mPlaybackPaused = !mPlaybackPaused;
      mLastFrameTime = timeGetTime();
      mFrameTimeDebt = 0.0;
      break;
    case 'S':
    case 's': ToggleDemoMute(); break;
    default: break;
  }
}

// Keyboard and mouse input, which a demo journals by update count alone.
static bool IsJournaledInput(UINT message) {
  return (message >= WM_KEYDOWN && message <= WM_SYSKEYUP) || message == WM_CHAR ||
         (message >= WM_MOUSEMOVE && message <= WM_MOUSEWHEEL);
}

bool KivoAppBase::DrainMessageQueue(bool one) {
  for (;;) {
    if (mInputQueue.empty()) return false;
    // Input arriving between an update and its frame waits for the frame: a
    // played demo knows only the update count, and replays the input after
    // that update's frame, so the game must see it there when recorded too.
    if (mUpdatedSinceDraw && mLoaderFinishAcknowledged && IsJournaledInput(mInputQueue.front().message)) return false;
    QueuedMessage record = mInputQueue.front();
    mInputQueue.pop_front();
    if (mRecording && !mShuttingDown) RecordInputMessage(record.window, record.message, record.wParam, record.lParam);
    if (!mPlaying) DispatchQueuedMessage(record);
    if (record.message == WM_CLOSE && (record.window == mMainWindow.load() || record.window == mInvisibleWindow)) {
      mWindowClosed = true;
      CloseAfterPresenting();
    }
    if (one) return !mInputQueue.empty();
  }
}

void KivoAppBase::DispatchQueuedMessage(const QueuedMessage& record) {
  WidgetManager* manager = mWidgetManager;
  HWND mainWindow = mMainWindow.load();
  switch (record.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      mLastInputTime = mLastTimerTick;
      int key = static_cast<int>(record.wParam);
      if (record.message == WM_SYSKEYDOWN && key == VK_RETURN && !mFullScreenForced && !mWindowedForced) {
        ApplyWindowedMode(!mWindowed);
        ClearKeyStates();
        return;
      }
      if (key == kDeveloperChordKey && manager != nullptr && manager->mKeyDown[VK_CONTROL] &&
          manager->mKeyDown[VK_MENU]) {
        PlaySoundA(kDeveloperClickSound, nullptr, SND_ASYNC | SND_FILENAME);
        mDebugKeysOn = !mDebugKeysOn;
      }
      if (mDebugKeysOn && HandleDebugKey(key)) return;
      manager->OnKeyDown(key);
      return;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP:
      mLastInputTime = mLastTimerTick;
      manager->OnKeyUp(static_cast<int>(record.wParam));
      return;
    case WM_CHAR:
      mLastInputTime = mLastTimerTick;
      manager->OnKeyChar(static_cast<wchar_t>(record.wParam & 0xFFFFu));
      return;
    case WM_MOVE:
      if (record.window == mainWindow && mWindowed) {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        if (GetWindowPlacement(mainWindow, &placement) &&
            (placement.showCmd == SW_SHOW || placement.showCmd == SW_SHOWNORMAL)) {
          mPreferredLeft = placement.rcNormalPosition.left;
          mPreferredTop = placement.rcNormalPosition.top;
        }
      }
      return;
    case WM_SIZE: {
      bool minimised = record.wParam == SIZE_MINIMIZED;
      if (record.window == mainWindow && !mShuttingDown && minimised != mMinimised) {
        mMinimised = minimised;
        if (minimised) {
          if (mMuteOnFocusLoss) MuteAudio(true);
        } else {
          if (mMuteOnFocusLoss) UnmuteAudio(true);
          manager->InvalidateTree();
        }
      }
      UpdateFocusState();
      if (record.wParam == SIZE_MAXIMIZED) ApplyWindowedMode(false);
      return;
    }
    case WM_SYSCOLORCHANGE:
    case WM_DISPLAYCHANGE:
      manager->BroadcastSysColorChange();
      manager->InvalidateTree();
      return;
    case WM_ACTIVATEAPP:
      if (record.window == mainWindow && !mHidden && !mShuttingDown) {
        UpdateFocusState();
        if (mActive && !mWindowed) manager->InvalidateTree();
        if (mBrowserLaunchPending && !mActive) OnBrowserLaunched(mPendingUrl);
      }
      return;
    case WM_TIMER:
      if (!mHidden && mRunning) RunTimerSteps(record.window);
      return;
    case WM_MOUSEWHEEL: {
      int delta = static_cast<int16_t>(HIWORD(record.wParam));
      manager->OnMouseWheel(static_cast<int8_t>(delta / WHEEL_DELTA));
      return;
    }
    default:
      if (record.message >= WM_MOUSEMOVE && record.message <= WM_MBUTTONUP) DispatchMouse(record);
      return;
  }
}

void KivoAppBase::DispatchMouse(const QueuedMessage& record) {
  if (mHidden) return;
  WidgetManager* manager = mWidgetManager;
  int x = GET_X_LPARAM(record.lParam);
  int y = GET_Y_LPARAM(record.lParam);
  manager->WindowToLogical(&x, &y);
  mLastInputTime = mLastTimerTick;
  manager->OnMouseMove(x, y);
  if (!mPointerInWindow) {
    RecordPointerInWindow(true);
    mPointerInWindow = true;
    RefreshCursor();
  }
  // The held-button mask is read before the button-up changes it.
  int held = manager->mButtonsDown;
  switch (record.message) {
    case WM_LBUTTONDOWN:
      SetCapture(record.window);
      manager->OnMouseDown(x, y, 1);
      break;
    case WM_LBUTTONDBLCLK:
      SetCapture(record.window);
      manager->OnMouseDown(x, y, 2);
      break;
    case WM_RBUTTONDOWN:
      SetCapture(record.window);
      manager->OnMouseDown(x, y, -1);
      break;
    case WM_RBUTTONDBLCLK:
      SetCapture(record.window);
      manager->OnMouseDown(x, y, -2);
      break;
    case WM_MBUTTONDOWN:
      SetCapture(record.window);
      manager->OnMouseDown(x, y, 3);
      break;
    case WM_LBUTTONUP:
      if ((held & ~1) == 0) ReleaseCapture();
      manager->OnMouseUp(x, y, 1);
      break;
    case WM_RBUTTONUP:
      if ((held & ~2) == 0) ReleaseCapture();
      manager->OnMouseUp(x, y, -1);
      break;
    case WM_MBUTTONUP:
      if ((held & ~4) == 0) ReleaseCapture();
      manager->OnMouseUp(x, y, 3);
      break;
    default: break;
  }
}

void KivoAppBase::RunTimerSteps(HWND window) {
  uint32_t t = GetTickCount();
  if (t - mLastTimerTick > 500u) mTimerRunStart = t;
  mLastTimerTick = t;

  if (mBrowserLaunchPending && t - mTimerRunStart > 5000u) {
    if (t - mBrowserLaunchTick > 8000u && !mActive) {
      OnBrowserLaunched(mPendingUrl);
    } else if (t - mBrowserLaunchTick > 12000u && mActive) {
      OnBrowserLaunchFailed(mPendingUrl);
    }
  }

  // Without a display the shown area is the logical size.
  POINT p0{0, 0};
  POINT p1{mWidth, mHeight};
  ClientToScreen(window, &p0);
  ClientToScreen(window, &p1);
  POINT c{};
  GetCursorPos(&c);
  bool inside = WindowFromPoint(c) == window && p0.x <= c.x && c.x < p1.x && p0.y <= c.y && c.y < p1.y;
  if (inside != mPointerInWindow) {
    RecordPointerInWindow(inside);
    if (!inside) {
      int x = c.x - p0.x;
      int y = c.y - p0.y;
      mWidgetManager->WindowToLogical(&x, &y);
      mWidgetManager->OnMouseExit(x, y);
    }
    mPointerInWindow = inside;
    RefreshCursor();
  }
}

void KivoAppBase::UpdateFocusState() {
  bool focused = mActive && !mMinimised;
  if (focused == mHasFocus) return;
  mHasFocus = focused;
  if (focused) {
    if (mMuteOnFocusLoss) UnmuteAudio(true);
    mWidgetManager->AppGainedFocus();
    OnFocusGained();
  } else {
    if (mMuteOnFocusLoss) MuteAudio(true);
    mWidgetManager->AppLostFocus();
    OnFocusLost();
    ReleaseCapture();
    mWidgetManager->ReleaseHeldButtons();
  }
}

void KivoAppBase::ClearKeyStates() {
  if (mWidgetManager != nullptr)
    for (bool& held : mWidgetManager->mKeyDown) held = false;
  mCtrlHeld = false;
  mAltHeld = false;
}

void KivoAppBase::OnInstanceNotify(WPARAM wParam, LPARAM) {
  if (wParam != 0) return;
  HWND window = mMainWindow.load();
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  if (GetWindowPlacement(window, &placement) && placement.showCmd == SW_SHOWMINIMIZED) ShowWindow(window, SW_RESTORE);
  SetForegroundWindow(window);
}

bool KivoAppBase::IsSysCharHandled(WPARAM character) {
  if (character > 0x7Fu) return false;
  int c = std::tolower(static_cast<int>(character));
  return c == '\r' || c == 'r';
}

bool KivoAppBase::CanRestore() { return !mWindowDisabled; }

}  // namespace Kivo
