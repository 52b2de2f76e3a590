// The profiler's event folding and report.
#include "diagnostics/Profiler.h"

#include "diagnostics/Timing.h"
#include "platform/PerformanceCounter.h"
#include "shell/base/GlobalRanks.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

KIVO_GLOBAL_RANK(kRankProfilerStats) std::map<std::string, ProfilerSectionStats, CaseInsensitiveLess> gProfilerStats;
KIVO_GLOBAL_RANK(kRankProfilerQueue) ProfilerQueue gProfilerQueue;

namespace {

bool gRunning = false;
uint64_t gStartTick = 0;
uint64_t gOverheadTicks = 0;
double gTotalTimeMs = 0.0;

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool CaseInsensitiveLess::operator()(const std::string& a, const std::string& b) const {
  const size_t common = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < common; ++i) {
    const unsigned char x = static_cast<unsigned char>(LowerAscii(a[i]));
    const unsigned char y = static_cast<unsigned char>(LowerAscii(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

namespace Profiler {

void Begin(bool resetOnly) {
  gProfilerStats.clear();
  gProfilerQueue.mCount = 0;
  gOverheadTicks = 0;
  if (!resetOnly) gRunning = true;
  gStartTick = Platform::ReadTimeStampCounter();
}

void Fold(const ProfilerEvent& event) {
  const std::string name = event.mName ? event.mName : "";
  if (event.mStart) {
    ProfilerSectionStats& stats = gProfilerStats[name];
    ++stats.mCalls;
    if (++stats.mDepth == 1) stats.mStartTick = event.mTick;
    return;
  }
  auto found = gProfilerStats.find(name);
  if (found == gProfilerStats.end()) return;
  ProfilerSectionStats& stats = found->second;
  if (--stats.mDepth != 0) return;
  const uint64_t ticks = event.mTick - stats.mStartTick;
  stats.mTotalTicks += ticks;
  if (static_cast<double>(ticks) > stats.mLongest) stats.mLongest = static_cast<double>(ticks);
}

void FoldAll() {
  const uint64_t before = Platform::ReadTimeStampCounter();
  const size_t count =
      gProfilerQueue.mCount < gProfilerQueue.mEvents.size() ? gProfilerQueue.mCount : gProfilerQueue.mEvents.size();
  for (size_t i = 0; i < count; ++i) Fold(gProfilerQueue.mEvents[i]);
  gProfilerQueue.mCount = 0;
  gOverheadTicks += Platform::ReadTimeStampCounter() - before;
}

void End() {
  const uint64_t now = Platform::ReadTimeStampCounter();
  FoldAll();
  gRunning = false;
  const double rate = static_cast<double>(CachedCpuClock());
  const int64_t elapsed = static_cast<int64_t>(now - gStartTick - gOverheadTicks);
  gTotalTimeMs = static_cast<double>(elapsed) * 1000.0 / rate;
  for (auto& entry : gProfilerStats) {
    ProfilerSectionStats& stats = entry.second;
    stats.mTotalMs = static_cast<double>(stats.mTotalTicks) * 1000.0 / rate;
    stats.mLongest = stats.mLongest * 1000.0 / rate;
  }
}

bool IsRunning() { return gRunning; }

std::string Report() {
  std::string report = FormatText("Total Time: %.2f\n", gTotalTimeMs);
  for (const auto& entry : gProfilerStats) {
    const ProfilerSectionStats& stats = entry.second;
    report += FormatText("%s (%d calls, %%%.2f time): %.2f (%.2f avg, %.2f longest)\n", entry.first.c_str(),
                         stats.mCalls, stats.mTotalMs / gTotalTimeMs * 100.0, stats.mTotalMs,
                         stats.mTotalMs / stats.mCalls, stats.mLongest);
  }
  return report;
}

void Queue(const char* name, bool start) {
  ProfilerEvent event{name, Platform::ReadTimeStampCounter(), start};
  if (gProfilerQueue.mCount >= gProfilerQueue.mEvents.size()) gProfilerQueue.mEvents.resize(gProfilerQueue.mCount + 1);
  gProfilerQueue.mEvents[gProfilerQueue.mCount++] = event;
}

}  // namespace Profiler

}  // namespace Kivo
