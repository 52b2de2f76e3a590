// Services of the application object: volume and mute forwarding to the
// audio objects, one-shot sounds, the browser launch and its outcome, the
// clipboard, the version resource, and the screen-saver filter and idle
// pause.
#include "audio/MusicInterface.h"
#include "audio/SoundInstance.h"
#include "audio/SoundManager.h"
#include "tests/shell/startup_support.h"

namespace startuptest {
namespace {

class FakeInstance : public SoundInstance {
 public:
  explicit FakeInstance(std::vector<std::string>* events) : mEvents(events) {}
  void Release() override {}
  void SetBaseVolume(double) override {}
  void SetBasePan(int) override {}
  void ShiftPitch(double) override {}
  void SetVolume(double) override {}
  void SetPan(int pan) override { mEvents->push_back("pan " + std::to_string(pan)); }
  bool Play(bool looping, bool release) override {
    mEvents->push_back(std::string("play") + (looping ? " loop" : "") + (release ? " release" : ""));
    return true;
  }
  void Stop() override {}
  bool IsPlaying() override { return false; }
  bool IsReleased() override { return false; }
  double GetVolume() override { return 1.0; }

 private:
  std::vector<std::string>* mEvents;
};

class FakeSoundManager : public SoundManager {
 public:
  bool IsReady() override { return true; }
  int FindOrLoadSound(const std::string&) override { return -1; }
  bool LoadSoundIntoId(int, const std::string&) override { return false; }
  void UnloadSound(int) override {}
  void SetMasterVolume(double volume) override { master.push_back(volume); }
  bool SetSoundBaseVolume(int, double) override { return false; }
  bool SetSoundBasePan(int, int) override { return false; }
  SoundInstance* CreateInstance(int id) override {
    if (id != 3) return nullptr;
    instance = std::make_unique<FakeInstance>(&events);
    return instance.get();
  }
  void UnloadAllSounds() override {}
  void ReleaseAllInstances() override {}
  double GetSystemVolume() override { return systemVolume; }
  void SetSystemVolume(double volume) override { systemVolume = volume; }
  void ReservedHook() override {}
  void AttachToWindow(void*, bool) override {}
  void StopAllInstances() override {}
  int FindFreeSoundId() override { return 0; }
  int CountLoadedSounds() override { return 0; }

  std::vector<double> master;
  double systemVolume = 0.5;
  std::vector<std::string> events;
  std::unique_ptr<FakeInstance> instance;
};

class FakeMusic : public MusicInterface {
 public:
  void SetMusicVolume(double volume) override { sent.push_back(volume); }
  void SetSongMaxVolume(int song, double volume) override { songMax.emplace_back(song, volume); }
  std::vector<double> sent;
  std::vector<std::pair<int, double>> songMax;
};

class ServicesTest : public StartupFixture {};

TEST_F(ServicesTest, MuteCountsAndVolumeForwarding) {
  StartupApp& a = NewApp();
  a.mRegistryKey.clear();
  // Nothing to send to yet: only stored.
  a.ApplyMusicVolume(0.4);
  a.ApplySfxVolume(0.6);
  a.StartSample(3);
  a.StartSampleWithPan(3, 10);
  EXPECT_DOUBLE_EQ(a.QueryMusicVolume(), 0.4);

  auto* sound = new FakeSoundManager();
  auto* music = new FakeMusic();
  a.mSoundManager = sound;  // the application deletes them
  a.mMusicInterface = music;

  a.MuteAudio(true);
  a.MuteAudio(false);
  a.UnmuteAudio(true);
  EXPECT_EQ(a.mMuteCount, 1);
  EXPECT_EQ(a.mFocusMuteCount, 0);
  EXPECT_TRUE(a.IsAudioMuted());
  a.ApplyMusicVolume(0.5);
  EXPECT_DOUBLE_EQ(music->sent.back(), 0.0) << "muted: 0 is sent";
  EXPECT_DOUBLE_EQ(a.QueryMusicVolume(), 0.5) << "the setting itself stays";
  a.SaveSettings();  // no key: nothing, but the flag it would write is:
  EXPECT_EQ(a.mMuteCount - a.mFocusMuteCount > 0, true);
  a.UnmuteAudio(false);
  EXPECT_DOUBLE_EQ(music->sent.back(), 0.5);
  EXPECT_DOUBLE_EQ(sound->master.back(), 0.6);

  size_t sentBefore = music->sent.size();
  a.UnmuteAudio(false);
  EXPECT_EQ(a.mMuteCount, 0);
  EXPECT_EQ(a.mFocusMuteCount, 0);
  EXPECT_EQ(music->sent.size(), sentBefore + 1) << "unmuting at 0 still re-sends";

  // The system volume is kept as the effect volume, and the next mute
  // round re-sends it.
  a.ApplySystemVolume(0.3);
  EXPECT_DOUBLE_EQ(sound->systemVolume, 0.3);
  EXPECT_DOUBLE_EQ(a.QuerySystemVolume(), 0.3);
  EXPECT_DOUBLE_EQ(a.QuerySfxVolume(), 0.3);
  a.MuteAudio(false);
  a.UnmuteAudio(false);
  EXPECT_DOUBLE_EQ(sound->master.back(), 0.3);

  a.StartSample(7);
  EXPECT_TRUE(sound->events.empty()) << "no instance, nothing played";
  a.StartSampleWithPan(3, -200);
  EXPECT_EQ(sound->events, (std::vector<std::string>{"pan -200", "play release"}));
  a.ApplySongVolume(2, 0.25);
  ASSERT_EQ(music->songMax.size(), 1u);
  EXPECT_EQ(music->songMax[0].first, 2);
}

TEST_F(ServicesTest, BrowserLaunchOutcomes) {
  StartupApp& a = NewApp();
  a.mRegistryKey.clear();
  ASSERT_EQ(InitApp(), -1);
  Script("0 url 42\n0 url 2\n0 url 42\n");
  EXPECT_TRUE(a.LaunchBrowser("http://example.org/a", false));
  EXPECT_TRUE(a.LaunchBrowser("http://example.org/a", false));
  std::string log = Log();
  size_t first = log.find("OpenURL \"http://example.org/a\"");
  ASSERT_NE(first, std::string::npos) << log;
  EXPECT_EQ(log.find("OpenURL \"http://example.org/a\"", first + 1), std::string::npos) << "one open";
  a.OnBrowserLaunched("http://example.org/a");
  EXPECT_FALSE(a.mShuttingDown);

  EXPECT_FALSE(a.LaunchBrowser("http://example.org/b", true));
  EXPECT_EQ(a.failed, (std::vector<std::string>{"http://example.org/b"}));
  EXPECT_FALSE(a.mBrowserLaunchPending);
  EXPECT_FALSE(a.mShuttingDown) << "a failed launch does not quit";

  EXPECT_TRUE(a.LaunchBrowser("http://example.org/c", true));
  EXPECT_TRUE(a.mBrowserLaunchPending);
  a.OnBrowserLaunched(a.mPendingUrl);
  EXPECT_TRUE(a.mShuttingDown);
}

TEST_F(ServicesTest, ClipboardAndVersion) {
  StartupApp& a = NewApp();
  a.PutTextOnClipboard("caf\xE9");
  EXPECT_EQ(Platform::ClipboardText(), "caf\xC3\xA9");
  a.mPlaying = true;
  a.PutTextOnClipboard("other");
  a.mPlaying = false;
  EXPECT_EQ(Platform::ClipboardText(), "caf\xC3\xA9") << "untouched in playback";

  EXPECT_EQ(a.QueryVersionResource(Platform::ExecutablePath()), Platform::BuildProductVersion());
  EXPECT_FALSE(Platform::BuildProductVersion().empty());
  EXPECT_EQ(a.QueryVersionResource(folder + "/none.exe"), "");
}

class ScreenSaverTest : public StartupFixture {
 protected:
  StartupApp& Started(bool screenSaver) {
    StartupApp& a = NewApp();
    a.mRegistryKey.clear();
    a.mScreenSaverMode = screenSaver;
    EXPECT_EQ(InitApp(), -1);
    return a;
  }
  bool CloseQueued(StartupApp& a) {
    Pump();
    for (const auto& record : a.mInputQueue)
      if (record.message == WM_CLOSE) return true;
    return false;
  }
  static LPARAM At(int x, int y) { return static_cast<LPARAM>((y << 16) | (x & 0xFFFF)); }
};

TEST_F(ScreenSaverTest, PointerMovesCloseOnlyAfterTheFourthNewPlace) {
  StartupApp& a = Started(true);
  HWND window = a.mMainWindow.load();
  LRESULT result = 1;
  ResetScreenSaverFilter();
  FilterScreenSaverMessage(window, WM_CREATE, 0, 0, &result);
  Platform::AdvanceFakeClock(5000);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_TRUE(FilterScreenSaverMessage(window, WM_MOUSEMOVE, 0, At(10 * i, 5), &result)) << i;
    EXPECT_EQ(result, 0);
    // The same place again is no move.
    EXPECT_TRUE(FilterScreenSaverMessage(window, WM_MOUSEMOVE, 0, At(10 * i, 5), &result));
  }
  EXPECT_FALSE(CloseQueued(a));
  EXPECT_FALSE(FilterScreenSaverMessage(window, WM_MOUSEMOVE, 0, At(99, 5), &result));
  EXPECT_TRUE(CloseQueued(a));
}

TEST_F(ScreenSaverTest, KeysCloseAtOnceActivationLossOnlyAwayFromMonitorPower) {
  StartupApp& a = Started(true);
  HWND window = a.mMainWindow.load();
  LRESULT result = 0;
  // A key right after the monitor came back closes.
  ResetScreenSaverFilter();
  gLastMonitorPowerTick = GetTickCount();
  EXPECT_FALSE(FilterScreenSaverMessage(window, WM_KEYDOWN, 'A', 0, &result));
  EXPECT_TRUE(CloseQueued(a));
  a.mInputQueue.clear();

  struct Case {
    DWORD after;
    bool closes;
  };
  for (Case c : {Case{999, false}, Case{1000, true}}) {
    ResetScreenSaverFilter();
    a.mInputQueue.clear();
    gLastMonitorPowerTick = GetTickCount();
    Platform::AdvanceFakeClock(c.after);
    EXPECT_FALSE(FilterScreenSaverMessage(window, WM_ACTIVATEAPP, 0, 0, &result));
    EXPECT_EQ(CloseQueued(a), c.closes) << c.after;
  }
  // Commands that would end or hide the saver are swallowed.
  ResetScreenSaverFilter();
  EXPECT_TRUE(FilterScreenSaverMessage(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0, &result));
  EXPECT_TRUE(FilterScreenSaverMessage(window, WM_SYSCOMMAND, SC_CLOSE, 0, &result));
  EXPECT_FALSE(FilterScreenSaverMessage(window, WM_SYSCOMMAND, SC_MINIMIZE, 0, &result));
}

TEST_F(ScreenSaverTest, IdlePauseFollowsTheSystemTimeout) {
  struct Case {
    int timeout;
    DWORD notYet;
  };
  for (Case c : {Case{60, 58000}, Case{2, 1000}, Case{1, 1000}}) {
    SCOPED_TRACE(c.timeout);
    app.reset();
    gScreenSaverPause = false;
    ResetScreenSaverIdleCheck();
    StartupApp& a = Started(false);
    Script("0 screensaver timeout " + std::to_string(c.timeout) + "\n0 screensaver active 1\n");
    Pump();
    a.mLastInputTime = timeGetTime();
    Platform::AdvanceFakeClock(c.notYet);
    a.CheckScreenSaverIdle();
    EXPECT_FALSE(gScreenSaverPause);
    Platform::AdvanceFakeClock(1);
    a.CheckScreenSaverIdle();
    EXPECT_TRUE(gScreenSaverPause);
    // Input ends it and everything is drawn again.
    a.mWidgetManager->mDirty = false;
    a.mLastInputTime = timeGetTime();
    a.CheckScreenSaverIdle();
    EXPECT_FALSE(gScreenSaverPause);
    EXPECT_TRUE(a.mWidgetManager->mDirty);
  }
}

TEST_F(ScreenSaverTest, ARunningSaverKeepsThePauseAndFullScreenNeverPauses) {
  StartupApp& a = Started(false);
  Script("0 screensaver timeout 60\n0 screensaver active 1\n0 screensaver running 1\n");
  Pump();
  a.mLastInputTime = timeGetTime();
  Platform::AdvanceFakeClock(60000);
  a.CheckScreenSaverIdle();
  ASSERT_TRUE(gScreenSaverPause);
  a.mLastInputTime = timeGetTime();
  a.CheckScreenSaverIdle();
  EXPECT_TRUE(gScreenSaverPause) << "the system saver runs";

  // The close box still works while paused.
  PostMessageA(a.mMainWindow.load(), WM_CLOSE, 0, 0);
  for (int i = 0; i < 20 && !a.mShuttingDown; ++i) {
    a.StepAppOnce(nullptr);
    Platform::AdvanceFakeClock(10);
  }
  EXPECT_TRUE(a.mShuttingDown);

  app.reset();
  gScreenSaverPause = false;
  ResetScreenSaverIdleCheck();
  StartupApp& b = Started(false);
  b.mWindowIsWindowed = false;
  b.mLastInputTime = timeGetTime();
  Platform::AdvanceFakeClock(120000);
  b.CheckScreenSaverIdle();
  EXPECT_FALSE(gScreenSaverPause);
}

}  // namespace
}  // namespace startuptest
