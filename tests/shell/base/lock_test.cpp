#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "shell/base/Lock.h"

using namespace Kivo;

TEST(ScopedLock, HolderMayLockAgainWithoutBlocking) {
  CriticalSection section;
  std::atomic<bool> done{false};
  std::thread t([&] {
    ScopedLock outer(section);
    ScopedLock inner(&section);
    done = true;
  });
  t.join();
  EXPECT_TRUE(done);
  // Left as often as entered: free again.
  EXPECT_TRUE(section.TryEnter());
  section.Leave();
}

TEST(ScopedLock, ExceptionReleasesTheSection) {
  CriticalSection section;
  try {
    ScopedLock lock(section);
    throw std::runtime_error("unwind");
  } catch (const std::runtime_error&) {
  }
  std::atomic<bool> acquired{false};
  std::thread other([&] {
    if (section.TryEnter()) {
      acquired = true;
      section.Leave();
    }
  });
  other.join();
  EXPECT_TRUE(acquired);
}

TEST(ScopedLock, OtherThreadsWaitForTheHolder) {
  CriticalSection section;
  std::atomic<int> stage{0};
  std::thread holder;
  {
    ScopedLock lock(section);
    holder = std::thread([&] {
      ScopedLock inner(section);
      stage = 2;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(stage.load(), 0);
    stage = 1;
  }
  holder.join();
  EXPECT_EQ(stage.load(), 2);
}
