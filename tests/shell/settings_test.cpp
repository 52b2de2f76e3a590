// Registry settings of the application object: key paths, typed values,
// failures that leave outputs alone, the nine saved settings and the range
// checks on values read back.
#include <sys/stat.h>

#include <limits>

#include "display/D3DInterface.h"
#include "platform/Registry.h"
#include "tests/shell/startup_support.h"

namespace startuptest {
namespace {

class SettingsTest : public StartupFixture {
 protected:
  std::string StoreFile(const std::string& keyFolder = "SOFTWARE/KivoTest") const {
    return Platform::RegistryRoot() + "/" + keyFolder + "/values.reg";
  }
  std::string ReadFile(const std::string& path) const {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
};

TEST_F(SettingsTest, WithoutARegistryKeyNothingIsReadOrWritten) {
  StartupApp& a = NewApp();
  a.mRegistryKey.clear();
  EXPECT_FALSE(a.StoreRegistryInt("MusicVolume", 10));
  EXPECT_FALSE(a.StoreRegistryString("Name", "x"));
  int32_t value = 77;
  EXPECT_FALSE(a.FetchRegistryInt("MusicVolume", &value));
  EXPECT_EQ(value, 77);
  a.RemoveRegistryValue(L"MusicVolume");
  a.LoadSettings();
  EXPECT_TRUE(a.mSettingsLoaded);
  EXPECT_DOUBLE_EQ(a.mMusicVolume, 0.85);
  EXPECT_TRUE(a.mWindowed);
  a.SaveSettings();
  struct stat info {};
  EXPECT_NE(stat(Platform::RegistryRoot().c_str(), &info), 0) << "the store was touched";
}

TEST_F(SettingsTest, TrailingSeparatorsAndSubKeys) {
  StartupApp& a = NewApp();
  std::string valueName;
  for (const char* key : {"Game", "Game\\", "Game/"}) {
    a.mRegistryKey = key;
    EXPECT_EQ(a.RegistryKeyPath("X", &valueName), "SOFTWARE\\Game") << key;
    EXPECT_EQ(valueName, "X");
  }
  a.mRegistryKey = "Game\\\\";
  EXPECT_EQ(a.RegistryKeyPath("X", &valueName), "SOFTWARE\\Game\\");

  a.mRegistryKey = "Game/";
  ASSERT_TRUE(a.StoreRegistryInt("Shared", 5));
  a.mRegistryKey = "Game";
  int32_t value = 0;
  ASSERT_TRUE(a.FetchRegistryInt("Shared", &value));
  EXPECT_EQ(value, 5);

  ASSERT_TRUE(a.StoreRegistryString("Test3D\\RuntimeError", "Draw: lost"));
  HKEY sub = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Game\\Test3D", 0, KEY_READ, &sub), ERROR_SUCCESS);
  DWORD type = 0;
  DWORD size = 0;
  ASSERT_EQ(RegQueryValueExA(sub, "RuntimeError", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  RegCloseKey(sub);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, 10u) << "stored without a terminator";
}

TEST_F(SettingsTest, FailedFetchesLeaveTheOutputsAlone) {
  StartupApp& a = NewApp();
  ASSERT_TRUE(a.StoreRegistryString("Text", "1234"));
  ASSERT_TRUE(a.StoreRegistryString("Long", "a longer text"));
  int32_t value = -7;
  bool flag = true;
  EXPECT_FALSE(a.FetchRegistryInt("Text", &value)) << "a string is not an integer";
  EXPECT_FALSE(a.FetchRegistryBool("Text", &flag));
  EXPECT_FALSE(a.FetchRegistryInt("Missing", &value));
  EXPECT_EQ(value, -7);
  EXPECT_TRUE(flag);
  uint8_t buffer[4] = {9, 9, 9, 9};
  DWORD size = 4;
  DWORD type = 99;
  EXPECT_FALSE(a.FetchRegistryValue("Long", &type, buffer, &size));
  EXPECT_EQ(type, 99u);
  EXPECT_EQ(size, 4u);
  for (uint8_t b : buffer) EXPECT_EQ(b, 9);
  size = 4;
  ASSERT_TRUE(a.FetchRegistryValue("Text", &type, buffer, &size));
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), size), "1234");
}

TEST_F(SettingsTest, TheNineValuesAreSavedInOrder) {
  StartupApp& a = NewApp();
  a.mMusicVolume = 0.857;
  a.SaveSettings();
  std::vector<std::string> names;
  std::istringstream lines(ReadFile(StoreFile()));
  std::string line;
  while (std::getline(lines, line))
    if (!line.empty() && line[0] != '#') names.push_back(line.substr(0, line.find('\t')));
  EXPECT_EQ(names, (std::vector<std::string>{"MusicVolume", "SfxVolume", "Muted", "ScreenMode", "PreferredX",
                                             "PreferredY", "CustomCursors", "InProgress", "WaitForVSync"}));
  int32_t music = 0;
  ASSERT_TRUE(ReadDword("MusicVolume", &music));
  EXPECT_EQ(music, 85);
  a.mSettingsLoaded = false;
  app.reset();
  StartupApp& b = NewApp();
  b.LoadSettings();
  EXPECT_DOUBLE_EQ(b.mMusicVolume, 0.85);
}

TEST_F(SettingsTest, APercentageReadIsWrittenBackUnchanged) {
  StartupApp& a = NewApp();
  // 29, 57 and 58 are the ones whose n / 100 * 100 falls just below n.
  for (int n : {0, 1, 28, 29, 57, 58, 85, 99, 100}) {
    WriteDword("MusicVolume", n);
    WriteDword("SfxVolume", n);
    a.LoadSettings();
    a.SaveSettings();
    int32_t music = -1, sfx = -1;
    ASSERT_TRUE(ReadDword("MusicVolume", &music));
    ASSERT_TRUE(ReadDword("SfxVolume", &sfx));
    ASSERT_EQ(music, n);
    ASSERT_EQ(sfx, n);
  }
}

TEST_F(SettingsTest, StoredValuesAreRangeChecked) {
  struct Case {
    int32_t music, sfx, muted, screenMode;
    double wantMusic, wantSfx;
    int wantMuteCount;
    bool wantWindowed;
  };
  const Case cases[] = {
      {500, -20, -1, 2, 1.0, 0.0, 0, false},
      {40, 29, 1, 0, 0.40, 0.29, 1, true},
      {100, 0, 3, 1, 1.0, 0.0, 3, false},
  };
  for (const Case& c : cases) {
    app.reset();  // its shutdown saves
    WriteDword("MusicVolume", c.music);
    WriteDword("SfxVolume", c.sfx);
    WriteDword("Muted", c.muted);
    WriteDword("ScreenMode", c.screenMode);
    StartupApp& a = NewApp();
    a.LoadSettings();
    EXPECT_DOUBLE_EQ(a.mMusicVolume, c.wantMusic);
    EXPECT_DOUBLE_EQ(a.mSfxVolume, c.wantSfx);
    EXPECT_EQ(a.mMuteCount, c.wantMuteCount);
    EXPECT_EQ(a.mWindowed, c.wantWindowed);
    if (c.wantMuteCount == 0) {
      a.MuteAudio(false);
      EXPECT_TRUE(a.IsAudioMuted()) << "one mute mutes";
    } else {
      // A stored count takes as many unmutes as it counts.
      for (int i = 1; i < c.wantMuteCount; ++i) a.UnmuteAudio(false);
      EXPECT_TRUE(a.IsAudioMuted());
      a.UnmuteAudio(false);
      EXPECT_FALSE(a.IsAudioMuted()) << "the last unmute unmutes";
    }
  }
  app.reset();
  WriteDword("Muted", std::numeric_limits<int32_t>::max());
  StartupApp& a = NewApp();
  a.LoadSettings();
  a.MuteAudio(true);  // must not overflow the stored count
  EXPECT_EQ(a.mMuteCount, std::numeric_limits<int32_t>::max());
  EXPECT_EQ(a.mFocusMuteCount, 0);
}

TEST_F(SettingsTest, InProgressMarksARunningSessionExceptAScreenSaver) {
  StartupApp& a = NewApp();
  a.LoadSettings();
  EXPECT_TRUE(a.mCleanExit);
  int32_t value = 0;
  ASSERT_TRUE(ReadDword("InProgress", &value));
  EXPECT_EQ(value, 1);
  a.mSettingsLoaded = false;  // ends as a crash would: nothing saved
  app.reset();
  StartupApp& b = NewApp();
  b.LoadSettings();
  EXPECT_FALSE(b.mCleanExit) << "the last run did not save";
  b.SaveSettings();
  ASSERT_TRUE(ReadDword("InProgress", &value));
  EXPECT_EQ(value, 0);
  b.mSettingsLoaded = false;
  app.reset();
  StartupApp& c = NewApp();
  c.mScreenSaverMode = true;
  c.LoadSettings();
  ASSERT_TRUE(ReadDword("InProgress", &value));
  EXPECT_EQ(value, 0);
}

// A played demo replays the settings its recording saved, but the run
// itself ended cleanly: the live store says so.
TEST_F(SettingsTest, APlayedDemoEndsWithItsRunMarkedFinished) {
  StartupApp& a = NewApp();
  a.LoadSettings();
  a.mPlaying = true;
  a.mWindowClosed = true;  // the recorded close: the journal has nothing more
  a.SaveSettings();
  a.mPlaying = false;
  int32_t value = 0;
  ASSERT_TRUE(ReadDword("InProgress", &value));
  EXPECT_EQ(value, 0);
  ASSERT_FALSE(ReadDword("PreferredX", &value)) << "the other settings stay the recording's";
}

TEST_F(SettingsTest, TheStringTableCanMoveTheKey) {
  WriteDword("MusicVolume", 12, "SOFTWARE\\Elsewhere");
  StartupApp& a = NewApp();
  a.DefineText("RegistryKey", L"Elsewhere");
  a.LoadSettings();
  EXPECT_EQ(a.mRegistryKey, "Elsewhere");
  EXPECT_DOUBLE_EQ(a.mMusicVolume, 0.12);
}

TEST_F(SettingsTest, AWriteTheStoreRefusesReportsFailureAndJournalsIt) {
  StartupApp& a = NewApp();
  a.mRecording = true;
  ASSERT_TRUE(a.StoreRegistryInt("First", 1));
  // The key opens, but the store refuses a value this large.
  std::vector<uint8_t> huge(Platform::kMaxRegistryValueBytes + 1, 0x41);
  EXPECT_FALSE(a.StoreRegistryValue("Huge", REG_SZ, huge.data(), static_cast<DWORD>(huge.size())));
  // A key that cannot be created: a file stands where its folder would go.
  a.mRegistryKey = "KivoTest/values.reg/Deeper";
  EXPECT_FALSE(a.StoreRegistryInt("Second", 2));
  EXPECT_EQ(a.journalledStores, (std::vector<bool>{true, false, false}));
  a.mRecording = false;

  // The journal holds the three results, so the start replays them in order
  // without touching the store.
  a.mRegistryKey = "KivoTest";
  a.mPlaying = true;
  a.mDemoBuffer.Rewind();
  a.mHeaderNeeded = true;
  a.mLastEventUpdate = 0;
  EXPECT_TRUE(a.StoreRegistryInt("Replayed", 3));
  EXPECT_FALSE(a.StoreRegistryInt("Replayed", 4));
  EXPECT_FALSE(a.StoreRegistryInt("Replayed", 5));
  EXPECT_TRUE(a.mPlaying) << "the journal ran short";
  a.mPlaying = false;
  int32_t value = 0;
  EXPECT_FALSE(a.FetchRegistryInt("Replayed", &value)) << "playback must not write the store";
}

TEST_F(SettingsTest, ACorruptStoreLeavesTheDefaults) {
  StartupApp& a = NewApp();
  ASSERT_TRUE(a.StoreRegistryInt("Probe", 1));
  app.reset();
  std::ofstream(StoreFile(), std::ios::trunc) << "MusicVolume\t4\tzz\n\x01\x02garbage\tline\nSfxVolume\t4\t0102\n";
  StartupApp& b = NewApp();
  b.LoadSettings();
  EXPECT_DOUBLE_EQ(b.mMusicVolume, 0.85);
  EXPECT_DOUBLE_EQ(b.mSfxVolume, 0.85) << "a two-byte value is not an integer setting";
  EXPECT_TRUE(b.mWindowed);
}

}  // namespace
}  // namespace startuptest

namespace startuptest {
namespace {

// The renderer records its runtime errors under the application's key.
TEST_F(SettingsTest, LoadingSettingsGivesTheRendererTheRegistryKey) {
  StartupApp& a = NewApp();
  a.mRegistryKey = "KivoTest/";
  a.LoadSettings();
  EXPECT_EQ(Kivo::gD3DRegistryKey, "KivoTest");
  a.mRegistryKey.clear();
  a.LoadSettings();
  EXPECT_EQ(Kivo::gD3DRegistryKey, "");
}

}  // namespace
}  // namespace startuptest
