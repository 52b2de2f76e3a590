// The leak report and DebugPrintf.
#include "diagnostics/LeakReport.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>

#include "platform/DebugOutput.h"
#include "platform/Files.h"
#include "shell/base/GlobalRanks.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

KIVO_GLOBAL_RANK(kRankLeakTracker) LeakTracker gLeakTracker;

namespace {

// asctime's text of the local time now, with its own line feed.
std::string LocalTimeText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  char text[64] = {};
  if (!localtime_r(&now, &local) || !asctime_r(&local, text)) return "\n";
  return text;
}

}  // namespace

LeakTracker::~LeakTracker() {
  if (mWriteReport) WriteReport();
  mAlive = false;
}

void LeakTracker::Track(uintptr_t address, int32_t size, const std::string& file, int32_t line) {
  ScopedLock lock(mLock);
  mAllocations[address] = LeakRecord{size, file, line};
}

void LeakTracker::Untrack(uintptr_t address) {
  ScopedLock lock(mLock);
  mAllocations.erase(address);
}

void LeakTracker::WriteReport() {
  if (!mAlive) return;
  ScopedLock lock(mLock);
  std::FILE* file = Platform::OpenFile(mReportPath, "w");
  if (!file) return;
  auto both = [file](const std::string& text) {
    std::fputs(text.c_str(), file);
    OutputDebugStringA(text.c_str());
  };

  const std::string header = "Memory Leak Report for " + LocalTimeText() + "\n";
  OutputDebugStringA("\n");
  both(header);
  int32_t total = 0;
  for (const auto& entry : mAllocations) {
    const LeakRecord& record = entry.second;
    both(FormatText("%s(%d) : Leak %d byte%s\n", record.mFile.c_str(), record.mLine, record.mSize,
                    record.mSize > 1 ? "s" : ""));
    total = static_cast<int32_t>(static_cast<uint32_t>(total) + static_cast<uint32_t>(record.mSize));
  }
  both(std::string(59, '-') + "\n");
  both(FormatText("Total Unfreed: %d bytes (%dKB)\n\n", total, total / 1024));
  std::fclose(file);
}

void DebugPrintf(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  const std::wstring text = FormatTextWideV(format, args);
  va_end(args);
  OutputDebugStringA(Narrow(text).c_str());
}

}  // namespace Kivo
