// The crash reporter: when any thread faults, it hides the application,
// writes a plain-text report (exception, module and logical address, stack,
// registers, system and application lines), puts it on the clipboard,
// resolves section:offset addresses against a "*.map" file in the working
// folder, saves it as "crash.txt", closes a running demo recording and shows
// the "Fatal Error!" box; from there the user may send the report to a
// configured server (gCrashReportHost) as a multipart form. Then the
// process ends by its signal.
//
// The one instance, gCrashReporter, installs the fault filter when the
// program's global objects are built and removes it at exit. It reaches the
// application only through gCrashReportApp, so a fault while the application
// is being built is reported without the application's parts.
//
// Formats read: the map file, as lines (symbol lines " SSSS:OOOOOOOO ... name",
// "Line numbers ... (file)" headers and 80-character line-number rows); a
// line that does not match is skipped.
//
// Limits: addresses are placed by loadable segment (section = segment
// index + 1) of the module holding them; the stack comes from the unwinder,
// else from the frame-pointer chain within the thread's stack. The report
// runs on the faulting thread while the others go on, without locks.
//
// How it fails: quietly. A missing map file, an unwritable "crash.txt" or a
// box that cannot be shown leaves the rest of the report in place.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/CrashSignals.h"

namespace Kivo {

class KivoAppBase;

class CrashReporter {
 public:
  CrashReporter();
  ~CrashReporter();
  CrashReporter(const CrashReporter&) = delete;
  CrashReporter& operator=(const CrashReporter&) = delete;

  static void ExceptionFilter(const Platform::FaultInfo& fault);
  static void BuildReport(const Platform::FaultInfo& fault);

  // The unwinder and symbol lookup are always present here; the pair keeps
  // the report's shape (no map file without symbol help).
  static bool LoadImageHelp();
  static void UnloadImageHelp();

  // The module holding the address, and the address as segment index + 1
  // and offset within that segment. False (outputs untouched) when no
  // module or no segment holds it.
  static bool LogicalAddress(std::uintptr_t address, std::string* modulePath, int* section, std::uintptr_t* offset);

  static std::string WalkFramesWithImageHelp(const Platform::FaultInfo& fault, int skip);
  static std::string WalkFramesManually(const Platform::FaultInfo& fault, int ignored);
  // The frame-pointer walk itself: reads only words inside [stackLow,
  // stackHigh) and stops at a chain that does not climb.
  static std::string WalkFrameChain(std::uintptr_t pc, std::uintptr_t frame, std::uintptr_t stackLow,
                                    std::uintptr_t stackHigh);

  static void ResolveWithMapFile(std::string& report);
  // The same with the map's text given.
  static void ResolveWithMapText(std::string& report, const std::string& mapText);

  static std::string SystemInfo();
  static std::string RegisterLines(const Platform::FaultRegisters& registers);
  static void SaveReportFile(const std::string& text);

  // The crash windows.
  static void ShowCrashWindow(const std::string& title, const std::string& text);
  static void ShowSubmitWindow();
  static void ShowProgressWindow();
  static void UploadThread(void* unused);
  // The whole request of the upload: request line, headers and form.
  static std::string BuildUploadRequest();
};

extern CrashReporter gCrashReporter;

// The exception's name, or null for a code not in the table.
const char* ExceptionName(uint32_t code);
// Rows of the name table, in lookup order.
int ExceptionNameCount();

std::string PathBaseName(const std::string& path);
bool ParseHexField(const std::string& text, uint32_t* value);

// "Exception: ..." or "Unknown exception: ..." with its CR LF.
std::string ExceptionLine(uint32_t code, std::uintptr_t address, uint32_t threadId);

// One button of a crash box: its text and its place in the 384-pixel row.
struct CrashButton {
  std::string text;
  int x = 0;
  int width = 0;
};
// Lays the buttons out left to right, 8 pixels apart.
std::vector<CrashButton> LayOutCrashButtons(const std::vector<std::string>& texts);
// The progress box's text after `ticks` one-second ticks.
std::string ProgressText(int ticks);

}  // namespace Kivo
