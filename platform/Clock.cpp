// Real and fake millisecond clocks, Sleep, and thread helpers.
#include "platform/Clock.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <ctime>
#include <mutex>
#include <thread>

#include "platform/CrashSignals.h"

namespace {

struct ClockState {
  std::mutex mutex;
  std::condition_variable moved;
  bool fake = false;
  DWORD fakeNow = Platform::kFakeClockStart;
  int sleepers = 0;  // threads waiting for the fake clock
  // Bumped to end every fake-clock sleep now in progress early.
  unsigned wakeRound = 0;
  std::thread::id mainThread = std::this_thread::get_id();
};

ClockState& State() {
  static ClockState state;
  return state;
}

DWORD RealMilliseconds() {
  timespec ts;
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<DWORD>(ms);
}

}  // namespace

DWORD timeGetTime() {
  ClockState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.fake ? s.fakeNow : RealMilliseconds();
}

DWORD GetTickCount() { return timeGetTime(); }

void Sleep(DWORD milliseconds) {
  ClockState& s = State();
  std::unique_lock<std::mutex> lock(s.mutex);
  if (!s.fake) {
    lock.unlock();
    if (milliseconds == 0)
      std::this_thread::yield();
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    return;
  }
  if (std::this_thread::get_id() == s.mainThread) {
    s.fakeNow += milliseconds;
    s.moved.notify_all();
    return;
  }
  if (milliseconds == 0) {
    lock.unlock();
    std::this_thread::yield();
    return;
  }
  // Unsigned differences keep this right across the wrap of the clock.
  DWORD start = s.fakeNow;
  const unsigned round = s.wakeRound;
  ++s.sleepers;
  s.moved.wait(
      lock, [&] { return !s.fake || s.wakeRound != round || static_cast<DWORD>(s.fakeNow - start) >= milliseconds; });
  --s.sleepers;
}

UINT timeBeginPeriod(UINT) { return 0; }
UINT timeEndPeriod(UINT) { return 0; }

std::uintptr_t _beginthread(void (*entry)(void*), unsigned, void* argument) {
  if (!entry) return static_cast<std::uintptr_t>(-1);
  try {
    // Every started thread gets its own stack for the fault filter.
    std::thread([entry, argument] {
      Platform::EnsureSignalStack();
      entry(argument);
    }).detach();
  } catch (const std::system_error&) {
    return static_cast<std::uintptr_t>(-1);
  }
  return 1;
}

HANDLE GetCurrentThread() {
  // A pseudo handle, as on Windows: it always means "the calling thread".
  return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-2));
}

DWORD GetCurrentThreadId() { return static_cast<DWORD>(::syscall(SYS_gettid)); }

BOOL SetThreadPriority(HANDLE, int) { return TRUE; }
long CoInitialize(void*) { return 0; }
void CoUninitialize() {}

void GetLocalTime(SYSTEMTIME* out) {
  if (!out) return;
  timespec ts;
  ::clock_gettime(CLOCK_REALTIME, &ts);
  std::tm local{};
  ::localtime_r(&ts.tv_sec, &local);
  out->wYear = static_cast<WORD>(local.tm_year + 1900);
  out->wMonth = static_cast<WORD>(local.tm_mon + 1);
  out->wDayOfWeek = static_cast<WORD>(local.tm_wday);
  out->wDay = static_cast<WORD>(local.tm_mday);
  out->wHour = static_cast<WORD>(local.tm_hour);
  out->wMinute = static_cast<WORD>(local.tm_min);
  out->wSecond = static_cast<WORD>(local.tm_sec);
  out->wMilliseconds = static_cast<WORD>(ts.tv_nsec / 1000000);
}

namespace Platform {

void UseFakeClock(DWORD start) {
  ClockState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.fake = true;
  s.fakeNow = start;
  s.moved.notify_all();
}

void UseRealClock() {
  ClockState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.fake = false;
  s.moved.notify_all();
}

bool FakeClockInUse() {
  ClockState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.fake;
}

void WaitWithoutMovingClock(DWORD milliseconds) {
  ClockState& s = State();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    ++s.wakeRound;
    s.moved.notify_all();
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void AdvanceFakeClock(DWORD milliseconds) {
  ClockState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.fake) return;
  s.fakeNow += milliseconds;
  s.moved.notify_all();
}

int FakeClockSleepers() {
  ClockState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.sleepers;
}

void SetMainThread() {
  ClockState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.mainThread = std::this_thread::get_id();
}

bool IsMainThread() {
  ClockState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  return std::this_thread::get_id() == s.mainThread;
}

}  // namespace Platform
