// The profiler over a fake time-stamp counter running at 1,000 ticks a second.
#include <gtest/gtest.h>

#include <deque>

#include "diagnostics/Profiler.h"
#include "diagnostics/Timing.h"
#include "platform/PerformanceCounter.h"

namespace {

namespace Profiler = Kivo::Profiler;

class ProfilerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Kivo::SetCachedCpuClock(1000);
    Platform::UseFakeTimeStampCounter([this] { return tick; });
  }
  void TearDown() override {
    Platform::UseHostCounters();
    Kivo::SetCachedCpuClock(0);
    Profiler::Begin(true);
  }
  uint64_t tick = 0;
};

TEST_F(ProfilerTest, BeginThenEndReportsOnlyTheTotal) {
  Profiler::Begin(false);
  EXPECT_TRUE(Profiler::IsRunning());
  Profiler::End();
  EXPECT_FALSE(Profiler::IsRunning());
  EXPECT_EQ(Profiler::Report(), "Total Time: 0.00\n");
}

TEST_F(ProfilerTest, SectionsFoldPerNameIgnoringCaseAndNesting) {
  Profiler::Begin(false);
  const struct {
    uint64_t at;
    const char* name;
    bool start;
  } events[] = {{100, "A", true}, {150, "a", true}, {200, "A", false}, {300, "a", false}, {310, "B", false}};
  for (const auto& e : events) {
    tick = e.at;
    Profiler::Queue(e.name, e.start);
  }
  tick = 400;
  Profiler::End();
  EXPECT_EQ(Profiler::Report(),
            "Total Time: 400.00\n"
            "A (2 calls, %50.00 time): 200.00 (100.00 avg, 200.00 longest)\n");

  // Two closed sections: the longer one is the longest; names sort without
  // regard to case.
  tick = 0;
  Profiler::Begin(false);
  const struct {
    uint64_t at;
    const char* name;
    bool start;
  } more[] = {{0, "b", true}, {30, "B", false}, {40, "a", true}, {50, "A", false}, {60, "b", true}, {160, "b", false}};
  for (const auto& e : more) Profiler::Fold(Kivo::ProfilerEvent{e.name, e.at, e.start});
  tick = 200;
  Profiler::End();
  EXPECT_EQ(Profiler::Report(),
            "Total Time: 200.00\n"
            "a (1 calls, %5.00 time): 10.00 (10.00 avg, 10.00 longest)\n"
            "b (2 calls, %65.00 time): 130.00 (65.00 avg, 100.00 longest)\n");
}

TEST_F(ProfilerTest, ResetOnlyDoesNotRunAndFoldingTimeIsTakenOff) {
  Profiler::Begin(false);
  Profiler::Queue("x", true);
  Profiler::End();
  Profiler::Queue("y", true);
  ASSERT_FALSE(Kivo::gProfilerStats.empty());
  Profiler::Begin(true);
  EXPECT_FALSE(Profiler::IsRunning());
  EXPECT_EQ(Kivo::gProfilerQueue.mCount, 0u);
  EXPECT_TRUE(Kivo::gProfilerStats.empty());

  // End reads 1000, then folding reads 1000 and 1300: 300 ticks of folding.
  std::deque<uint64_t> readings = {0, 1000, 1000, 1300};
  Platform::UseFakeTimeStampCounter([&] {
    const uint64_t next = readings.front();
    if (readings.size() > 1) readings.pop_front();
    return next;
  });
  Profiler::Begin(false);
  Profiler::End();
  EXPECT_EQ(Profiler::Report(), "Total Time: 700.00\n");
}

}  // namespace
