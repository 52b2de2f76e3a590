// The state the crash report, its windows and its upload share. Written by
// the faulting thread before an upload thread starts, read by that thread
// afterwards; no lock.
#pragma once

#include <string>

namespace Kivo {

extern std::string gCrashReportTitle;  // "Exception at %04X:%08X"; the upload's "errortitle"
extern std::string gCrashReportText;   // the whole report, CR LF lines; "errortext"
extern std::string gCrashUserText;     // typed in the error-details window; "usertext"
extern std::string gCrashDemoFile;     // the demo file to attach
extern std::string gCrashReportHost;   // the report server's URL; empty: no sending
extern bool gAttachDemoFile;           // false

extern std::wstring gCrashHeaderText;         // "An unexpected error has occured!"
extern std::wstring gCrashSubmitPrompt;       // asks the user for details
extern std::wstring gCrashConnectFailedText;  // "Failed to connect to server."

extern bool gShowCrashWindow;   // true: show the fatal-error window after the report
extern bool gAllowCrashUpload;  // true: offer sending when a host is set
extern bool gCrashDebugChosen;  // false; the user chose to debug
extern bool gCrashWindowDone;   // false; ends the fatal-error window's loop

}  // namespace Kivo
