// The cursor thread and the loading thread. Both are started once, detached,
// and watched through atomic flags: the cursor thread runs until the
// shutting-down flag is seen and then clears its running flag (shutdown waits
// for that); the loading thread runs the game's LoaderWork and sets loader
// finished, which the main loop acknowledges on the main thread.
#include "image/surface/SoftwareCursor.h"
#include "platform/Platform.h"
#include "shell/base/Lock.h"
#include "shell/KivoAppBase.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

void CursorThreadMain(void* argument) {
  CoInitialize(nullptr);
  static_cast<KivoAppBase*>(argument)->CursorThreadLoop();
}

void LoaderThreadBody(void* argument) {
  auto* app = static_cast<KivoAppBase*>(argument);
  app->LoaderWork();
  OutputDebugStringA(
      FormatText("Resource Loading Time: %d\r\n", static_cast<int>(GetTickCount() - app->mStartTick)).c_str());
  app->mLoaderFinished = true;
}

}  // namespace

void KivoAppBase::LaunchCursorThread() {
  if (mCursorThreadRunning) return;
  mCursorThreadRunning = true;
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
  _beginthread(CursorThreadMain, 0, this);
}

void KivoAppBase::CursorThreadLoop() {
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
  POINT last{0, 0};
  while (!mShuttingDown) {
    FollowMouseOnce(last);
    Sleep(10);
  }
  // Last act: after this store the object may be gone.
  mCursorThreadRunning = false;
}

POINT KivoAppBase::WantedCursorPos() {
  POINT p{0, 0};
  if (mPlaying) {
    p.x = mDemoMouseX;
    p.y = mDemoMouseY;
  } else {
    GetCursorPos(&p);
    HWND window = mMainWindow.load();
    if (window != nullptr) ScreenToClient(window, &p);
  }
  return p;
}

void KivoAppBase::FollowMouseOnce(POINT& last) {
  const POINT p = WantedCursorPos();
  // Moving the software cursor between presents needs the display; until it
  // exists the pointer is the host's own and nothing is drawn here.
  if (mDisplay == nullptr) return;
  DDInterface& display = *mDisplay;
  if (mDrawCount != 0) {
    // Presents draw the cursor too: compare with where it really is.
    ScopedLock lock(display.displayLock);
    last.x = display.cursorDrawnX;
    last.y = display.cursorDrawnY;
  }
  if (p.x == last.x && p.y == last.y) return;
  // Within a refresh period (and a little) of the last present another is
  // coming soon: drawing now would only fight it, so leave the wanted
  // position for it to draw.
  const uint32_t sincePresent = timeGetTime() - mNextDrawTime.load();
  if (sincePresent > display.millisPerRefresh + 5) {
    SetSoftwareCursorPos(display, p.x, p.y);
    last = p;
  } else {
    display.cursorX = p.x;
    display.cursorY = p.y;
  }
}

void KivoAppBase::LaunchLoader() {
  if (mLoaderStarted) return;
  mLoaderRunning = true;
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
  mLoaderStarted = true;
  _beginthread(LoaderThreadBody, 0, this);
}

void KivoAppBase::WaitForLoader() {
  // A wait for another thread's end: it must not show in the program's
  // times (headless, Sleep here would move the fake clock).
  while (mLoaderStarted && !mLoaderFinished) Platform::WaitWithoutMovingClock(20);
}

double KivoAppBase::LoaderProgress() {
  if (mLoaderFinishAcknowledged) return 1.0;
  int32_t total = mLoaderTotal;
  if (!mLoaderStarted || total == 0) return 0.0;
  double progress = static_cast<double>(mLoaderDone.load()) / total;
  if (progress >= 1.0) return 1.0;
  return progress < 0.0 ? 0.0 : progress;
}

}  // namespace Kivo
