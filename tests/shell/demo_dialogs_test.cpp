// The playback dialogs through the scripted prompt: the marker list, Jump To
// Time with its remembered text, and the mute toggle.
#include "demo_support.h"

#include "platform/Prompt.h"
#include "platform/Registry.h"

namespace demotest {
namespace {

class DemoDialogTest : public DemoFixture {
 protected:
  void SetUp() override {
    DemoFixture::SetUp();
    Platform::ClearPromptAnswers();
    Platform::ClearPromptLog();
  }
  DemoApp& MakePlayer() {
    DemoApp& app = MakeDemoApp();
    app.mPlaying = true;
    app.mUpdateInterval = 10;
    app.mDemoLength = 20000;
    app.mUpdateCount = 1000;
    return app;
  }
  static std::string LastPrompt() {
    std::vector<std::string> log = Platform::PromptLog();
    return log.empty() ? std::string() : log.back();
  }
};

TEST_F(DemoDialogTest, MarkerListShowsLaterMarkersWithTheirTimeBeforeTheEnd) {
  DemoApp& app = MakePlayer();
  app.mMarkers = {{"past", 500}, {"now", 1000}, {"boss", 11000}, {"end", 19990}};
  Platform::QueuePromptAnswer("pick 0");
  EXPECT_EQ(app.ShowMarkerListDialog(), 0);
  EXPECT_EQ(LastPrompt(), "prompt list \"Marker List\": [boss (00:01:30)] [end (00:00:00)] -> pick 0");
  EXPECT_EQ(app.mFastForwardTarget, 11000);
  // Nothing chosen: the target stays.
  app.mFastForwardTarget = 0;
  EXPECT_EQ(app.ShowMarkerListDialog(), 0);
  EXPECT_EQ(app.mFastForwardTarget, 0);
}

TEST_F(DemoDialogTest, JumpToTimeParsesPiecesAndSaturates) {
  struct Case {
    const char* text;
    int64_t seconds;
  };
  const Case cases[] = {
      {"", 1}, {"45", 46}, {"1:30", 91}, {"2:00:00", 7201}, {"abc", 1}, {"1:x:5", 3606}, {" 7", 8}, {"-5", -4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseDemoJumpSeconds(c.text), c.seconds);
  }
  // Huge input stays finite and the target never goes below the start.
  std::string huge(400, '9');
  EXPECT_GT(ParseDemoJumpSeconds(huge), 0);
  EXPECT_GT(ParseDemoJumpSeconds(huge + ":" + huge + ":" + huge), 0);
  EXPECT_EQ(DemoJumpTarget(20000, ParseDemoJumpSeconds(huge), 10), 0);
  EXPECT_EQ(DemoJumpTarget(20000, 91, 10), 20000 - 9100);
  EXPECT_EQ(DemoJumpTarget(20000, 1, 0), 19000);  // a zero interval counts as 1 ms
}

TEST_F(DemoDialogTest, JumpToTimeSetsTheTargetAndRemembersTheText) {
  DemoApp& app = MakePlayer();
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\KivoDemoTest", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  Platform::QueuePromptAnswer("text 1:30");
  EXPECT_EQ(app.ShowJumpToTimeDialog(), 0);
  EXPECT_EQ(app.mFastForwardTarget, 20000 - 9100);
  EXPECT_EQ(LastPrompt(), "prompt text \"Jump To Time\": [] -> ok [1:30]");

  // Stored with its terminating zero, and offered next time.
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\KivoDemoTest", 0, KEY_READ, &key), ERROR_SUCCESS);
  char stored[16] = {};
  DWORD type = 0, size = sizeof stored;
  ASSERT_EQ(RegQueryValueExA(key, "DemoJumpTime", nullptr, &type, reinterpret_cast<BYTE*>(stored), &size),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 5u);
  EXPECT_STREQ(stored, "1:30");

  Platform::QueuePromptAnswer("text");
  app.ShowJumpToTimeDialog();
  EXPECT_EQ(LastPrompt(), "prompt text \"Jump To Time\": [1:30] -> ok []");
  EXPECT_EQ(app.mFastForwardTarget, 20000 - 100);

  // Cancel leaves the target.
  app.ShowJumpToTimeDialog();
  EXPECT_EQ(app.mFastForwardTarget, 20000 - 100);
}

TEST_F(DemoDialogTest, JumpToTimeOffersAStoredTextOfTheLargestSizeWhole) {
  DemoApp& app = MakePlayer();
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\KivoDemoTest", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  // 1000 bytes without a terminator: the reader needs room for its own.
  std::string stored(1000, '7');
  ASSERT_EQ(RegSetValueExA(key, "DemoJumpTime", 0, REG_SZ, reinterpret_cast<const BYTE*>(stored.data()), 1000),
            ERROR_SUCCESS);
  RegCloseKey(key);
  app.ShowJumpToTimeDialog();
  EXPECT_EQ(LastPrompt(), "prompt text \"Jump To Time\": [" + stored + "] -> cancel");
}

TEST_F(DemoDialogTest, JumpToTimeWithoutTheKeyStillJumpsAndCreatesNothing) {
  DemoApp& app = MakePlayer();
  app.mRegistryKey = "NoSuchKey/";
  Platform::QueuePromptAnswer("text 45");
  app.ShowJumpToTimeDialog();
  EXPECT_EQ(app.mFastForwardTarget, 20000 - 4600);
  HKEY key = nullptr;
  EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\NoSuchKey", 0, KEY_READ, &key), ERROR_SUCCESS);
}

TEST_F(DemoDialogTest, MuteTwiceRestoresBothVolumes) {
  DemoApp& app = MakePlayer();
  app.ApplyMusicVolume(0.5);
  app.ApplySfxVolume(0.7);
  app.ToggleDemoMute();
  EXPECT_EQ(app.QueryMusicVolume(), 0.0);
  EXPECT_EQ(app.QuerySfxVolume(), 0.0);
  app.ToggleDemoMute();
  EXPECT_DOUBLE_EQ(app.QueryMusicVolume(), 0.5);
  EXPECT_DOUBLE_EQ(app.QuerySfxVolume(), 0.7);
  // The halves are independent: a silenced one comes back at its saved level.
  app.ApplyMusicVolume(0.0);
  app.ToggleDemoMute();
  EXPECT_DOUBLE_EQ(app.QueryMusicVolume(), 0.5);
  EXPECT_EQ(app.QuerySfxVolume(), 0.0);
}

}  // namespace
}  // namespace demotest
