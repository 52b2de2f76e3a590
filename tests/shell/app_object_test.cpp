// Construction defaults, the dialog-button mapping, the string table, the
// dialog registry, message boxes, fatal errors and the screen-saver log.
#include <sys/stat.h>
#include <unistd.h>

#include <thread>

#include "shell/base/Paths.h"
#include "tests/shell/app_support.h"

namespace apptest {
namespace {

TEST_F(AppFixture, ConstructionDefaultsAndGlobals) {
  {
    TestApp a;
    EXPECT_EQ(gAppBase, &a);
    EXPECT_EQ(gCrashReportApp, &a);
    EXPECT_TRUE(a.mWindowed);
    EXPECT_EQ(a.mWidth, 640);
    EXPECT_EQ(a.mHeight, 480);
    EXPECT_EQ(a.mColorDepth, 16);
    EXPECT_EQ(a.mSpeed, 1.0);
    EXPECT_EQ(a.mMusicVolume, 0.85);
    EXPECT_EQ(a.mSfxVolume, 0.85);
    EXPECT_EQ(a.mUpdateInterval, 10);
    EXPECT_EQ(a.mPreferredLeft, -1);
    EXPECT_EQ(a.mPreferredTop, -1);
    EXPECT_EQ(a.mProductName, "Product");
    EXPECT_EQ(a.mWindowTitle, L"KivoApp");
    EXPECT_EQ(a.mDemoFilePath, "kivoapp.dmo");
    EXPECT_TRUE(a.mSingleInstanceMode);
    EXPECT_EQ(a.mHackAspect.numerator, 4);
    EXPECT_EQ(a.mHackAspect.denominator, 3);
    EXPECT_TRUE(a.mUpdatedSinceDraw);
    EXPECT_EQ(a.mLastPresentTime, timeGetTime());
    EXPECT_EQ(a.mSaturationTable[200], 200);
    EXPECT_EQ(a.mSaturationTable[300], 255);
    EXPECT_EQ(a.mSaturationTable[511], 255);
    ASSERT_NE(a.mImageRegistry, nullptr);
    EXPECT_EQ(GetImageHost(), a.mImageRegistry) << "images register with the application's registry";
  }
  EXPECT_EQ(gAppBase, nullptr);
  EXPECT_NE(GetImageHost(), nullptr) << "the quiet host is back";
}

TEST_F(AppFixture, DialogButtonsBecomeButtonEventsOfTheApplication) {
  TestApp& a = MakeApp(false);
  a.DialogButtonPress(7, 1000);
  a.DialogButtonRelease(7, 1000);
  a.DialogButtonPress(7, 1001);
  a.DialogButtonRelease(7, 1001);
  a.DialogButtonPress(7, 1002);
  a.DialogButtonRelease(7, 1002);
  EXPECT_EQ(a.pressed, (std::vector<int>{2007, 3007}));
  EXPECT_EQ(a.released, (std::vector<int>{2007, 3007}));
}

TEST_F(AppFixture, StringTableDefaultsLookupAndRedefinition) {
  TestApp& a = MakeApp(false);
  const std::pair<const char*, const wchar_t*> expected[] = {
      {"DIALOG_BUTTON_OK", L"OK"},
      {"DIALOG_BUTTON_CANCEL", L"CANCEL"},
      {"UPDATE_CHECK_TITLE", L"Update Check"},
      {"UPDATE_CHECK_BODY", L"Checking if there are any updates available for this product ..."},
      {"UP_TO_DATE_TITLE", L"Up to Date"},
      {"UP_TO_DATE_BODY", L"There are no updates available for this product at this time."},
      {"NEW_VERSION_TITLE", L"New Version"},
      {"NEW_VERSION_BODY",
       L"There is an update available for this product.  Would you like to visit the web site to download it?"},
  };
  EXPECT_EQ(a.mStringTable.Size(), 8u);
  for (const auto& e : expected) EXPECT_EQ(a.LookupText(e.first, L"?"), e.second) << e.first;

  EXPECT_EQ(a.LookupText("FATAL_ERROR", L"FATAL ERROR"), L"FATAL ERROR");
  a.DefineText("FATAL_ERROR", L"Fehler");
  EXPECT_EQ(a.LookupText("FATAL_ERROR", L"FATAL ERROR"), L"Fehler");
  EXPECT_EQ(a.LookupText("fatal_error", L"FATAL ERROR"), L"FATAL ERROR") << "ids differ by case";
  a.DefineText("DIALOG_BUTTON_OK", L"Okay");
  EXPECT_EQ(a.LookupText("DIALOG_BUTTON_OK", L"?"), L"Okay");
  EXPECT_EQ(a.mStringTable.Size(), 9u);
}

class SizedDialog : public Dialog {
 public:
  SizedDialog(int id, bool modal, bool* gone)
      : Dialog(nullptr, nullptr, id, modal, L"Header", L"Lines", L"Footer", 2), gone_(gone) {}
  ~SizedDialog() override {
    if (gone_ != nullptr) *gone_ = true;
  }
  int GetPreferredHeight(int width) override { return width / 4; }
  bool* gone_;
};

TEST_F(AppFixture, RegisteringPlacesReplacesAndRemovesDialogs) {
  TestApp& a = MakeApp(false);
  WidgetManager* manager = a.mWidgetManager;
  bool firstGone = false, secondGone = false;
  auto* first = new SizedDialog(5, true, &firstGone);
  a.RegisterDialog(5, first);
  EXPECT_EQ(first->mX, 160);
  EXPECT_EQ(first->mY, 96);
  EXPECT_EQ(first->mWidth, 320);
  EXPECT_EQ(first->mHeight, 80);
  EXPECT_TRUE(manager->HasChild(first));
  EXPECT_EQ(manager->mModalWidget, first);
  EXPECT_EQ(a.FindDialog(5), first);

  auto* second = new SizedDialog(5, false, &secondGone);
  second->Resize(1, 2, 30, 40);
  a.RegisterDialog(5, second);
  EXPECT_EQ(second->mX, 1) << "a sized dialog keeps its place";
  EXPECT_FALSE(manager->HasChild(first));
  EXPECT_NE(manager->mModalWidget, first);
  EXPECT_EQ(a.FindDialog(5), second);
  EXPECT_EQ(a.CountDialogs(), 1);
  EXPECT_FALSE(firstGone) << "queued, not deleted at once";
  a.ProcessDeletionQueue();
  EXPECT_TRUE(firstGone);

  second->mResult = -1;
  EXPECT_TRUE(a.RemoveDialog(5, false, false));
  EXPECT_EQ(second->mResult, 0);
  EXPECT_TRUE(manager->HasChild(second)) << "left in the widget manager";
  EXPECT_EQ(a.FindDialog(5), nullptr);
  EXPECT_FALSE(a.RemoveDialog(5, true, true));
  EXPECT_FALSE(a.RemoveDialogById(12345));
  manager->RemoveChild(second);
  delete second;

  bool modalGone = false;
  auto* modal = new SizedDialog(6, true, &modalGone);
  a.RegisterDialog(6, modal);
  EXPECT_TRUE(a.RemoveDialog(6, false, false));
  EXPECT_EQ(manager->mModalWidget, nullptr) << "a modal dialog is popped even when left in the manager";
  manager->RemoveChild(modal);
  delete modal;
}

TEST_F(AppFixture, RegisteringTheSameDialogAgainKeepsIt) {
  TestApp& a = MakeApp(false);
  bool gone = false;
  auto* dialog = new SizedDialog(3, true, &gone);
  a.RegisterDialog(3, dialog);
  a.RegisterDialog(3, dialog);
  a.ProcessDeletionQueue();
  a.RunFor(50);
  EXPECT_FALSE(gone);
  EXPECT_EQ(a.FindDialog(3), dialog);
  EXPECT_EQ(a.CountDialogs(), 1);
  EXPECT_EQ(a.mWidgetManager->mModalWidget, dialog);
  EXPECT_TRUE(a.RemoveDialogById(3));
  a.ProcessDeletionQueue();
  EXPECT_TRUE(gone);
}

TEST_F(AppFixture, WaitForResultRunsNestedPassesUntilAButtonAnswers) {
  TestApp& a = MakeApp();
  Dialog* dialog = a.ReplaceDialog(7, true, L"Quit?", L"", L"", 1);
  ASSERT_NE(dialog, nullptr);
  int depthSeen = 0;
  widget->onDraw = [&] {
    depthSeen = std::max(depthSeen, a.mStepDepth);
    if (widget->draws == 3) dialog->ButtonDepress(kDialogButtonNo);
  };
  EXPECT_EQ(dialog->WaitForResult(true), kDialogButtonNo);
  EXPECT_EQ(depthSeen, 1);
  EXPECT_EQ(a.released, (std::vector<int>{3007}));
  EXPECT_EQ(a.FindDialog(7), nullptr);
  EXPECT_EQ(a.mDeletionQueue.size(), 1u);
}

TEST_F(AppFixture, MessageBoxesAndFatalErrors) {
  TestApp& a = MakeApp(false);
  std::vector<std::string> errors;
  ASSERT_TRUE(Platform::SetInputScript("0 msgbox 7\n", &errors));
  EXPECT_EQ(a.ShowMessageBoxW(L"Keep it?", L"Question", MB_YESNO), IDNO);
  a.ShowFatalErrorW(L"Disk gone");
  std::string log = Log();
  EXPECT_NE(log.find("title=\"Question\" text=\"Keep it?\" -> 7"), std::string::npos) << log;
  EXPECT_NE(log.find("type=0x10 title=\"FATAL ERROR\" text=\"Disk gone\""), std::string::npos) << log;

  a.BeginShutdown();
  a.ShowFatalErrorW(L"Too late");
  EXPECT_EQ(Log().find("Too late"), std::string::npos) << "no box once shutting down";
}

TEST_F(AppFixture, LeavingABoxReleasesKeysAndButtons) {
  TestApp& a = MakeApp();
  a.mWidgetManager->OnKeyDown('A');
  a.mWidgetManager->OnMouseDown(10, 10, 1);
  a.mFrameTimeDebt = 120.0;
  a.ShowMessageBoxA("text", "title", MB_OK);
  EXPECT_FALSE(a.mWidgetManager->mKeyDown[static_cast<int>('A')]);
  EXPECT_EQ(a.mWidgetManager->mPressedWidget, nullptr);
  EXPECT_EQ(a.mFrameTimeDebt, 0.0);
}

TEST_F(AppFixture, ScrErrorTxtGoesToTheDataFolderWhenTheWorkingFolderCannotBeWritten) {
  TestApp& a = MakeApp(false);
  std::string savedUserFolder = gUserDataFolder;
  gUserDataFolder.clear();
  std::string work = folder + "/work";
  ASSERT_EQ(mkdir(work.c_str(), 0755), 0);
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(work.c_str()), 0);
  ASSERT_EQ(rmdir(work.c_str()), 0);
  ResetErrorLogFirstWrite();
  a.mScreenSaverMode = true;
  a.ShowFatalErrorA("lost no more");
  ASSERT_EQ(chdir(previous), 0);
  gUserDataFolder = savedUserFolder;
  std::ifstream in(folder + "/data/ScrError.txt");  // GAME_HOME is the fixture's folder
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line.rfind("lost no more ", 0), 0u) << line;
}

TEST_F(AppFixture, ScreenSaverModeLogsBoxesToScrErrorTxt) {
  TestApp& a = MakeApp(false);
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(folder.c_str()), 0);
  {
    std::ofstream old("ScrError.txt");
    old << "from an earlier run\n";
  }
  ResetErrorLogFirstWrite();
  a.mScreenSaverMode = true;
  EXPECT_EQ(a.ShowMessageBoxW(L"first", L"t", MB_YESNO), IDOK);
  a.ShowFatalErrorA("second");
  std::ifstream in("ScrError.txt");
  std::string line1, line2, extra;
  std::getline(in, line1);
  std::getline(in, line2);
  EXPECT_FALSE(std::getline(in, extra));
  ASSERT_EQ(chdir(previous), 0);

  unsigned h = 0, m = 0, s = 0, tick = 0;
  char text[32] = {};
  ASSERT_EQ(std::sscanf(line1.c_str(), "%31s %u:%u:%u %u", text, &h, &m, &s, &tick), 5) << line1;
  EXPECT_STREQ(text, "first");
  EXPECT_EQ(tick, static_cast<unsigned>(GetTickCount()));
  EXPECT_EQ(line2.rfind("second ", 0), 0u) << line2;
  EXPECT_EQ(line1.size(), std::string("first 00:00:00 ").size() + std::to_string(tick).size());
  EXPECT_EQ(Log().find("MessageBox"), std::string::npos);
}

TEST_F(AppFixture, CrashInformationText) {
  TestApp& a = MakeApp(false);
  a.mProductName = "Game";
  a.mStartTick = GetTickCount() - 3725 * 1000;
  std::string text = a.BuildCrashInfoText();
  EXPECT_EQ(text.rfind("Product: Game\r\nVersion: ", 0), 0u);
  EXPECT_NE(text.find("Time Loaded: 01:02:05\r\nFullscreen: No\r\nPrimary ThreadId: "), std::string::npos) << text;
}

TEST_F(AppFixture, UnreferencedSharedImagesGoAfterTheNextUpdate) {
  TestApp& a = MakeApp();
  {
    bool created = false;
    SharedImageHandle handle = a.FindOrCreateSharedImage("!scratch", "", &created);
    EXPECT_TRUE(created);
    EXPECT_EQ(a.mImageRegistry->SharedEntryCount(), 1u);
  }
  EXPECT_EQ(a.mImageRegistry->SharedEntryCount(), 1u) << "kept until an update";
  a.RunFor(30);
  EXPECT_EQ(a.mImageRegistry->SharedEntryCount(), 0u);
}

TEST_F(AppFixture, ExitProgramEndsTheProcessWithTheCode) {
  TestApp& a = MakeApp(false);
  EXPECT_EXIT(a.ExitProgram(3), ::testing::ExitedWithCode(3), "");
}

// A fatal error raised off the main thread (the loading thread's) and the
// exit that follows: the player sees the box before the program ends.
TEST_F(AppFixture, AFatalErrorFromAnotherThreadShowsBeforeTheExit) {
  TestApp& a = MakeApp(false);
  EXPECT_EXIT(std::thread([&a] {
                a.ShowFatalErrorA("the loading failed");
                a.ExitProgram(0);
              }).join(),
              ::testing::ExitedWithCode(0),
              "MessageBox thread=[0-9]+ type=0x10 title=\"FATAL ERROR\" text=\"the loading failed\"");
  // On the main thread, a box another thread queued shows at the exit too.
  std::thread([&a] { a.ShowFatalErrorW(L"queued earlier"); }).join();
  EXPECT_EXIT(a.ExitProgram(2), ::testing::ExitedWithCode(2),
              "MessageBox thread=main type=0x10 title=\"FATAL ERROR\" text=\"queued earlier\"");
}

}  // namespace
}  // namespace apptest
