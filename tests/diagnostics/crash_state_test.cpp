// The crash report's shared globals start as the crash windows expect.
#include <gtest/gtest.h>

#include "diagnostics/CrashState.h"

namespace {

TEST(CrashState, DefaultsAndTexts) {
  EXPECT_EQ(Kivo::gCrashHeaderText, L"An unexpected error has occured!");
  EXPECT_EQ(Kivo::gCrashSubmitPrompt, L"Please help out by providing as much information as you can about this crash.");
  EXPECT_EQ(Kivo::gCrashConnectFailedText, L"Failed to connect to server.");
  for (const std::string* text : {&Kivo::gCrashReportTitle, &Kivo::gCrashReportText, &Kivo::gCrashUserText,
                                  &Kivo::gCrashDemoFile, &Kivo::gCrashReportHost})
    EXPECT_TRUE(text->empty());
  EXPECT_TRUE(Kivo::gShowCrashWindow);
  EXPECT_TRUE(Kivo::gAllowCrashUpload);
  EXPECT_FALSE(Kivo::gAttachDemoFile);
  EXPECT_FALSE(Kivo::gCrashDebugChosen);
  EXPECT_FALSE(Kivo::gCrashWindowDone);
}

}  // namespace
