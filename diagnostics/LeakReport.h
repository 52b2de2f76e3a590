// The leak tracker's report and formatted debugger output.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "shell/base/Lock.h"

namespace Kivo {

struct LeakRecord {
  int32_t mSize = 0;
  std::string mFile;
  int32_t mLine = 0;
};

// A table of live allocations by address. Nothing in the program fills it;
// an allocation hook would Track and Untrack. When the write-report flag is
// set, destruction writes every entry still present to "mem_leaks.txt" and
// the debugger output.
class LeakTracker {
 public:
  LeakTracker() = default;
  ~LeakTracker();
  LeakTracker(const LeakTracker&) = delete;
  LeakTracker& operator=(const LeakTracker&) = delete;

  void Track(uintptr_t address, int32_t size, const std::string& file, int32_t line);
  void Untrack(uintptr_t address);
  void SetWriteReport(bool write) { mWriteReport = write; }
  // Writes the report now (text mode, truncating); nothing when the file
  // cannot be made.
  void WriteReport();

  CriticalSection& Lock() { return mLock; }
  // Test seam: where the report goes instead of "mem_leaks.txt" in the
  // working folder.
  void SetReportPath(const std::string& path) { mReportPath = path; }

 private:
  std::map<uintptr_t, LeakRecord> mAllocations;
  CriticalSection mLock;
  bool mAlive = true;
  bool mWriteReport = false;
  std::string mReportPath = "mem_leaks.txt";
};

extern LeakTracker gLeakTracker;

// printf-style wide formatting (Windows conventions: %s is wide), narrowed
// byte-wise and sent to the debugger output.
void DebugPrintf(const wchar_t* format, ...);

}  // namespace Kivo
