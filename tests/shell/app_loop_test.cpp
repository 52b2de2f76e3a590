// The main loop's cadence, catch-up, present rules, loading throttle, single
// step, and the passes that cannot update (paused playback, a refusing gate).
#include <condition_variable>
#include <mutex>
#include <ostream>
#include <string>
#include <tuple>

#include "tests/shell/app_support.h"

namespace apptest {
namespace {

struct CadenceCase {
  double speed;
  int minUpdates;
  int maxUpdates;
};

// Parameters print as words, so test and CTest names are readable.
void PrintTo(const CadenceCase& c, std::ostream* out) { *out << "speed " << c.speed; }

class CadenceTest : public AppFixture, public ::testing::WithParamInterface<std::tuple<CadenceCase, DWORD>> {
 protected:
  DWORD StartTime() const override { return std::get<1>(GetParam()); }
};

TEST_P(CadenceTest, UpdatesPerSecondFollowTheSpeedAndEachUpdateIsPresented) {
  const CadenceCase c = std::get<0>(GetParam());
  TestApp& a = MakeApp();
  a.mSpeed = c.speed;
  a.RunFor(2600);
  ASSERT_FALSE(a.presentTimes.empty());
  ASSERT_FALSE(a.updateTimes.empty());
  EXPECT_LE(static_cast<int32_t>(a.presentTimes.front() - a.updateTimes.front()), 0)
      << "the first frame is drawn before the first update";

  uint32_t from = StartTime() + 1500;
  int updates = a.CountUpdatesBetween(from, from + 1000);
  EXPECT_GE(updates, c.minUpdates);
  EXPECT_LE(updates, c.maxUpdates);
  int presents = 0;
  for (uint32_t t : a.presentTimes)
    if (static_cast<int32_t>(t - from) >= 0 && static_cast<int32_t>(t - (from + 1000)) < 0) ++presents;
  EXPECT_NEAR(presents, updates, 2) << "about one present per update";
}

INSTANTIATE_TEST_SUITE_P(Speeds, CadenceTest,
                         ::testing::Combine(::testing::Values(CadenceCase{1.0, 99, 100}, CadenceCase{2.0, 199, 200},
                                                              CadenceCase{0.5, 49, 50}),
                                            // 0x800 below 2^32: the measured second spans the wrap.
                                            ::testing::Values(DWORD{0x10000}, DWORD{0xFFFFF800u})),
                         [](const testing::TestParamInfo<CadenceTest::ParamType>& info) {
                           const double speed = std::get<0>(info.param).speed;
                           return "Speed" + std::to_string(static_cast<int>(speed * 10)) + "Tenths" +
                                  (std::get<1>(info.param) > 0x80000000u ? "AcrossTheClockWrap" : "");
                         });

// After a draw that takes a second, the capped debt (200 ms) is paid back:
// in one run while the loader's end is not acknowledged, in runs of
// cap - 1 with presents between once it is.
struct CatchUpCase {
  double speed;
  bool loaderDone;
  std::string expected;
};

void PrintTo(const CatchUpCase& c, std::ostream* out) {
  *out << "speed " << c.speed << (c.loaderDone ? ", loader done" : ", loader running");
}

class CatchUpTest : public AppFixture, public ::testing::WithParamInterface<CatchUpCase> {};

TEST_P(CatchUpTest, LongDrawIsFollowedByCappedCatchUp) {
  const CatchUpCase c = GetParam();
  TestApp& a = MakeApp();
  a.mSpeed = c.speed;
  if (c.loaderDone) {
    a.LaunchLoader();
    a.WaitForLoader();
    for (int i = 0; i < 100 && !a.mLoaderFinishAcknowledged; ++i) a.Step();
    ASSERT_TRUE(a.mLoaderFinishAcknowledged);
  }
  a.RunFor(300);
  widget->nextDrawMs = 1000;
  a.trace.clear();
  a.RunFor(1200);
  // From the slow draw's present to the first sleep after it.
  size_t slowPresent = a.trace.find('P');
  ASSERT_NE(slowPresent, std::string::npos);
  size_t sleep = a.trace.find('S', slowPresent);
  ASSERT_NE(sleep, std::string::npos);
  EXPECT_EQ(a.trace.substr(slowPresent + 1, sleep - slowPresent - 1), c.expected);
}

std::string Runs(std::initializer_list<int> runs) {
  std::string s;
  for (int n : runs) s += std::string(static_cast<size_t>(n), 'U') + 'P';
  return s;
}

INSTANTIATE_TEST_SUITE_P(Speeds, CatchUpTest,
                         ::testing::Values(CatchUpCase{1.0, false, Runs({20})}, CatchUpCase{1.0, true, Runs({9, 9, 2})},
                                           CatchUpCase{2.0, true, Runs({19, 19, 2})},
                                           CatchUpCase{0.5, true, Runs({4, 4, 2})}),
                         [](const testing::TestParamInfo<CatchUpCase>& info) {
                           return "Speed" + std::to_string(static_cast<int>(info.param.speed * 10)) + "Tenths" +
                                  (info.param.loaderDone ? "LoaderDone" : "LoaderRunning");
                         });

TEST_F(AppFixture, NothingDirtyPresentsOncePerSecondUnlessForced) {
  TestApp& a = MakeApp();
  widget->dirty = false;
  a.RunFor(100);
  a.presentTimes.clear();
  a.RunFor(3000);
  ASSERT_GE(a.presentTimes.size(), 2u);
  ASSERT_LE(a.presentTimes.size(), 4u);
  for (size_t i = 1; i < a.presentTimes.size(); ++i) {
    uint32_t gap = a.presentTimes[i] - a.presentTimes[i - 1];
    EXPECT_GE(gap, 1000u);
    EXPECT_LE(gap, 1020u);
  }
  size_t before = a.presentTimes.size();
  a.mForcePresent = true;
  a.RunFor(30);
  EXPECT_EQ(a.presentTimes.size(), before + 1);
  EXPECT_FALSE(a.mForcePresent);
}

TEST_F(AppFixture, LoadingSpacesDrawsAndThrottlesTheMainThread) {
  TestApp& a = MakeApp();
  std::mutex m;
  std::condition_variable cv;
  bool release = false;
  a.loaderWork = [&] {
    std::unique_lock<std::mutex> lock(m);
    cv.wait(lock, [&] { return release; });
  };
  a.LaunchLoader();
  widget->drawMs = 5;
  a.RunFor(1000);
  ASSERT_GE(a.presentTimes.size(), 10u);
  EXPECT_LE(a.presentTimes.size(), 21u) << "about 20 presents a second while loading";
  for (size_t k = 1; k < a.presentTimes.size(); ++k)
    EXPECT_GE(a.presentTimes[k] - a.presentTimes[0], 50u * k) << "present " << k;

  // A 200 ms update: the throttle then sleeps 250 ms, not twice 200.
  widget->drawMs = 0;
  widget->updateMs = 200;
  int updatesBefore = widget->updates;
  for (int i = 0; i < 1000 && widget->updates == updatesBefore; ++i) {
    uint32_t before = timeGetTime();
    a.Step();
    if (widget->updates != updatesBefore) {
      EXPECT_EQ(timeGetTime() - before, 200u + 250u);
    }
  }
  {
    std::lock_guard<std::mutex> lock(m);
    release = true;
  }
  cv.notify_all();
  a.WaitForLoader();
}

TEST_F(AppFixture, SingleStepRunsOneUpdateAndOneDrawThenSleepsAnInterval) {
  TestApp& a = MakeApp();
  a.RunFor(100);
  a.mSingleStepMode = kSingleStepWanted;
  a.mLoopState = kLoopCheck;
  a.trace.clear();
  a.Step();
  EXPECT_EQ(a.trace, "UP");
  EXPECT_EQ(a.mSingleStepMode, kSingleStepWaiting);
  for (int i = 0; i < 10; ++i) {
    uint32_t before = timeGetTime();
    int updates = widget->updates;
    a.Step();
    EXPECT_EQ(widget->updates, updates);
    uint32_t moved = timeGetTime() - before;
    EXPECT_TRUE(moved == 0u || moved == 10u) << moved;  // message passes take no time
  }
}

TEST_F(AppFixture, TimeSpentInAMessageBoxBringsNoCatchUpBurst) {
  TestApp& a = MakeApp();
  a.RunFor(200);
  bool shown = false;
  widget->onDraw = [&] {
    if (shown) return;
    shown = true;
    Platform::AdvanceFakeClock(5000);  // the user reads the box for 5 s
    a.ShowMessageBoxW(L"text", L"title", MB_OK);
  };
  a.trace.clear();
  a.RunFor(100);
  ASSERT_TRUE(shown);
  EXPECT_EQ(a.trace.find("UU"), std::string::npos) << a.trace;
  EXPECT_NE(Log().find("MessageBox thread=main"), std::string::npos);
}

TEST_F(AppFixture, DeletionQueueHonoursNestingDepth) {
  TestApp& a = MakeApp(false);
  struct Tracked : Widget {
    explicit Tracked(bool* gone) : gone_(gone) {}
    ~Tracked() override { *gone_ = true; }
    bool* gone_;
  };
  bool gone2 = false, gone0 = false;
  a.mStepDepth = 2;
  a.QueueWidgetDeletion(new Tracked(&gone2));
  a.mStepDepth = 3;
  a.ProcessDeletionQueue();
  EXPECT_FALSE(gone2);
  a.mStepDepth = 2;
  a.ProcessDeletionQueue();
  EXPECT_TRUE(gone2);

  a.mStepDepth = 5;
  a.QueueWidgetDeletion(new Tracked(&gone0));
  a.mStepDepth = 0;
  a.ProcessDeletionQueue();
  EXPECT_TRUE(gone0);
  EXPECT_TRUE(a.mDeletionQueue.empty());

  // Queued outside any loop step (during start-up): gone at the next step's
  // deletions, not only when the loop ends.
  bool goneOutside = false;
  a.QueueWidgetDeletion(new Tracked(&goneOutside));
  a.mStepDepth = 1;
  a.ProcessDeletionQueue();
  a.mStepDepth = 0;
  EXPECT_TRUE(goneOutside);
}

// --- Passes that cannot update still take messages and sleep. ---

void ExpectIdlePassesSleep(TestApp& a) {
  for (int i = 0; i < 20; ++i) {
    uint32_t before = timeGetTime();
    int state = a.mLoopState;
    a.Step();
    uint32_t moved = timeGetTime() - before;
    if (state == kLoopMessages || state == kLoopDone) {
      EXPECT_EQ(moved, 0u);
    } else {
      EXPECT_EQ(moved, static_cast<uint32_t>(a.mUpdateInterval)) << "pass " << i;
      EXPECT_EQ(a.mLoopState, kLoopDone) << "the next pass takes messages";
    }
  }
}

TEST_F(AppFixture, PausedPlaybackTakesMessagesSoAnInjectedPUnpauses) {
  TestApp& a = MakeApp();
  a.mPlaying = true;
  a.mDemoLoaderFinished = false;
  a.mLastEventUpdate = 1000000;
  a.mPlaybackPaused = true;
  a.RunFor(50);
  int updates = widget->updates;
  ExpectIdlePassesSleep(a);
  EXPECT_EQ(widget->updates, updates);

  PostMessageA(a.mMainWindow.load(), WM_CHAR, 'P', 0);
  a.RunFor(50);
  EXPECT_FALSE(a.mPlaybackPaused);
  EXPECT_GT(widget->updates, updates);
}

TEST_F(AppFixture, SpeedZeroSleepsOneIntervalPerTimedPass) {
  TestApp& a = MakeApp();
  a.mSpeed = 0.0;
  a.RunFor(20);
  ExpectIdlePassesSleep(a);
}

TEST_F(AppFixture, RefusingPlaybackGateStillLetsTheCloseBoxEndTheLoop) {
  TestApp& a = MakeApp();
  a.mPlaying = true;
  a.mLastEventUpdate = a.mUpdateCount;  // waiting for the next recorded event
  a.RunFor(50);
  ExpectIdlePassesSleep(a);
  PostMessageA(a.mMainWindow.load(), WM_CLOSE, 0, 0);
  a.RunFor(50);
  EXPECT_TRUE(a.mShuttingDown);
  EXPECT_TRUE(a.mWindowClosed);
  EXPECT_FALSE(a.StepAppOnce(nullptr));
}

TEST_F(AppFixture, RefusingFastForwardGateDoesNotSpin) {
  TestApp& a = MakeApp();
  a.mPlaying = true;
  a.mLastEventUpdate = a.mUpdateCount;
  a.mFastForwardTarget = 1000;
  a.mLoopState = kLoopCheck;
  ExpectIdlePassesSleep(a);
}

TEST_F(AppFixture, ScreenSaverPauseBeforeLoaderEndDoesNotSpin) {
  TestApp& a = MakeApp();
  a.RunFor(50);
  gScreenSaverPause = true;
  ExpectIdlePassesSleep(a);
  gScreenSaverPause = false;
}

TEST_F(AppFixture, StartRunsUntilCloseAndWritesTheStatistics) {
  TestApp& a = MakeApp();
  std::vector<std::string> errors;
  ASSERT_TRUE(Platform::SetInputScript("300 move 10 10\n500 close\n", &errors));
  a.Start();
  EXPECT_TRUE(a.mShuttingDown);
  EXPECT_FALSE(a.mRunning);
  EXPECT_FALSE(a.mCursorThreadRunning);
  EXPECT_FALSE(IsWindowVisible(a.mMainWindow.load())) << "shutdown hides the window";
  std::string log = Log();
  for (const char* label : {"Seconds       = ", "Sleep Count   = ", "Update Count  = ", "Draw Count    = ",
                            "Draw Time     = ", "Screen Blt    = "})
    EXPECT_NE(log.find(label), std::string::npos) << label;
  EXPECT_EQ(log.find("Avg FPS"), std::string::npos) << "draws and presents took no time";

  a.mTotalDrawTime = 10;
  a.mLastPresentDuration = 10;
  a.mDrawCount = 5;
  std::vector<std::string> lines = a.LoopStatistics(2500);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "Seconds       = 2.5\r\n");
  EXPECT_EQ(lines[6], "Avg FPS       = 250\r\n");
}

}  // namespace
}  // namespace apptest
