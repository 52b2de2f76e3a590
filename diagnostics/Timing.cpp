// The clock-rate estimate and the stopwatch.
#include "diagnostics/Timing.h"

#include "platform/Clock.h"
#include "platform/PerformanceCounter.h"
#include "shell/base/GlobalRanks.h"

namespace Kivo {

KIVO_GLOBAL_RANK(kRankPerfTimer) Stopwatch gPerfTimer;

namespace {

int64_t gCachedCpuClock = 0;

// Raises the calling thread's priority for the life of the object so the
// measurement is less likely to be cut by a switch; best effort.
class RaisedPriority {
 public:
  RaisedPriority() : mThread(GetCurrentThread()), mPrevious(GetThreadPriority(mThread)) {
    SetThreadPriority(mThread, THREAD_PRIORITY_HIGHEST);
  }
  ~RaisedPriority() { SetThreadPriority(mThread, mPrevious); }
  RaisedPriority(const RaisedPriority&) = delete;
  RaisedPriority& operator=(const RaisedPriority&) = delete;

 private:
  HANDLE mThread;
  int mPrevious;
};

}  // namespace

int64_t EstimateCpuClock() {
  RaisedPriority raised;
  LONGLONG frequency = 0;
  if (!QueryPerformanceFrequency(&frequency) || frequency <= 0) return 0;
  LONGLONG now = 0;
  QueryPerformanceCounter(&now);
  const LONGLONG target = now + frequency / 100;
  const uint64_t first = Platform::ReadTimeStampCounter();
  do {
    QueryPerformanceCounter(&now);
  } while (now < target);
  const uint64_t second = Platform::ReadTimeStampCounter();
  return static_cast<int64_t>(second - first) * 100;
}

int64_t CachedCpuClock() {
  if (gCachedCpuClock <= 0) {
    gCachedCpuClock = EstimateCpuClock();
    if (gCachedCpuClock <= 0) gCachedCpuClock = 1;
  }
  return gCachedCpuClock;
}

void SetCachedCpuClock(int64_t ticksPerSecond) { gCachedCpuClock = ticksPerSecond; }

void Stopwatch::Start() {
  mRunning = true;
  LONGLONG now = 0;
  QueryPerformanceCounter(&now);
  mStartCount = now;
}

void Stopwatch::Measure() {
  LONGLONG now = 0;
  LONGLONG frequency = 0;
  QueryPerformanceCounter(&now);
  if (!QueryPerformanceFrequency(&frequency) || frequency <= 0) return;
  const int64_t scaled =
      static_cast<int64_t>((static_cast<uint64_t>(now) - static_cast<uint64_t>(mStartCount)) * 1000u);
  mDuration = static_cast<double>(scaled) / static_cast<double>(frequency);
}

void Stopwatch::Stop() {
  if (!mRunning) return;
  Measure();
  mRunning = false;
}

double Stopwatch::Milliseconds() {
  if (mRunning) Measure();
  return mDuration;
}

}  // namespace Kivo
