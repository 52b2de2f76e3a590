// The loading and cursor threads, shutdown requested from another thread,
// and fatal errors raised off the main thread.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "tests/shell/app_support.h"

namespace apptest {
namespace {

class Latch {
 public:
  void Wait() {
    std::unique_lock<std::mutex> lock(m_);
    cv_.wait(lock, [&] { return mOpen; });
  }
  void Open() {
    {
      std::lock_guard<std::mutex> lock(m_);
      mOpen = true;
    }
    cv_.notify_all();
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  bool mOpen = false;
};

// Waiting for the loading thread to end does not move the headless clock.
TEST_F(AppFixture, WaitingForTheLoaderKeepsTheClock) {
  TestApp& a = MakeApp(false);
  Latch latch;
  a.loaderWork = [&] { latch.Wait(); };
  a.LaunchLoader();
  std::thread opener([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    latch.Open();
  });
  DWORD before = timeGetTime();
  a.WaitForLoader();
  opener.join();
  EXPECT_EQ(timeGetTime(), before);
}

TEST_F(AppFixture, LoaderStartsOnceReportsProgressAndIsAcknowledgedOnTheMainThread) {
  TestApp& a = MakeApp();
  Latch latch;
  std::atomic<int> runs{0};
  a.loaderWork = [&] {
    ++runs;
    latch.Wait();
  };
  EXPECT_EQ(a.LoaderProgress(), 0.0) << "before the start";
  a.mLoaderTotal = 100;
  a.mLoaderDone = 50;
  EXPECT_EQ(a.LoaderProgress(), 0.0) << "not started";

  a.LaunchLoader();
  a.LaunchLoader();
  EXPECT_TRUE(a.mLoaderRunning);
  struct Case {
    int total, done;
    double progress;
  };
  for (Case c : {Case{0, 10, 0.0}, Case{100, 50, 0.5}, Case{100, 120, 1.0}}) {
    a.mLoaderTotal = c.total;
    a.mLoaderDone = c.done;
    EXPECT_EQ(a.LoaderProgress(), c.progress) << c.done << "/" << c.total;
  }
  a.RunFor(100);
  EXPECT_FALSE(a.mLoaderFinishAcknowledged);
  latch.Open();
  a.WaitForLoader();
  a.RunFor(100);
  EXPECT_EQ(runs.load(), 1);
  EXPECT_TRUE(a.mLoaderFinishAcknowledged);
  EXPECT_FALSE(a.mLoaderRunning);
  EXPECT_EQ(a.loaderFinishedCalls.load(), 1);
  EXPECT_EQ(a.loaderFinishedThread, GetCurrentThreadId());
  a.mLoaderTotal = 100;
  a.mLoaderDone = 10;
  EXPECT_EQ(a.LoaderProgress(), 1.0) << "after the acknowledgement";
  EXPECT_NE(Log().find("Resource Loading Time: "), std::string::npos);
}

TEST_F(AppFixture, WaitForLoaderReturnsAtOnceWhenNeverStarted) {
  TestApp& a = MakeApp(false);
  uint32_t before = timeGetTime();
  a.WaitForLoader();
  EXPECT_EQ(timeGetTime(), before);
}

TEST_F(AppFixture, CursorThreadEndsSoonAfterShutdown) {
  Platform::UseRealClock();
  TestApp& a = MakeApp(false);
  a.LaunchCursorThread();
  a.LaunchCursorThread();
  EXPECT_TRUE(a.mCursorThreadRunning);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  auto start = std::chrono::steady_clock::now();
  a.BeginShutdown();
  auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  EXPECT_FALSE(a.mCursorThreadRunning);
  // One 10 ms pass on an idle machine; only a thread that never ends is
  // caught here (the fake-clock test below pins the wait itself).
  EXPECT_LT(took.count(), 30000);
}

TEST_F(AppFixture, ShutdownWaitsForTheCursorThreadWithoutMovingTheFakeClock) {
  TestApp& a = MakeApp(false);
  ASSERT_TRUE(Platform::FakeClockInUse());
  a.LaunchCursorThread();
  // Let the thread reach its sleep on the fake clock; a loaded machine may
  // take a while to start it, so only a thread that never gets there is
  // bounded.
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (Platform::FakeClockSleepers() == 0 && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_GT(Platform::FakeClockSleepers(), 0);
  const DWORD before = timeGetTime();
  a.BeginShutdown();
  EXPECT_FALSE(a.mCursorThreadRunning);
  EXPECT_EQ(timeGetTime(), before) << "the wait would show in the run's seconds";
}

TEST_F(AppFixture, CursorThreadLeavesTheCursorToAComingPresent) {
  TestApp& a = MakeApp(false);
  DDInterface& display = *a.mDisplay;
  a.mPlaying = true;  // the demo mouse position is the one followed
  a.mDrawCount = 1;
  a.mNextDrawTime = timeGetTime();  // a present just happened
  display.cursorDrawnX = display.cursorDrawnY = 0;
  POINT last{0, 0};
  auto passAt = [&](int32_t x, int32_t y) {
    a.mDemoMouseX = x;
    a.mDemoMouseY = y;
    a.FollowMouseOnce(last);
  };

  passAt(30, 40);
  EXPECT_EQ(display.cursorX, 30);
  EXPECT_EQ(display.cursorY, 40);
  EXPECT_EQ(display.cursorDrawnX, 0) << "stored for the present, not drawn";
  Platform::AdvanceFakeClock(display.millisPerRefresh + 5);
  passAt(31, 41);
  EXPECT_EQ(display.cursorX, 31);
  EXPECT_EQ(display.cursorDrawnX, 0) << "still inside the window";

  Platform::AdvanceFakeClock(1);
  passAt(31, 41);
  EXPECT_EQ(display.cursorDrawnX, 31) << "no present came: the cursor is drawn";
  EXPECT_EQ(display.cursorDrawnY, 41);
  display.cursorX = -1;
  passAt(31, 41);
  EXPECT_EQ(display.cursorX, -1) << "drawn once: the same position touches nothing";

  // A present drew the cursor elsewhere: the thread follows what is drawn,
  // not what it last asked for.
  display.cursorDrawnX = 5;
  passAt(31, 41);
  EXPECT_EQ(display.cursorDrawnX, 31);
  a.mPlaying = false;
}

// A present draws the cursor where the pointer is at that moment, whether
// or not the cursor thread has passed since the pointer moved: a played
// demo's frames must not depend on which thread ran last.
TEST_F(AppFixture, APresentDrawsTheCursorAtThePointerWithoutTheCursorThread) {
  TestApp& a = MakeApp(false);
  DDInterface& display = *a.mDisplay;
  a.mPlaying = true;
  display.cursorX = display.cursorY = 0;
  a.mDemoMouseX = 140;
  a.mDemoMouseY = 100;
  ASSERT_TRUE(a.DisplayPresent(nullptr));
  EXPECT_EQ(display.cursorDrawnX, 140);
  EXPECT_EQ(display.cursorDrawnY, 100);
  a.mPlaying = false;
}

TEST_F(AppFixture, ShutdownAskedFromAnotherThreadIsCarriedOutByTheLoop) {
  TestApp& a = MakeApp();
  a.RunFor(50);
  std::thread other([&] { a.BeginShutdown(); });
  other.join();
  EXPECT_TRUE(a.mShutdownRequested);
  EXPECT_FALSE(a.mShuttingDown);
  a.RunFor(50);
  EXPECT_TRUE(a.mShuttingDown);
}

TEST_F(AppFixture, FatalErrorFromTheLoaderIsShownByTheMainThread) {
  TestApp& a = MakeApp();
  a.loaderWork = [&] { a.ShowFatalErrorA("Failed to load group Game"); };
  a.LaunchLoader();
  a.WaitForLoader();
  EXPECT_EQ(Log().find("MessageBox"), std::string::npos) << "no box opens on the loader thread";
  a.RunFor(20);
  std::string log = Log();
  EXPECT_NE(log.find("MessageBox thread=main type=0x10 title=\"FATAL ERROR\" text=\"Failed to load group Game\""),
            std::string::npos)
      << log;
}

}  // namespace
}  // namespace apptest
