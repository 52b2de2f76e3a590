// Performance and time-stamp counters over the host clock, with test seams.
#include "platform/PerformanceCounter.h"

#include <time.h>

#include <utility>

#include "platform/Clock.h"

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace {

constexpr std::int64_t kNanosecondsPerSecond = 1000000000;

enum class CounterMode { Host, Fake, Missing };

CounterMode gCounterMode = CounterMode::Host;
std::function<std::int64_t()> gFakeCounter;
std::int64_t gFakeFrequency = 0;
std::function<std::uint64_t()> gFakeTimeStamp;

std::int64_t MonotonicNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * kNanosecondsPerSecond + now.tv_nsec;
}

}  // namespace

BOOL QueryPerformanceCounter(LONGLONG* count) {
  if (!count) return FALSE;
  switch (gCounterMode) {
    case CounterMode::Missing: return FALSE;
    case CounterMode::Fake: *count = gFakeCounter(); return TRUE;
    case CounterMode::Host: break;
  }
  *count = MonotonicNanoseconds();
  return TRUE;
}

BOOL QueryPerformanceFrequency(LONGLONG* frequency) {
  if (!frequency) return FALSE;
  switch (gCounterMode) {
    case CounterMode::Missing: return FALSE;
    case CounterMode::Fake: *frequency = gFakeFrequency; return TRUE;
    case CounterMode::Host: break;
  }
  *frequency = kNanosecondsPerSecond;
  return TRUE;
}

int GetThreadPriority(HANDLE) { return THREAD_PRIORITY_NORMAL; }

namespace Platform {

std::uint64_t ReadTimeStampCounter() {
  if (gFakeTimeStamp) return gFakeTimeStamp();
#if defined(__x86_64__) || defined(__i386__)
  return __rdtsc();
#else
  return static_cast<std::uint64_t>(MonotonicNanoseconds());
#endif
}

void UseFakePerformanceCounter(std::function<std::int64_t()> now, std::int64_t frequency) {
  gFakeCounter = std::move(now);
  gFakeFrequency = frequency;
  gCounterMode = CounterMode::Fake;
}

void RemovePerformanceCounter() {
  gFakeCounter = nullptr;
  gCounterMode = CounterMode::Missing;
}

void UseFakeTimeStampCounter(std::function<std::uint64_t()> read) { gFakeTimeStamp = std::move(read); }

void UseHostCounters() {
  gCounterMode = CounterMode::Host;
  gFakeCounter = nullptr;
  gFakeTimeStamp = nullptr;
}

}  // namespace Platform
