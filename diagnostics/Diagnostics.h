// Diagnostics and developer tools: timing, the profiler, the leak report,
// live constant editing, the crash report with its boxes and upload, the
// developer keys with their overlays, screenshots and the image dump.
//
// What it does:
//   Timing.h         EstimateCpuClock (time-stamp ticks over 1/100 s of the
//                    performance counter, x 100), CachedCpuClock (once per
//                    process, never below 1), Stopwatch and gPerfTimer.
//   Profiler.h       start/stop events queued by instrumented code, folded
//                    per section name (ASCII case ignored; only the outermost
//                    of nested sections is timed) into a text report:
//                    "Total Time: %.2f\n" and one line per name.
//   LeakReport.h     LeakTracker and gLeakTracker; at destruction, when asked
//                    to, "mem_leaks.txt" (text mode) and the same lines to the
//                    debugger output. DebugPrintf formats wide text and sends
//                    it, narrowed byte-wise, to the debugger output.
//   LiveConstants.h  marker records found in the program's own image; Alt+R
//                    (ReparseLiveValues) re-reads their source files.
//   LiveValueParsers.h  the expression readers and the source walk.
//   CrashState.h     the crash report's globals and texts.
//   CrashReporter.h  gCrashReporter: any thread's fault (a POSIX signal) is
//                    reported to the clipboard and "crash.txt", a demo being
//                    recorded is closed, and the "Fatal Error!" box is shown;
//                    with a report server the user may send the report.
//   HTTPTransfer.h   the one-request HTTP/1.1 client of that upload, with its
//                    results journalled in demos.
//   DeveloperKeys.h  Control+Alt+K and the function keys behind it, the
//                    frame-rate, mouse and demo-time overlays, the video
//                    statistics box.
//   ImageDump.h      F11 screenshots ("_screenshots/image<n>.png") and the
//                    Shift+F11 dump of every live image ("_dump/").
//
// Limits: everything but the leak tracker and the crash report (on the
// faulting thread, with an upload thread and the transfer's worker) runs on
// the main thread without locks. Source files of marked constants are read up to 64 MiB, in lines of
// at most 8,191 bytes; marker suffixes must fit their run of memory. The
// clock estimate busy-waits about 10 ms.
//
// Formats read: C++ source files holding marked calls M(expr) and M1(expr) to
// M9(expr), with expressions of the form 12) -12) 0x1F) name) 1.5f) "text");
// a linker map file ("*.map" in the working folder, up to 256 MiB) when a
// crash report is resolved; HTTP/1.1 responses of the report server.
//
// The crash report does far more than is safe in a signal handler; the
// process ends by its signal afterwards, so that is accepted.
//
// How it fails: the developer tools report through owner-less message boxes
// ("MODVAL ERROR", "MODVAL ERROR!", "MODVAL WARNING!") and false results; a
// report file that cannot be made is skipped silently; transfers end with a
// result code; nothing throws.
#pragma once

#include "diagnostics/CrashReporter.h"
#include "diagnostics/CrashState.h"
#include "diagnostics/DeveloperKeys.h"
#include "diagnostics/HTTPTransfer.h"
#include "diagnostics/ImageDump.h"
#include "diagnostics/LeakReport.h"
#include "diagnostics/LiveConstants.h"
#include "diagnostics/LiveValueParsers.h"
#include "diagnostics/Profiler.h"
#include "diagnostics/Timing.h"
