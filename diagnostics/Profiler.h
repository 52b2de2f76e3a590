// The profiler: named sections timed by the time-stamp counter, gathered as a
// queue of start and stop events and folded into per-name statistics when
// the profile ends, so gathering costs the measured code little.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace Kivo {

struct ProfilerEvent {
  const char* mName = nullptr;  // a string that outlives the profile
  uint64_t mTick = 0;           // time-stamp counter
  bool mStart = false;          // false: a stop
};

struct ProfilerSectionStats {
  uint64_t mStartTick = 0;   // of the outermost open section
  uint64_t mTotalTicks = 0;  // of closed outermost sections
  double mTotalMs = 0.0;     // filled by End
  double mLongest = 0.0;     // ticks while gathering, milliseconds after End
  int32_t mDepth = 0;
  int32_t mCalls = 0;
};

// Orders section names by their text without regard to ASCII case.
struct CaseInsensitiveLess {
  bool operator()(const std::string& a, const std::string& b) const;
};

// Events are appended at mEvents[mCount]; the array only grows.
struct ProfilerQueue {
  std::vector<ProfilerEvent> mEvents;
  size_t mCount = 0;
};

extern std::map<std::string, ProfilerSectionStats, CaseInsensitiveLess> gProfilerStats;
extern ProfilerQueue gProfilerQueue;

namespace Profiler {

// Empties the statistics and the queue; unless resetOnly, starts running.
void Begin(bool resetOnly);
// Folds the queue, stops and converts the statistics to milliseconds.
void End();
bool IsRunning();
// "Total Time: ..." and one line per section name, each ending in "\n".
std::string Report();
void Fold(const ProfilerEvent& event);
// Folds every queued event and empties the queue; the time it takes is
// taken off the total.
void FoldAll();
// For instrumented code: queues a start or stop of the named section now.
void Queue(const char* name, bool start);

}  // namespace Profiler

}  // namespace Kivo
