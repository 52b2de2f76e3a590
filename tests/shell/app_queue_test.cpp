// The window procedure, the deferred input queue and the dispatch of queued
// records to the widget tree and the application.
#include "tests/shell/app_support.h"

namespace apptest {
namespace {

class InputWidget : public CountingWidget {
 public:
  InputWidget() { mWantsFocus = true; }
  void MouseWheel(int notches) override { wheel.push_back(notches); }
  void MouseDown(int x, int y, int count) override { downs.push_back(count); }
  void MouseUp(int x, int y, int count) override { ups.push_back(count); }
  void MouseLeave() override { ++leaves; }
  std::vector<int> wheel, downs, ups;
  int leaves = 0;
};

class QueueTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    app = std::make_unique<TestApp>();
    app->mCommandLineRead = true;  // the runner's options are not the game's
    app->Init();
    input = std::make_unique<InputWidget>();
    app->mWidgetManager->AddChild(input.get());
    app->mWidgetManager->SetFocus(input.get());
    main = app->mMainWindow.load();
    ASSERT_NE(main, nullptr);
    ShowWindow(main, SW_SHOW);
    Pump();
    app->DrainMessageQueue(false);
    ASSERT_TRUE(app->mActive);
    ASSERT_TRUE(app->mHasFocus);
    app->focusGained = app->focusLost = app->mutes = app->unmutes = 0;
    app->mInputQueue.clear();
  }
  void TearDown() override {
    app.reset();
    input.reset();
    AppFixture::TearDown();
  }
  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return MainWindowProc(main, message, wParam, lParam);
  }
  // Send and drain it at once.
  void Dispatch(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    app->mInputQueue.clear();
    Send(message, wParam, lParam);
    app->DrainMessageQueue(false);
  }
  std::vector<UINT> Queued() const {
    std::vector<UINT> out;
    for (const auto& r : app->mInputQueue) out.push_back(r.message);
    return out;
  }
  void Pump() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
  }

  std::unique_ptr<InputWidget> input;
  HWND main = nullptr;
};

TEST_F(QueueTest, QueueingRules) {
  Send(WM_TIMER, kMainTimerId);
  Send(WM_TIMER, kMainTimerId);
  EXPECT_EQ(Queued(), (std::vector<UINT>{WM_TIMER}));
  Send(WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
  Send(WM_TIMER, kMainTimerId);
  EXPECT_EQ(Queued(), (std::vector<UINT>{WM_TIMER, WM_MOUSEMOVE, WM_TIMER}));

  app->mInputQueue.clear();
  Send(WM_SYSCOLORCHANGE);
  Send(WM_KEYDOWN, 'A');
  Send(WM_DISPLAYCHANGE);
  Send(WM_SYSCOLORCHANGE);
  EXPECT_EQ(Queued(), (std::vector<UINT>{WM_SYSCOLORCHANGE, WM_KEYDOWN}));
  app->mInputQueue.clear();
  Send(WM_DISPLAYCHANGE);
  Send(WM_SYSCOLORCHANGE);
  EXPECT_EQ(Queued(), (std::vector<UINT>{WM_DISPLAYCHANGE}));

  app->mInputQueue.clear();
  EXPECT_EQ(Send(WM_CLOSE), 0);
  Send(WM_KEYDOWN, 'A');
  Send(WM_TIMER, kMainTimerId);
  Send(WM_MOUSEMOVE);
  EXPECT_EQ(Queued(), (std::vector<UINT>{WM_CLOSE}));
  EXPECT_FALSE(app->mShuttingDown) << "the close waits for the loop";

  app->mInputQueue.clear();
  app->mModalBoxOpen = true;
  Send(WM_KEYDOWN, 'A');
  Send(WM_MOUSEMOVE);
  EXPECT_TRUE(Queued().empty());
  app->mModalBoxOpen = false;

  app->keyDownHookAnswer = true;
  EXPECT_EQ(Send(WM_KEYDOWN, 'A'), 0);
  EXPECT_EQ(Send(WM_SYSKEYDOWN, 'A'), 0);
  Send(WM_KEYUP, 'A');
  EXPECT_EQ(Queued(), (std::vector<UINT>{WM_KEYUP}));
}

TEST_F(QueueTest, AltF4ClosesThroughTheQueueAndOtherAltKeysStopHere) {
  Send(WM_SYSKEYDOWN, VK_MENU);
  Send(WM_SYSKEYDOWN, VK_F4);
  EXPECT_EQ(Queued(), (std::vector<UINT>{WM_SYSKEYDOWN, WM_SYSKEYDOWN}));
  EXPECT_TRUE(app->mAltHeld);
  Pump();  // default processing turned Alt+F4 into a posted WM_CLOSE
  EXPECT_EQ(Queued().back(), WM_CLOSE);
  app->DrainMessageQueue(false);
  EXPECT_TRUE(app->mWindowClosed);
  EXPECT_TRUE(app->mShuttingDown);
}

TEST_F(QueueTest, AltXReturnsZeroWithoutDefaultProcessing) {
  Pump();
  EXPECT_EQ(Send(WM_SYSKEYDOWN, 'X'), 0);
  app->mInputQueue.clear();
  Pump();
  EXPECT_TRUE(Queued().empty()) << "no close was posted";
  EXPECT_EQ(Send(WM_SYSCHAR, 'r'), 0);
}

TEST_F(QueueTest, WheelNotchesAndMousePositions) {
  struct Case {
    int delta;
    int notches;
  };
  for (Case c : {Case{240, 2}, Case{-120, -1}, Case{60, 0}}) {
    input->wheel.clear();
    Dispatch(WM_MOUSEWHEEL, MAKEWPARAM(0, c.delta));
    ASSERT_EQ(input->wheel.size(), 1u) << c.delta;
    EXPECT_EQ(input->wheel[0], c.notches) << c.delta;
  }
  Dispatch(WM_MOUSEMOVE, 0, MAKELPARAM(-5, 7));
  EXPECT_EQ(app->mWidgetManager->mLastMouseX, -5);
  EXPECT_EQ(app->mWidgetManager->mLastMouseY, 7);
}

TEST_F(QueueTest, ButtonsMapToClickCountsAndCaptureFollowsHeldButtons) {
  Dispatch(WM_RBUTTONDBLCLK, 0, MAKELPARAM(10, 10));
  ASSERT_FALSE(input->downs.empty());
  EXPECT_EQ(input->downs.back(), -2);
  Dispatch(WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
  EXPECT_EQ(GetCapture(), nullptr);

  Dispatch(WM_LBUTTONDOWN, 0, MAKELPARAM(10, 10));
  Dispatch(WM_RBUTTONDOWN, 0, MAKELPARAM(10, 10));
  EXPECT_EQ(GetCapture(), main);
  Dispatch(WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  EXPECT_EQ(GetCapture(), main) << "the right button is still held";
  Dispatch(WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
  EXPECT_EQ(GetCapture(), nullptr);
  Dispatch(WM_MBUTTONDOWN, 0, MAKELPARAM(10, 10));
  EXPECT_EQ(input->downs.back(), 3);
}

TEST_F(QueueTest, AltEnterTogglesTheModeUnlessAModeWasForced) {
  Dispatch(WM_KEYDOWN, 'A');
  Dispatch(WM_SYSKEYDOWN, VK_RETURN);
  EXPECT_EQ(app->windowedModeCalls, (std::vector<bool>{false}));
  EXPECT_FALSE(app->mWidgetManager->mKeyDown[static_cast<int>('A')]) << "key states cleared";

  for (bool fullScreenForced : {true, false}) {
    app->windowedModeCalls.clear();
    app->mFullScreenForced = fullScreenForced;
    app->mWindowedForced = !fullScreenForced;
    Dispatch(WM_KEYDOWN, 'A');
    Dispatch(WM_SYSKEYDOWN, VK_RETURN);
    EXPECT_TRUE(app->windowedModeCalls.empty());
    EXPECT_TRUE(app->mWidgetManager->mKeyDown[static_cast<int>('A')]);
  }
  app->mFullScreenForced = app->mWindowedForced = false;
  app->windowedModeCalls.clear();
  Dispatch(WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(800, 600));
  EXPECT_EQ(app->windowedModeCalls, (std::vector<bool>{false}));
}

TEST_F(QueueTest, MinimiseAndFocusLossMuteAndReleaseInput) {
  Dispatch(WM_SIZE, SIZE_MINIMIZED);
  EXPECT_TRUE(app->mMinimised);
  EXPECT_GE(app->mutes, 1);
  EXPECT_EQ(app->focusLost, 1);
  app->RunFor(30);
  input->mDirty = false;
  Dispatch(WM_SIZE, SIZE_RESTORED, MAKELPARAM(640, 480));
  EXPECT_FALSE(app->mMinimised);
  EXPECT_GE(app->unmutes, 1);
  EXPECT_EQ(app->focusGained, 1);
  EXPECT_TRUE(input->mDirty) << "restoring repaints everything";

  Dispatch(WM_LBUTTONDOWN, 0, MAKELPARAM(10, 10));
  ASSERT_EQ(GetCapture(), main);
  int mutes = app->mutes;
  input->ups.clear();
  Dispatch(WM_ACTIVATEAPP, 0);
  EXPECT_FALSE(app->mActive);
  EXPECT_EQ(app->mutes, mutes + 1);
  EXPECT_FALSE(app->mWidgetManager->mHasFocus);
  EXPECT_EQ(app->focusLost, 2);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(input->ups, (std::vector<int>{1})) << "held buttons released";
}

TEST_F(QueueTest, CtrlAltKTogglesDebugKeys) {
  Dispatch(WM_KEYDOWN, VK_CONTROL);
  Dispatch(WM_SYSKEYDOWN, VK_MENU);
  Dispatch(WM_SYSKEYDOWN, 'K');
  EXPECT_TRUE(app->mDebugKeysOn);
  Dispatch(WM_SYSKEYDOWN, 'E');
  EXPECT_EQ(app->debugKeys, (std::vector<int>{'K', 'E'})) << "once on, every key is offered";
}

TEST_F(QueueTest, TimerStepsRestartRunsAndWatchBrowserLaunches) {
  app->mRunning = true;
  uint32_t now = timeGetTime();
  app->mLastTimerTick = now - 600;
  app->mTimerRunStart = 1;
  Dispatch(WM_TIMER, kMainTimerId);
  EXPECT_EQ(app->mTimerRunStart, now);
  Platform::AdvanceFakeClock(400);
  Dispatch(WM_TIMER, kMainTimerId);
  EXPECT_EQ(app->mTimerRunStart, now) << "a 400 ms gap continues the run";

  struct Case {
    bool active;
    uint32_t runAge, launchAge;
    int launched, failed;
  };
  const Case cases[] = {
      {false, 6000, 9000, 1, 0}, {false, 6000, 7000, 0, 0}, {true, 6000, 13000, 0, 1},
      {true, 6000, 9000, 0, 0},  {false, 4000, 9000, 0, 0},
  };
  for (const Case& c : cases) {
    app->launched.clear();
    app->launchFailed.clear();
    uint32_t t = timeGetTime();
    app->mActive = c.active;
    app->mBrowserLaunchPending = true;
    app->mPendingUrl = "http://example.invalid/";
    app->mLastTimerTick = t - 10;
    app->mTimerRunStart = t - c.runAge;
    app->mBrowserLaunchTick = t - c.launchAge;
    Dispatch(WM_TIMER, kMainTimerId);
    EXPECT_EQ(static_cast<int>(app->launched.size()), c.launched) << c.active << " " << c.runAge << " " << c.launchAge;
    EXPECT_EQ(static_cast<int>(app->launchFailed.size()), c.failed) << c.active << " " << c.launchAge;
  }
}

TEST_F(QueueTest, LeavingTheClientAreaCallsMouseExitOnce) {
  app->mRunning = true;
  Dispatch(WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  ASSERT_TRUE(app->mPointerInWindow);
  ASSERT_TRUE(input->mIsOver);
  std::vector<std::string> errors;
  ASSERT_TRUE(Platform::SetInputScript("0 move -50 -50\n", &errors));
  Pump();
  app->mInputQueue.clear();
  POINT c{};
  GetCursorPos(&c);
  POINT origin{0, 0};
  ClientToScreen(main, &origin);
  ASSERT_TRUE(c.x < origin.x && c.y < origin.y) << "the host pointer is outside the window";
  app->cursorRefreshes = 0;
  Dispatch(WM_TIMER, kMainTimerId);
  Platform::AdvanceFakeClock(10);
  Dispatch(WM_TIMER, kMainTimerId);
  EXPECT_FALSE(app->mPointerInWindow);
  EXPECT_EQ(app->cursorRefreshes, 1);
  EXPECT_EQ(input->leaves, 1);
  EXPECT_FALSE(input->mIsOver);
}

TEST_F(QueueTest, PlaybackKeysSteerTheDemo) {
  app->mPlaying = true;
  app->mDemoLength = 100000;
  app->mUpdateCount = 500;
  Send(WM_CHAR, '7');
  EXPECT_EQ(app->mFastForwardTarget, 100000 - 3000);
  Send(WM_CHAR, '0');
  EXPECT_EQ(app->mFastForwardTarget, 100000);
  Send(WM_CHAR, 'n');
  EXPECT_EQ(app->mFastForwardTarget, 501);
  EXPECT_TRUE(app->mFastForwardDraw);
  Send(WM_CHAR, 'M');
  EXPECT_TRUE(app->mFastForwardToEnd);
  app->mFrameTimeDebt = 150.0;
  Send(WM_CHAR, 'P');
  EXPECT_TRUE(app->mPlaybackPaused);
  EXPECT_EQ(app->mFrameTimeDebt, 0.0);
  Send(WM_CHAR, 'p');
  EXPECT_FALSE(app->mPlaybackPaused);
  Send(WM_CHAR, '+');
  EXPECT_DOUBLE_EQ(app->mSpeed, 1.5);
  Send(WM_CHAR, '-');
  Send(WM_CHAR, '-');
  EXPECT_DOUBLE_EQ(app->mSpeed, 1.0 / 1.5);
  Send(WM_CHAR, '=');
  EXPECT_EQ(app->mSpeed, 1.0);
  Send(WM_KEYDOWN, VK_F1);
  // A key held with Alt (Alt+R) comes as a system key-down: offered too.
  Send(WM_SYSKEYDOWN, 'R');
  EXPECT_EQ(app->debugKeys, (std::vector<int>{VK_F1, 'R'}));

  // Queued records are not dispatched while playing.
  app->mInputQueue.clear();
  Send(WM_MOUSEWHEEL, MAKEWPARAM(0, 120));
  app->DrainMessageQueue(false);
  EXPECT_TRUE(input->wheel.empty());
}

TEST_F(QueueTest, InstanceNotificationRestoresAndRaises) {
  app->mNotifyMessage = WM_USER + 77;
  ShowWindow(main, SW_MINIMIZE);
  Pump();
  ASSERT_TRUE(IsIconic(main));
  EXPECT_EQ(Send(app->mNotifyMessage, 1, 0), 0);
  EXPECT_TRUE(IsIconic(main)) << "only wParam 0 restores";
  EXPECT_EQ(Send(app->mNotifyMessage, 0, 0), 0);
  EXPECT_FALSE(IsIconic(main));
  EXPECT_EQ(GetForegroundWindow(), main);
}

}  // namespace
}  // namespace apptest
