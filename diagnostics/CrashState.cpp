// The crash report's shared globals, at their ranks among the global objects.
#include "diagnostics/CrashState.h"

#include "shell/base/GlobalRanks.h"

namespace Kivo {

KIVO_GLOBAL_RANK(kRankCrashReportSetting1) std::string gCrashReportTitle;
KIVO_GLOBAL_RANK(kRankCrashReportSetting2) std::string gCrashReportText;
KIVO_GLOBAL_RANK(kRankCrashReportSetting3) std::string gCrashUserText;
KIVO_GLOBAL_RANK(kRankCrashReportSetting4) std::string gCrashDemoFile;
KIVO_GLOBAL_RANK(kRankCrashMessageText1) std::wstring gCrashHeaderText = L"An unexpected error has occured!";
KIVO_GLOBAL_RANK(kRankCrashReportSetting5) std::string gCrashReportHost;
KIVO_GLOBAL_RANK(kRankCrashMessageText2)
std::wstring gCrashSubmitPrompt = L"Please help out by providing as much information as you can about this crash.";
KIVO_GLOBAL_RANK(kRankCrashMessageText3) std::wstring gCrashConnectFailedText = L"Failed to connect to server.";

bool gAttachDemoFile = false;
bool gShowCrashWindow = true;
bool gAllowCrashUpload = true;
bool gCrashDebugChosen = false;
bool gCrashWindowDone = false;

}  // namespace Kivo
