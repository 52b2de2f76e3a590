// The stopwatch and the clock-rate estimate over fake counters.
#include <gtest/gtest.h>

#include "diagnostics/Timing.h"
#include "platform/PerformanceCounter.h"

namespace {

using Kivo::Stopwatch;

class Timing : public ::testing::Test {
 protected:
  void SetUp() override { Kivo::SetCachedCpuClock(0); }
  void TearDown() override {
    Platform::UseHostCounters();
    Kivo::SetCachedCpuClock(0);
  }
};

TEST_F(Timing, StopwatchMeasuresWhileRunningAndKeepsTheLastMeasure) {
  // The developer keys' shared stopwatch may run from an earlier test; a
  // stopwatch of one's own never touches it.
  const bool sharedWasRunning = Kivo::gPerfTimer.IsRunning();
  int64_t now = 10;
  Platform::UseFakePerformanceCounter([&] { return now; }, 3);
  Stopwatch watch;
  EXPECT_FALSE(watch.IsRunning());
  EXPECT_EQ(watch.Milliseconds(), 0.0);

  watch.Start();
  now = 12;
  EXPECT_DOUBLE_EQ(watch.Milliseconds(), 2000.0 / 3.0) << "(2 x 1000) / 3 in double";
  now = 16;
  EXPECT_DOUBLE_EQ(watch.Milliseconds(), 2000.0);
  now = 19;
  watch.Stop();
  EXPECT_FALSE(watch.IsRunning());
  now = 1000;
  EXPECT_DOUBLE_EQ(watch.Milliseconds(), 3000.0) << "stopped: the last measure";
  watch.Stop();
  EXPECT_DOUBLE_EQ(watch.Milliseconds(), 3000.0) << "a second stop changes nothing";

  // The scaled difference is a 64-bit integer: a day of nanoseconds is exact.
  Platform::UseFakePerformanceCounter([&] { return now; }, 1000000000);
  now = 0;
  watch.Start();
  now = 86400LL * 1000000000LL;
  EXPECT_DOUBLE_EQ(watch.Milliseconds(), 86400000.0);

  EXPECT_EQ(Kivo::gPerfTimer.IsRunning(), sharedWasRunning);
}

TEST_F(Timing, EstimateCountsTimeStampTicksOverAHundredthOfASecond) {
  int64_t counter = 500;
  int counterReads = 0;
  Platform::UseFakePerformanceCounter(
      [&] {
        ++counterReads;
        return counter++;
      },
      1000);
  uint64_t stamp = 7000;
  Platform::UseFakeTimeStampCounter([&] { return stamp += 35; });
  // Target 510: the counter is read at 500 and then until it reaches 510.
  EXPECT_EQ(Kivo::EstimateCpuClock(), 35 * 100);
  EXPECT_EQ(counterReads, 11);
}

TEST_F(Timing, CachedRateIsEstimatedOnceAndNeverBelowOne) {
  Platform::RemovePerformanceCounter();
  EXPECT_EQ(Kivo::EstimateCpuClock(), 0);
  EXPECT_EQ(Kivo::CachedCpuClock(), 1);

  Kivo::SetCachedCpuClock(0);
  int64_t counter = 0;
  Platform::UseFakePerformanceCounter([&] { return counter++; }, 100);
  int stampReads = 0;
  Platform::UseFakeTimeStampCounter([&] { return uint64_t(++stampReads) * 20; });
  EXPECT_EQ(Kivo::CachedCpuClock(), 2000);
  EXPECT_EQ(Kivo::CachedCpuClock(), 2000);
  EXPECT_EQ(stampReads, 2) << "one estimate per process";
}

TEST_F(Timing, TheRealMachineHasAClockRate) {
  EXPECT_GT(Kivo::EstimateCpuClock(), 0);
  EXPECT_GT(Kivo::CachedCpuClock(), 1);
}

}  // namespace
