// The performance and time-stamp counters and their seams.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/PerformanceCounter.h"

namespace {

class Counters : public ::testing::Test {
 protected:
  void TearDown() override { Platform::UseHostCounters(); }
};

TEST_F(Counters, HostCounterIsMonotonicNanoseconds) {
  LONGLONG frequency = 0;
  ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
  EXPECT_EQ(frequency, 1000000000);
  LONGLONG first = 0;
  LONGLONG second = 0;
  ASSERT_TRUE(QueryPerformanceCounter(&first));
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_TRUE(QueryPerformanceCounter(&second));
  EXPECT_GE(second - first, 5000000) << "5 ms in nanoseconds";
  EXPECT_LT(second - first, 5000000000LL);

  const uint64_t tscBefore = Platform::ReadTimeStampCounter();
  std::this_thread::sleep_for(std::chrono::milliseconds(2));
  EXPECT_GT(Platform::ReadTimeStampCounter(), tscBefore);
}

TEST_F(Counters, FakesAndAMissingCounter) {
  LONGLONG value = 7;
  Platform::UseFakePerformanceCounter([n = 100]() mutable { return n += 10; }, 1000);
  ASSERT_TRUE(QueryPerformanceCounter(&value));
  EXPECT_EQ(value, 110);
  ASSERT_TRUE(QueryPerformanceCounter(&value));
  EXPECT_EQ(value, 120);
  ASSERT_TRUE(QueryPerformanceFrequency(&value));
  EXPECT_EQ(value, 1000);

  Platform::UseFakeTimeStampCounter([] { return uint64_t{42}; });
  EXPECT_EQ(Platform::ReadTimeStampCounter(), 42u);

  Platform::RemovePerformanceCounter();
  value = 7;
  EXPECT_FALSE(QueryPerformanceFrequency(&value));
  EXPECT_FALSE(QueryPerformanceCounter(&value));
  EXPECT_EQ(value, 7) << "a failed query leaves its output alone";

  Platform::UseHostCounters();
  ASSERT_TRUE(QueryPerformanceFrequency(&value));
  EXPECT_EQ(value, 1000000000);
  EXPECT_NE(Platform::ReadTimeStampCounter(), 42u);
}

}  // namespace
