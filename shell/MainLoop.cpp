// The main loop: one pass either takes window messages and one queued input
// message, or runs one fixed update, books its time, draws and presents, or
// sleeps until the next update is due. Updates run every update interval /
// speed; time the loop falls behind becomes a debt (at most 200 ms) paid back
// by extra updates, at most ceil(10 x speed) - 1 of them between two draws
// once the loader's end has been acknowledged.
//
// A pass that can update nothing (paused playback, a speed not above 0, a
// gate that holds the update) ends the cycle, runs the idle check when due
// and sleeps one update interval, so messages are still taken and the loop
// never spins.
#include <algorithm>
#include <cmath>

#include "audio/MusicInterface.h"
#include "audio/SoundManager.h"
#include "image/MemoryImage.h"
#include "platform/Clock.h"
#include "platform/Platform.h"
#include "shell/KivoAppBase.h"
#include "ui/WidgetManager.h"

namespace Kivo {

void KivoAppBase::RunLoop() {
  while (!mShuttingDown) {
    if (mLeaveLoop) mLeaveLoop = false;
    StepAppUntilUpdated();
  }
}

bool KivoAppBase::StepAppUntilUpdated() {
  for (;;) {
    bool updated = false;
    if (!StepAppOnce(&updated)) return false;
    if (updated) return true;
  }
}

bool KivoAppBase::StepAppOnce(bool* updated) {
  if (updated != nullptr) *updated = false;
  if (mLeaveLoop) return false;
  ShowPendingFatalError();

  if (mLoopState == kLoopDone) mLoopState = kLoopMessages;
  ++mStepDepth;
  if (mLoopState == kLoopMessages) {
    MSG message;
    while (!mShuttingDown && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    // A recording takes input between an update's frame and the next update
    // (see DrainMessageQueue): events stamped with this update count replay
    // only once its frame is drawn, so both draw on the same state.
    if (!mUpdatedSinceDraw || !mLoaderFinishAcknowledged) ReplayDemoEvents();
    if (!DrainMessageQueue(true)) mLoopState = kLoopCheck;
  } else if (mSingleStepMode == kSingleStepOff) {
    int32_t before = mUpdateCount;
    RunTimedStep(true);
    if (updated != nullptr) *updated = mUpdateCount != before;
  } else if (mSingleStepMode == kSingleStepWanted) {
    mSingleStepMode = kSingleStepWaiting;
    GatedStepUpdate();
    StepUpdateSmooth(1.0f);
    DrawFrame();
  } else {
    Sleep(static_cast<DWORD>(mUpdateInterval));
    mLoopState = kLoopDone;
  }
  --mStepDepth;
  return true;
}

void KivoAppBase::RunIdlePass(bool allowSleep, bool* wouldSleep) {
  mLoopState = kLoopDone;
  uint32_t now = timeGetTime();
  if (now - mLastIdleCheck > 1000u) {
    mLastIdleCheck = now;
    CheckScreenSaverIdle();
  }
  *wouldSleep = !allowSleep;
  if (!allowSleep) return;
  ++mSleepCount;
  Sleep(static_cast<DWORD>(std::max(mUpdateInterval, 1)));
}

bool KivoAppBase::RunTimedStep(bool allowSleep) {
  if (mShutdownRequested) BeginShutdown();

  bool wouldSleep = false;
  if (mPlaying && (mUpdateCount < mFastForwardTarget || mFastForwardToEnd)) {
    if (!mFastForwardMuted && !mFastForwardDraw) {
      mFastForwardMuted = true;
      MuteAudio(true);
    }
    while (mUpdateCount < mFastForwardTarget || mFastForwardToEnd) {
      ResetFrameTimer();
      int32_t before = mUpdateCount;
      if (GatedStepUpdate()) {
        ProcessDeletionQueue();
        StepUpdateSmooth(1.0f);
        ProcessDeletionQueue();
      }
      if (mUpdateCount == before) {
        // The gate holds the update (end of the demo, the loader): let the
        // next pass take messages instead of trying again at once.
        RunIdlePass(allowSleep, &wouldSleep);
        if (wouldSleep) return false;
        ProcessDeletionQueue();
        return true;
      }
      uint32_t tick = GetTickCount();
      if (!mFastForwardDrawTickSet) {
        mFastForwardDrawTickSet = true;
        mLastFastForwardDraw = tick;
      }
      if (tick - mLastFastForwardDraw >= 1000u || mFastForwardDraw) {
        mFastForwardDraw = false;
        mLastFastForwardDraw = tick;
        DrawFrame();
        return true;
      }
    }
    if (mFastForwardMuted) {
      mFastForwardMuted = false;
      if (mSoundManager != nullptr) mSoundManager->StopAllInstances();
      UnmuteAudio(true);
    }
  }

  if (mPlaybackPaused || !(mSpeed > 0.0)) {
    RunIdlePass(allowSleep, &wouldSleep);
    if (wouldSleep) return false;
    ProcessDeletionQueue();
    return true;
  }

  uint32_t now = timeGetTime();
  int32_t slept = 0;
  AccumulateFrameTime();
  double step = mUpdateInterval / mSpeed;
  int32_t perDrawCap = static_cast<int32_t>(std::ceil(10.0 * mSpeed));

  bool acted = false;
  if (mLoopState == kLoopCheck) {
    ++mUpdatesSinceDraw;
    if (mUpdatesSinceDraw < perDrawCap || !mLoaderFinishAcknowledged) {
      if (mFrameTimeDebt >= step) {
        mUpdatedSinceDraw = true;
        acted = true;
        if (GatedStepUpdate()) {
          mLoopState = kLoopCatchUp;
        } else if (!mLoaderFinishAcknowledged) {
          if (mPlaying && mDemoLoaderFinished) {
            // The recording's loader had finished by this update and ours
            // has not yet: wait for it without moving the clock, so the
            // played run keeps the recording's times from here on.
            Platform::WaitWithoutMovingClock(1);
            ProcessDeletionQueue();
            return true;
          }
          // No per-draw cap applies yet, so nothing else would end this
          // cycle: hand the next pass back to the messages.
          RunIdlePass(allowSleep, &wouldSleep);
          if (wouldSleep) return false;
          ProcessDeletionQueue();
          return true;
        }
      }
    }
  } else if (mLoopState == kLoopCatchUp) {
    mLoopState = kLoopDone;
    ProcessDeletionQueue();
    StepUpdateSmooth(1.0f);
    ProcessDeletionQueue();
    mFrameTimeDebt -= step;
    acted = true;
  }

  if (!acted) {
    mLoopState = kLoopDone;
    mUpdatesSinceDraw = 0;
    if (mUpdatedSinceDraw) {
      DrawFrame();
    } else {
      int32_t wait = static_cast<int32_t>(step - mFrameTimeDebt);
      if (wait > 0) {
        if (!allowSleep) return false;
        ++mSleepCount;
        Sleep(static_cast<DWORD>(wait));
        slept = wait;
      }
    }
  }

  if (mLoaderRunning) {
    // Leave the loader about twice our own working time.
    int32_t work = static_cast<int32_t>(timeGetTime() - now) - slept;
    int32_t extra = std::min(2 * work - slept, 250);
    if (extra >= 0) {
      if (!allowSleep) return false;
      Sleep(static_cast<DWORD>(extra));
    }
  }

  ProcessDeletionQueue();
  return true;
}

bool KivoAppBase::GatedStepUpdate() {
  auto acknowledge = [this] {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
    mLoaderFinishAcknowledged = true;
    mLoaderRunning = false;
    OnLoaderFinished();
  };

  if (gScreenSaverPause) return false;
  if (mPlaying) {
    if (mLoaderFinished && !mLoaderFinishAcknowledged && mDemoLoaderFinished) acknowledge();
    if (mLoaderFinishAcknowledged.load() != mDemoLoaderFinished || mUpdateCount == mLastEventUpdate) return false;
    StepUpdate();
    return true;
  }
  if (mLoaderFinished && !mLoaderFinishAcknowledged) {
    acknowledge();
    RecordLoaderFinished();
  }
  StepUpdate();
  return true;
}

void KivoAppBase::StepUpdate() {
  ++mUpdateCount;
  if (!mMinimised) mWidgetManager->UpdateFrame();
  if (mMusicInterface != nullptr) mMusicInterface->Update();
  PurgeSharedImages();
}

bool KivoAppBase::DrawFrame() {
  auto skip = [this] {
    mUpdatedSinceDraw = false;
    mLastDrawSkipped = true;
    return false;
  };

  if (gPresentFailed) {
    PresentFrame(nullptr);
    return skip();
  }
  if (mOverlayOn && mDeveloperTools != nullptr) mDeveloperTools->PrepareOverlays(*this);

  uint32_t now = timeGetTime();
  if (now - mLastIdleCheck > 1000u) {
    mLastIdleCheck = now;
    CheckScreenSaverIdle();
  }
  if (gScreenSaverPause) return skip();

  mDrawing = true;
  bool drew = mWidgetManager->DrawScreen();
  if (mOverlayOn && mDeveloperTools != nullptr) mDeveloperTools->DrawOverlays(*this);
  mDrawing = false;

  bool nothingNew = !drew && now - mLastPresentTime < 1000u && !mForcePresent;
  bool tooEarly = static_cast<int32_t>(now - mNextDrawTime.load()) < 0;
  if (nothingNew || tooEarly) return skip();

  mLastDrawSkipped = false;
  ++mDrawCount;
  mTotalDrawTime += static_cast<int32_t>(timeGetTime() - now);
  if (mWaitForVSync && mWindowIsWindowed && mDisplay != nullptr) {
    uint32_t sincePresent = timeGetTime() - mLastPresentTime;
    if (sincePresent < mDisplay->millisPerRefresh) Sleep(mDisplay->millisPerRefresh - sincePresent);
  }

  mLastPresentTime = timeGetTime();
  PresentFrame(nullptr);
  AccumulateFrameTime();
  mLastPresentDuration = static_cast<int32_t>(timeGetTime() - mLastPresentTime);

  uint32_t t = timeGetTime();
  if (mLoaderStarted && !mLoaderFinished) {
    int32_t took = std::max(static_cast<int32_t>(t - now), 15);
    uint32_t next = mNextDrawTime.load() + static_cast<uint32_t>(took + 35);
    if (static_cast<int32_t>(next - t) <= 0) next = t;
    mNextDrawTime = next;
  } else {
    mNextDrawTime = t;
  }
  mUpdatedSinceDraw = false;
  mForcePresent = false;
  return true;
}

void KivoAppBase::CloseAfterPresenting() {
  // A close may come in before or after the frame of the update it follows
  // has been drawn (posted from the update, or arriving with the clock), and
  // the demo journal holds only the update. Drawing the pending frame first
  // on every side makes a played demo end on the frame its recording ended
  // on, and a closed window on the state it was closed in.
  if (!mShuttingDown && !mDrawing && mUpdatedSinceDraw && mWidgetManager != nullptr) DrawFrame();
  BeginShutdown();
}

void KivoAppBase::PresentFrame(const Rect* rect) {
  if (mDrawing || mShuttingDown || gScreenSaverPause) return;
  if (DisplayPresent(rect)) {
    if (gPresentFailed) {
      gPresentFailed = false;
      mLastPresentRecovery = 0;
    }
    return;
  }
  g3DDrawFailed = false;
  gPresentFailed = true;
  RecoverFailedPresent();
}

void KivoAppBase::ResetFrameTimer(bool) {
  mLastFrameTime = timeGetTime();
  mFrameTimeDebt = 0.0;
}

void KivoAppBase::AccumulateFrameTime() {
  uint32_t t = timeGetTime();
  if (mLastFrameTime != 0) mFrameTimeDebt = std::min(mFrameTimeDebt + static_cast<double>(t - mLastFrameTime), 200.0);
  mLastFrameTime = t;
}

void KivoAppBase::ProcessDeletionQueue() {
  // Index walk: a deleted widget may queue others from its destructor.
  for (size_t i = 0; i < mDeletionQueue.size();) {
    // Depth 0: queued outside any loop step, so no step can still use it.
    if (mDeletionQueue[i].depth >= mStepDepth || mDeletionQueue[i].depth == 0) {
      Widget* widget = mDeletionQueue[i].widget;
      mDeletionQueue.erase(mDeletionQueue.begin() + static_cast<std::ptrdiff_t>(i));
      delete widget;
    } else {
      ++i;
    }
  }
}

}  // namespace Kivo
