// Clock-rate estimate and the millisecond stopwatch.
#pragma once

#include <cstdint>

namespace Kivo {

// Time-stamp ticks per second, measured over one hundredth of a second of the
// performance counter; 0 when there is no performance counter.
int64_t EstimateCpuClock();
// The estimate, made once per process; never below 1.
int64_t CachedCpuClock();
// Test seam: replaces the cached rate (0 forgets it, so the next
// CachedCpuClock estimates again).
void SetCachedCpuClock(int64_t ticksPerSecond);

// Milliseconds over the performance counter.
class Stopwatch {
 public:
  constexpr Stopwatch() = default;

  void Start();
  // Keeps the last measure; does nothing when not running.
  void Stop();
  // Measures without stopping.
  void Measure();
  // Measures first while running; the last measure when stopped.
  double Milliseconds();
  bool IsRunning() const { return mRunning; }

 private:
  int64_t mStartCount = 0;
  double mDuration = 0.0;
  bool mRunning = false;
};

// The frame-rate overlay's and developer keys' stopwatch.
extern Stopwatch gPerfTimer;

}  // namespace Kivo
