// Start-up and shutdown of the application object: window placement, the
// display's result codes and their fallbacks, present recovery, the orderly
// shutdown and its settings, the hardware-acceleration questions and the
// crash information text.
#include <chrono>
#include <thread>

#include "display/DDInterface.h"
#include "platform/devices/DirectXCodes.h"
#include "resources/ImageLib.h"
#include "tests/resources/imagelib_fixtures.h"
#include "tests/shell/startup_support.h"

namespace startuptest {
namespace {

class StartupTest : public StartupFixture {};

RECT WindowRect(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

TEST_F(StartupTest, WindowedPlacementCentresOrKeepsPreferredInsideTheWorkArea) {
  struct Case {
    int preferredX, preferredY;
  };
  for (Case c : {Case{-1, -1}, Case{-50, 10000}, Case{100, 120}}) {
    SCOPED_TRACE(testing::Message() << c.preferredX << "," << c.preferredY);
    app.reset();
    StartupApp& a = NewApp();
    a.mPreferredLeft = c.preferredX;
    a.mPreferredTop = c.preferredY;
    a.mRegistryKey.clear();  // no stored position may interfere
    ASSERT_EQ(InitApp(), -1);
    RECT r = WindowRect(a.mMainWindow.load());
    int w = r.right - r.left;
    int h = r.bottom - r.top;
    ASSERT_GE(w, 640);
    ASSERT_GE(h, 480);
    if (c.preferredX == -1) {
      EXPECT_EQ(r.left, (1024 - w) / 2);
      EXPECT_EQ(r.top, static_cast<int>((738 - h) * 0.382));
    } else if (c.preferredX == -50) {
      EXPECT_EQ(r.left, 4);
      EXPECT_EQ(r.top, 738 - h - 4);
    } else {
      EXPECT_EQ(r.left, 100);
      EXPECT_EQ(r.top, 120);
    }
    EXPECT_TRUE(a.mWindowIsWindowed);
    EXPECT_TRUE(a.mInitialised);
    ASSERT_NE(a.mDisplay, nullptr);
    EXPECT_EQ(a.mWidgetManager->mImage, a.mDisplay->GetScreenImage());
  }
}

TEST_F(StartupTest, AnApplicationAsLargeAsTheWorkAreaStartsFullScreenAndStaysThere) {
  StartupApp& a = NewApp();
  a.mWidth = 1024;
  a.mHeight = 738;
  ASSERT_EQ(InitApp(), -1);
  EXPECT_TRUE(a.mFullScreenForced);
  EXPECT_FALSE(a.mWindowed);
  EXPECT_FALSE(a.mWindowIsWindowed);
  HWND before = a.mMainWindow.load();
  // Alt+Enter asks for windowed: nothing is re-created.
  a.ApplyWindowedMode(true);
  EXPECT_EQ(a.mMainWindow.load(), before);
  EXPECT_FALSE(a.mWindowIsWindowed);
  // A forced rebuild makes a new window, still full screen.
  a.ReapplyScreenMode();
  EXPECT_NE(a.mMainWindow.load(), before);
  EXPECT_FALSE(a.mWindowIsWindowed);
}

TEST_F(StartupTest, FullScreenRefusedFallsBackToWindowedAndLocksIt) {
  for (int32_t refused : {DDInterface::RESULT_EXCLUSIVE_FAIL, DDInterface::RESULT_DISPCHANGE_FAIL}) {
    app.reset();
    StartupApp& a = NewApp();
    a.mWindowed = false;
    a.mRegistryKey.clear();
    a.scriptedResults = {refused};
    ASSERT_EQ(InitApp(), -1) << refused;
    EXPECT_TRUE(a.mWindowedForced);
    EXPECT_TRUE(a.mWindowed);
    EXPECT_TRUE(a.mWindowIsWindowed);
    EXPECT_EQ(a.displayStarts, 2);
    EXPECT_EQ(a.mWidgetManager->mImage, a.mDisplay->GetScreenImage());
  }
}

TEST_F(StartupTest, FullScreenRefusedWhileFullScreenIsForcedIsFatal) {
  StartupApp& a = NewApp();
  a.mWidth = 1024;
  a.mHeight = 738;
  a.scriptedResults = {DDInterface::RESULT_EXCLUSIVE_FAIL};
  EXPECT_EQ(InitApp(), 1);
  EXPECT_EQ(a.displayStarts, 1) << "no windowed attempt that would turn into full screen again";
  EXPECT_NE(Log().find("Failed to initialize DirectDraw: RESULT_EXCLUSIVE_FAIL"), std::string::npos) << Log();
  EXPECT_FALSE(a.mInitialised);
}

TEST_F(StartupTest, WrongColourDepthWindowedGoesFullScreenUnlessWindowedWasForced) {
  StartupApp& a = NewApp();
  a.mRegistryKey.clear();
  a.scriptedResults = {DDInterface::RESULT_INVALID_COLORDEPTH};
  ASSERT_EQ(InitApp(), -1);
  EXPECT_TRUE(a.mFullScreenForced);
  EXPECT_FALSE(a.mWindowIsWindowed);

  app.reset();
  StartupApp& b = NewApp();
  b.mWindowed = false;
  b.mRegistryKey.clear();
  b.scriptedResults = {DDInterface::RESULT_EXCLUSIVE_FAIL, DDInterface::RESULT_INVALID_COLORDEPTH};
  EXPECT_EQ(InitApp(), 1);
  EXPECT_NE(Log().find("Please set your desktop color depth to 16 bit."), std::string::npos);
}

TEST_F(StartupTest, RendererFailureGivesWorking2DAndOtherFailuresAreFatal) {
  StartupApp& a = NewApp();
  a.mRegistryKey.clear();
  a.scriptedResults = {DDInterface::RESULT_3D_FAIL};
  a.beforeScriptedResult = [&a](int32_t) { a.mDisplay->is3D = true; };
  ASSERT_EQ(InitApp(), -1);
  EXPECT_FALSE(a.Is3DOn());
  EXPECT_TRUE(a.m3DSettingChanged);
  EXPECT_EQ(a.mWidgetManager->mImage, a.mDisplay->GetScreenImage());
  EXPECT_NE(a.mWidgetManager->mImage, nullptr);

  app.reset();
  StartupApp& b = NewApp();
  b.mRegistryKey.clear();
  b.scriptedResults = {DDInterface::RESULT_SURFACE_FAIL};
  EXPECT_EQ(InitApp(), 1);
  EXPECT_NE(Log().find("Failed to initialize DirectDraw: RESULT_SURFACE_FAIL"), std::string::npos);
}

TEST_F(StartupTest, DisplayStandInFailureReachesTheFatalTextWithTheCallName) {
  StartupApp& a = NewApp();
  a.mRegistryKey.clear();
  // Injected once the stand-in is set up for the platform's windows.
  a.scriptedResults = {0};
  a.beforeScriptedResult = [](int32_t) { DDrawStandIn::GetFaults().createEx = DDERR_GENERIC; };
  EXPECT_EQ(InitApp(), 1);
  std::string log = Log();
  EXPECT_NE(log.find("Failed to initialize DirectDraw: RESULT_DD_CREATE_FAIL DirectDrawCreateEx"), std::string::npos)
      << log;
}

TEST_F(StartupTest, FailedPresentOnlyRetriesAndReinitialisesAtMostOncePerSecondWhileInactive) {
  StartupApp& a = NewApp();
  a.mRegistryKey.clear();
  ASSERT_EQ(InitApp(), -1);
  int starts = a.displayStarts;
  DDrawStandIn::GetFaults().blt = DDERR_SURFACELOST;
  DDrawStandIn::GetFaults().flip = DDERR_SURFACELOST;
  a.mActive = false;
  a.mForcePresent = true;
  a.DrawFrame();
  ASSERT_TRUE(gPresentFailed);
  EXPECT_EQ(a.displayStarts, starts + 1) << "the first failure re-initialises";
  // Inactive and windowed: retries inside the same second do not.
  for (int i = 0; i < 5; ++i) {
    EXPECT_FALSE(a.DrawFrame());
    Platform::AdvanceFakeClock(100);
  }
  EXPECT_EQ(a.displayStarts, starts + 1);
  Platform::AdvanceFakeClock(600);
  a.DrawFrame();
  EXPECT_EQ(a.displayStarts, starts + 2);
  // Minimised: never.
  a.mMinimised = true;
  Platform::AdvanceFakeClock(2000);
  a.DrawFrame();
  EXPECT_EQ(a.displayStarts, starts + 2);
  a.mMinimised = false;
  // Active: every failure.
  a.mActive = true;
  a.DrawFrame();
  a.DrawFrame();
  EXPECT_EQ(a.displayStarts, starts + 4);
  // The present works again: the failure clears and drawing resumes.
  DDrawStandIn::GetFaults() = DDrawStandIn::Faults();
  a.DrawFrame();
  EXPECT_FALSE(gPresentFailed);
  EXPECT_EQ(a.mWidgetManager->mImage, a.mDisplay->GetScreenImage());
}

TEST_F(StartupTest, ShutdownSavesSettingsButAFatalExitDoesNot) {
  StartupApp& a = NewApp();
  ASSERT_EQ(InitApp(), -1);
  int32_t inProgress = 0;
  ASSERT_TRUE(ReadDword("InProgress", &inProgress));
  EXPECT_EQ(inProgress, 1);
  a.BeginShutdown();
  EXPECT_TRUE(a.mShuttingDown);
  ASSERT_TRUE(ReadDword("InProgress", &inProgress));
  EXPECT_EQ(inProgress, 0);

  app.reset();
  WriteDword("InProgress", 0);
  StartupApp& b = NewApp();
  Platform::SetCommandLine(2, const_cast<char**>(std::vector<const char*>{"game", "-Play"}.data()));
  b.mCommandLineRead = false;
  EXPECT_EQ(InitApp(), 0);
  ASSERT_TRUE(ReadDword("InProgress", &inProgress));
  EXPECT_EQ(inProgress, 1) << "settings read before the command line mark the run; nothing saves afterwards";
  EXPECT_NE(Log().find("title=\"FATAL ERROR\" text=\"Invalid command line parameter: -Play\""), std::string::npos)
      << Log();
  Platform::SetCommandLine(1, const_cast<char**>(std::vector<const char*>{"game"}.data()));
}

TEST_F(StartupTest, TheApplicationHoldsTheJpeg2000CodecUntilShutdown) {
  const std::string file = folder + "/grey.j2k";
  const imagelib_test::Bytes bytes = imagelib_test::J2kBytes(false, 3, 2, {{0, 40, 80, 120, 160, 200}});
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  Kivo::ImageLib::FreeJ2kCodec();
  StartupApp& a = NewApp();
  ASSERT_EQ(InitApp(), -1);
  Kivo::ImageLib::ImagePtr image = Kivo::ImageLib::ReadJ2kImage(file);
  ASSERT_TRUE(image) << "the constructor loads the codec";
  EXPECT_EQ(image->width, 3);
  a.BeginShutdown();
  EXPECT_FALSE(Kivo::ImageLib::ReadJ2kImage(file)) << "shutdown unloads it";
}

TEST_F(StartupTest, ShutdownAskedFromAnotherThreadHappensOnTheMainThread) {
  StartupApp& a = NewApp();
  ASSERT_EQ(InitApp(), -1);
  std::thread other([&a] { a.BeginShutdown(); });
  other.join();
  EXPECT_TRUE(a.mShutdownRequested);
  EXPECT_FALSE(a.mShuttingDown);
  int32_t inProgress = 0;
  ASSERT_TRUE(ReadDword("InProgress", &inProgress));
  EXPECT_EQ(inProgress, 1);
  for (int i = 0; i < 50 && !a.mShuttingDown; ++i) {
    a.StepAppOnce(nullptr);
    Platform::AdvanceFakeClock(10);
  }
  EXPECT_TRUE(a.mShuttingDown);
  ASSERT_TRUE(ReadDword("InProgress", &inProgress));
  EXPECT_EQ(inProgress, 0);
}

TEST_F(StartupTest, HardwareAccelerationQuestionsAtTheEndOfARunThatSwitched3D) {
  const std::string caption = "title=\" Hardware Acceleration Confirmation\"";
  struct Case {
    const char* name;
    int storedIs3D;  // -1: missing
    bool on;
    bool drawFailed;
    const char* answer;  // scripted box answer
    bool changed;
    bool expectBox;
    int expectIs3D;  // -1: missing afterwards
  };
  const Case cases[] = {
      {"stored value: current state, no box", 0, true, false, nullptr, true, false, 1},
      {"missing, 3D on, yes", -1, true, false, "6", true, true, 1},
      {"missing, 3D on, no", -1, true, false, "7", true, true, -1},
      {"missing, 3D off", -1, false, false, nullptr, true, false, -1},
      {"no change, draw failed, no", 1, true, true, "7", false, true, 0},
      {"no change, draw failed, yes", 1, true, true, "6", false, true, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    app.reset();
    std::remove(logPath.c_str());
    std::string key = "SOFTWARE\\KivoTest";
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_WRITE, &handle) == ERROR_SUCCESS) {
      RegDeleteValueA(handle, "Is3D");
      RegCloseKey(handle);
    }
    if (c.storedIs3D >= 0) WriteDword("Is3D", c.storedIs3D);
    StartupApp& a = NewApp();
    ASSERT_EQ(InitApp(), -1);
    a.mDisplay->is3D = c.on;
    a.m3DSettingChanged = c.changed;
    g3DDrawFailed = c.drawFailed;
    if (c.answer != nullptr) Script(std::string("0 msgbox ") + c.answer + "\n");
    app.reset();
    g3DDrawFailed = false;
    std::string log = Log();
    EXPECT_EQ(log.find(caption) != std::string::npos, c.expectBox) << log;
    int32_t is3D = -1;
    if (!ReadDword("Is3D", &is3D)) is3D = -1;
    EXPECT_EQ(is3D, c.expectIs3D);
  }
}

TEST_F(StartupTest, CrashInformationText) {
  StartupApp& a = NewApp();
  a.mStartTick = GetTickCount() - 3725u * 1000u - 400u;
  std::string text = a.BuildCrashInfoText();
  EXPECT_NE(text.find("Product: KivoTest\r\n"), std::string::npos);
  EXPECT_NE(text.find("Time Loaded: 01:02:05\r\nFullscreen: No\r\n"), std::string::npos) << text;
  a.mWindowed = false;
  EXPECT_NE(a.BuildCrashInfoText().find("\r\nFullscreen: Yes"), std::string::npos);
}

TEST_F(StartupTest, MissingDirectXStopsWithItsMessage) {
  // The libraries are looked for when the object is built.
  setenv("GAME_NO_DIRECTX", "1", 1);
  StartupApp& a = NewApp();
  unsetenv("GAME_NO_DIRECTX");
  EXPECT_EQ(InitApp(), 0);
  EXPECT_NE(Log().find("title=\"You need DirectX\""), std::string::npos) << Log();
  EXPECT_EQ(a.mMainWindow.load(), nullptr);
  int32_t inProgress = 0;
  EXPECT_FALSE(ReadDword("InProgress", &inProgress)) << "nothing is read or written before the check";
}

}  // namespace
}  // namespace startuptest

namespace startuptest {
namespace {

// The real exit: the cursor thread is stopped before the process ends.
class ExitingApp : public KivoAppBase {
 public:
  ExitingApp() {
    mCommandLineRead = true;
    mProductName = "KivoExitTest";
  }
};

TEST_F(StartupTest, AFatalExitStopsTheCursorThreadAndEndsWithItsCode) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        auto* a = new ExitingApp();
        a->mProgramFolder = folder;
        a->Init();
        a->LaunchCursorThread();
        // Only a thread that never starts is bounded, not how soon it does.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!a->mCursorThreadRunning && std::chrono::steady_clock::now() < until)
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (!a->mCursorThreadRunning) std::_Exit(9);
        a->ExitProgram(3);
      },
      ::testing::ExitedWithCode(3), "");
}

}  // namespace
}  // namespace startuptest
