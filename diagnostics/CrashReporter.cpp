// The crash report: the filter, the report's text and its file.
#include "diagnostics/CrashReporter.h"

#include <sys/utsname.h>

#include <cstdarg>
#include <cstdio>

#include "diagnostics/CrashFormat.h"
#include "diagnostics/CrashState.h"
#include "shell/base/Paths.h"
#include "shell/Demo.h"
#include "shell/base/GlobalRanks.h"
#include "shell/KivoAppBase.h"

namespace Kivo {

KIVO_GLOBAL_RANK(kRankCrashReporter) CrashReporter gCrashReporter;

namespace {

struct ExceptionNameRow {
  uint32_t code;
  const char* name;
};

const ExceptionNameRow kExceptionNames[] = {
    {0x40000005, "Segment Notification"},
    {0x80000003, "Breakpoint"},
    {0x80000004, "Single step"},
    {0x00000000, "Wait 0"},
    {0x00000080, "Abandoned Wait 0"},
    {0x000000C0, "User APC"},
    {0x00000102, "Timeout"},
    {0x00000103, "Pending"},
    {0x80000001, "Guard Page Violation"},
    {0x80000002, "Data Type Misalignment"},
    {0xC0000005, "Access Violation"},
    {0xC0000006, "In Page Error"},
    {0xC0000017, "No Memory"},
    {0xC000001D, "Illegal Instruction"},
    {0xC0000025, "Noncontinuable Exception"},
    {0xC0000026, "Invalid Disposition"},
    {0xC000008C, "Array Bounds Exceeded"},
    {0xC000008D, "Float Denormal Operand"},
    {0xC000008E, "Divide by Zero"},
    {0xC000008F, "Float Inexact Result"},
    {0xC0000090, "Float Invalid Operation"},
    {0xC0000091, "Float Overflow"},
    {0xC0000092, "Float Stack Check"},
    {0xC0000093, "Float Underflow"},
    {0xC0000094, "Integer Divide by Zero"},
    {0xC0000095, "Integer Overflow"},
    {0xC0000096, "Privileged Instruction"},
    {0xC00000FD, "Stack Overflow"},
    {0xC000013A, "Ctrl+C Exit"},
};

constexpr size_t kCrashFormatBuffer = 2048;
// Reserved when the filter is installed, so a report needs little fresh
// memory in a process that may have broken its heap.
constexpr size_t kReportReserve = 64 * 1024;

std::string& ReportScratch() {
  static std::string scratch;
  return scratch;
}

}  // namespace

const char* ExceptionName(uint32_t code) {
  for (const ExceptionNameRow& row : kExceptionNames)
    if (row.code == code) return row.name;
  return nullptr;
}

int ExceptionNameCount() { return static_cast<int>(sizeof kExceptionNames / sizeof kExceptionNames[0]); }

std::string PathBaseName(const std::string& path) {
  size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool ParseHexField(const std::string& text, uint32_t* value) {
  uint32_t result = 0;
  for (char c : text) {
    int digit = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                       : -1;
    if (digit < 0) return false;
    result = result * 16 + static_cast<uint32_t>(digit);
  }
  *value = result;
  return true;
}

std::string ExceptionLine(uint32_t code, std::uintptr_t address, uint32_t threadId) {
  const char* name = ExceptionName(code);
  if (name != nullptr)
    return FormatCrashText("Exception: %s (code 0x%x) at address %08llX in thread %X\r\n", name, code,
                           WideAddress(address), threadId);
  return FormatCrashText("Unknown exception: (code 0x%x) at address %08llX in thread %X\r\n", code,
                         WideAddress(address), threadId);
}

CrashReporter::CrashReporter() {
  ReportScratch().reserve(kReportReserve);
  Platform::InstallFaultFilter(&CrashReporter::ExceptionFilter);
}

CrashReporter::~CrashReporter() { Platform::RemoveFaultFilter(); }

void CrashReporter::ExceptionFilter(const Platform::FaultInfo& fault) {
  if (gCrashReportApp != nullptr) gCrashReportApp->HideApp();
  BuildReport(fault);
  // Nothing stands for the system's error box here: the fault filter ends
  // the process by its signal when this returns.
}

std::string CrashReporter::RegisterLines(const Platform::FaultRegisters& r) {
  std::string lines;
  lines += FormatCrashText("RAX:%08llX RBX:%08llX RCX:%08llX RDX:%08llX RSI:%08llX RDI:%08llX\r\n", WideAddress(r.rax),
                           WideAddress(r.rbx), WideAddress(r.rcx), WideAddress(r.rdx), WideAddress(r.rsi),
                           WideAddress(r.rdi));
  lines += FormatCrashText("RIP:%08llX RSP:%08llX  RBP:%08llX\r\n", WideAddress(r.rip), WideAddress(r.rsp),
                           WideAddress(r.rbp));
  lines += FormatCrashText("CS:%04X SS:%04X DS:%04X ES:%04X FS:%04X GS:%04X\r\n", r.cs, r.ss, r.ds, r.es, r.fs, r.gs);
  lines += FormatCrashText("Flags:%08X\r\n", r.flags);
  return lines;
}

void CrashReporter::BuildReport(const Platform::FaultInfo& fault) {
  bool symbolHelp = LoadImageHelp();
  std::string& report = ReportScratch();
  report.clear();
  report += ExceptionLine(fault.code, fault.address, fault.threadId);

  std::string modulePath;
  int section = 0;
  std::uintptr_t offset = 0;
  LogicalAddress(fault.address, &modulePath, &section, &offset);
  report += "Module: " + PathBaseName(modulePath) + "\r\n";
  report += FormatCrashText("Logical Address: %04X:%08llX\r\n", section, WideAddress(offset));
  report += "\r\n";
  std::string title = FormatCrashText("Exception at %04X:%08llX", section, WideAddress(offset));

  std::string stack = symbolHelp ? WalkFramesWithImageHelp(fault, 0) : std::string();
  if (stack.empty()) stack = WalkFramesManually(fault, 0);
  report += stack + "\r\n";
  report += RegisterLines(fault.registers) + "\r\n";
  report += SystemInfo();

  KivoAppBase* app = gCrashReportApp;
  if (app != nullptr) {
    std::string appText = app->BuildCrashInfoText();
    if (!appText.empty()) report += "\r\n" + appText;
    // Taken before the map file is read, so it keeps the raw addresses.
    app->PutTextOnClipboard(report);
  }
  if (symbolHelp) ResolveWithMapFile(report);
  SaveReportFile(report);

  if (app != nullptr) {
    bool wasRecording = app->mRecording;
    if (wasRecording) {
      app->WriteDemoEventHeader();
      app->mDemoBuffer.PutBits(0, 1);
      app->mDemoBuffer.PutBits(kDemoFiller, 5);
      app->WriteDemoFile();
      gCrashDemoFile = app->mDemoFilePath;
    }
    gAttachDemoFile = wasRecording;
    std::string extra = app->GetExtraCrashInfo();
    if (!extra.empty()) {
      gCrashDemoFile = extra;
      gAttachDemoFile = true;
    }
    // Nothing the windows or the upload do afterwards is journalled or
    // replayed.
    app->mRecording = false;
    app->mPlaying = false;
  }
  if (gShowCrashWindow) ShowCrashWindow(title, report);
  UnloadImageHelp();
}

bool CrashReporter::LoadImageHelp() { return true; }
void CrashReporter::UnloadImageHelp() {}

std::string CrashReporter::SystemInfo() {
  utsname system{};
  if (uname(&system) != 0) return "System Ver: unknown\r\n";
  return FormatCrashText("System Ver: %s %s %s %s\r\n", system.sysname, system.release, system.version, system.machine);
}

void CrashReporter::SaveReportFile(const std::string& text) {
  // Bytes as they are: the report already has its CR LF line ends.
  std::FILE* file = OpenReportFile("crash.txt", "wb");
  if (file == nullptr) return;
  std::fwrite(text.data(), 1, text.size(), file);
  std::fwrite("\r\n", 1, 2, file);
  std::fclose(file);
}

}  // namespace Kivo

namespace Kivo {

std::string FormatCrashText(const char* format, ...) {
  char buffer[kCrashFormatBuffer];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(buffer, sizeof buffer, format, arguments);
  va_end(arguments);
  return buffer;
}

}  // namespace Kivo
