// The high-resolution counters: the performance counter and the processor's
// time-stamp counter.
//
// QueryPerformanceCounter reads CLOCK_MONOTONIC in nanoseconds, so
// QueryPerformanceFrequency is always 1,000,000,000. The time-stamp counter
// is the processor's own (rdtsc) on x86-64 and the monotonic nanosecond count
// elsewhere; its rate is unknown and is measured by whoever needs it.
//
// Thread priorities are not applied on this host: GetThreadPriority answers
// what SetThreadPriority (Clock.h) accepts, normal, and raising a priority for
// a measurement is best effort only.
//
// Test seams replace either counter with a function, or make the performance
// counter missing (both queries then fail and leave their output alone).
// They are set by tests while no other thread reads the counters.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/WinTypes.h"

// False, with *count unchanged, when there is no performance counter.
BOOL QueryPerformanceCounter(LONGLONG* count);
// Counts per second; false, with *frequency unchanged, when there is none.
BOOL QueryPerformanceFrequency(LONGLONG* frequency);
int GetThreadPriority(HANDLE thread);

namespace Platform {

// The processor's time-stamp counter (or the monotonic nanoseconds).
std::uint64_t ReadTimeStampCounter();

// Test seams. A fake performance counter: `now` is called for every read and
// `frequency` is its rate (above 0).
void UseFakePerformanceCounter(std::function<std::int64_t()> now, std::int64_t frequency);
// No performance counter at all.
void RemovePerformanceCounter();
// A fake time-stamp counter, called for every read.
void UseFakeTimeStampCounter(std::function<std::uint64_t()> read);
// Both counters back to the host's.
void UseHostCounters();

}  // namespace Platform
