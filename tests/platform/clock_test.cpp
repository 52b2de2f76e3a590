// The shared millisecond clock, fake time, and timers.
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <chrono>
#include <thread>

#include "tests/platform/headless_fixture.h"

namespace {

TEST(FakeClock, BothTickCallsAgreeAcrossTheWrap) {
  Platform::SetMainThread();
  Platform::UseFakeClock(0xFFFFFFF0u);
  for (int step = 0; step < 4; ++step) {
    EXPECT_EQ(timeGetTime(), GetTickCount());
    Sleep(7);
  }
  EXPECT_EQ(timeGetTime(), 0xFFFFFFF0u + 28u) << "wraps like a u32";
  EXPECT_EQ(timeGetTime(), 12u);
  EXPECT_EQ(GetTickCount(), 12u);
  Platform::UseRealClock();
}

TEST(FakeClock, OnlyTheMainThreadMovesTime) {
  Platform::SetMainThread();
  Platform::UseFakeClock(1000);
  Sleep(15);
  EXPECT_EQ(timeGetTime(), 1015u);

  std::atomic<bool> woke{false};
  std::thread other([&] {
    Sleep(15);  // waits for the main thread's clock
    woke = true;
  });
  // Wait (in real time) until the other thread sleeps on the fake clock.
  while (Platform::FakeClockSleepers() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(timeGetTime(), 1015u) << "another thread's Sleep moved the clock";
  EXPECT_FALSE(woke.load());
  Sleep(10);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(woke.load()) << "10 of 15 ms is not enough";
  Sleep(5);
  other.join();
  EXPECT_TRUE(woke.load());
  EXPECT_EQ(timeGetTime(), 1030u);
  Platform::UseRealClock();
}

TEST(RealClock, SleepWaitsRealTime) {
  Platform::UseRealClock();
  DWORD before = GetTickCount();
  Sleep(20);
  EXPECT_GE(static_cast<DWORD>(GetTickCount() - before), 19u);
}

class Timers : public HeadlessFixture {};

TEST_F(Timers, OneTimerMessagePerPumpNeverABacklog) {
  ASSERT_EQ(SetTimer(window, 100, 10, nullptr), 100u);
  Sleep(35);
  std::vector<Record> first = Only(Drain(), {WM_TIMER});
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0].wParam, 100u);
  EXPECT_TRUE(Drain().empty()) << "the interval has not passed again";
  Sleep(9);
  EXPECT_TRUE(Drain().empty());
  Sleep(1);
  EXPECT_EQ(Only(Drain(), {WM_TIMER}).size(), 1u);
  EXPECT_TRUE(KillTimer(window, 100));
  Sleep(50);
  EXPECT_TRUE(Drain().empty());
}

TEST_F(Timers, TerminationSignalBecomesOneEndSession) {
  ::raise(SIGTERM);
  ::raise(SIGINT);
  std::vector<Record> records = Only(Drain(), {});
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].message, WM_ENDSESSION);
  EXPECT_EQ(records[0].wParam, 1u);
  EXPECT_TRUE(Drain().empty());
}

}  // namespace
