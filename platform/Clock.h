// The one millisecond clock, sleeping, and thread services.
//
// timeGetTime and GetTickCount read the same u32 millisecond clock, which
// wraps. The real clock follows the monotonic host clock. The fake clock
// (headless backend, tests) starts at a settable value and moves only when
// the main thread sleeps or a test advances it; Sleep on any other thread
// waits until the main thread has moved the clock far enough, so background
// threads (the cursor thread) can never drive time. The headless backend
// switches to the fake clock when it starts, so the program's entry chooses
// the backend (Platform::BackendName) before it reads any time.
#pragma once

#include <cstdint>

#include "platform/WinTypes.h"

DWORD timeGetTime();
DWORD GetTickCount();
void Sleep(DWORD milliseconds);
UINT timeBeginPeriod(UINT period);  // no-ops: the clock always has 1 ms steps
UINT timeEndPeriod(UINT period);

// Threads: _beginthread starts a detached thread. Priorities and COM
// initialisation mean nothing here and succeed.
std::uintptr_t _beginthread(void (*entry)(void*), unsigned stackSize, void* argument);
HANDLE GetCurrentThread();
DWORD GetCurrentThreadId();
BOOL SetThreadPriority(HANDLE thread, int priority);
long CoInitialize(void* reserved);
void CoUninitialize();

constexpr int THREAD_PRIORITY_NORMAL = 0;
constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 1;
constexpr int THREAD_PRIORITY_HIGHEST = 2;

struct SYSTEMTIME {
  WORD wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds;
};
// Local time of day.
void GetLocalTime(SYSTEMTIME* time);

namespace Platform {

// Where the fake clock starts unless a test says otherwise: not 0, since
// callers treat a zero time as "never set".
constexpr DWORD kFakeClockStart = 100000;

// Switches to the fake clock, starting at `start`.
void UseFakeClock(DWORD start);
// Back to the host clock (tests).
void UseRealClock();
bool FakeClockInUse();
// Moves the fake clock forward (no effect on the real clock) and wakes
// threads sleeping on it.
void AdvanceFakeClock(DWORD milliseconds);

// Waits `milliseconds` on the host clock and never moves the fake clock;
// every Sleep now waiting for the fake clock returns early, so a thread the
// caller waits for can see why it should end. For waits whose length must not
// show in the program's times (shutdown waiting for a helper thread).
void WaitWithoutMovingClock(DWORD milliseconds);

// How many threads wait in Sleep for the fake clock now.
int FakeClockSleepers();

// The thread whose Sleep moves the fake clock and whose PeekMessageA pumps:
// the first thread that read the clock, unless set explicitly. The program's
// entry calls SetMainThread first.
void SetMainThread();
bool IsMainThread();

}  // namespace Platform
