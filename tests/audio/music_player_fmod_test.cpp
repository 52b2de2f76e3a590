// The second music player against a recording fake of its library: module
// and sample songs, fades that always end at 1.0, the cached WAV of a
// decoded sample, intro-and-loop joining, and fatal library errors.
#include "audio/FmodMusicInterface.h"
#include "music_fake_libraries.h"
#include "shell/base/Paths.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace Kivo {
namespace {

using namespace MusicFakes;
using Calls = std::vector<std::string>;

int gModuleA, gModuleB, gSampleA, gSampleB, gSampleC, gJoined;

std::string P(const void* p) {
  char text[32];
  std::snprintf(text, sizeof text, "%p", p);
  return text;
}

class music_player_FMod : public ::testing::Test {
 protected:
  void SetUp() override {
    SampleFake() = SampleFakeState();
    InstallFakeLibraries();
    mFolder = std::filesystem::temp_directory_path() / ("music_fmod_" + std::to_string(::getpid()));
    std::filesystem::create_directories(mFolder);
    mSavedFolder = gUserDataFolder;
    SetUserDataFolder(mFolder.string());
    mPlayer = std::make_unique<FModMusicInterface>(nullptr);
  }
  void TearDown() override {
    mPlayer.reset();
    RestoreLibraries();
    gUserDataFolder = mSavedFolder;
    std::filesystem::remove_all(mFolder);
  }

  void LoadModule(int id, void* module) {
    SampleFake().nextModule = module;
    ASSERT_TRUE(mPlayer->LoadSong(id, "song.xm"));
    TakeSampleCalls();
  }
  // A sample song whose source decodes to the fake sample.
  void LoadSample(int id, const std::string& name, void* sample, bool loop) {
    SampleFake().samplesByName[name + ".ogg"] = sample;
    SampleFake().sampleInfo[sample].frames = 4;
    ASSERT_TRUE(mPlayer->LoadSampleSong(id, name, loop));
    TakeSampleCalls();
  }
  std::string CachePath(const std::string& stem) const { return (mFolder / "cached" / (stem + ".wav")).string(); }

  std::filesystem::path mFolder;
  std::string mSavedFolder;
  std::unique_ptr<FModMusicInterface> mPlayer;
};

TEST_F(music_player_FMod, ConstructionLeavesTheLibraryAlone) {
  EXPECT_TRUE(TakeSampleCalls().empty());
  mPlayer.reset();
  EXPECT_TRUE(TakeSampleCalls().empty());
}

TEST_F(music_player_FMod, LoadSongTakesOnlyModules) {
  SampleFake().nextModule = nullptr;
  EXPECT_FALSE(mPlayer->LoadSong(0, "menu.ogg"));
  EXPECT_EQ(TakeSampleCalls(), Calls{"LoadSong(menu.ogg)"});
  EXPECT_FALSE(mPlayer->IsSongPlaying(0));
  LoadModule(0, &gModuleA);
  // A second load keeps the first module.
  SampleFake().nextModule = &gModuleB;
  EXPECT_TRUE(mPlayer->LoadSong(0, "other.xm"));
  TakeSampleCalls();
  mPlayer->StopSong(0);
  EXPECT_EQ(TakeSampleCalls(), Calls{"StopSong(" + P(&gModuleA) + ")"});
}

TEST_F(music_player_FMod, ModulePlaySong) {
  LoadModule(1, &gModuleA);
  const std::string m = P(&gModuleA);
  mPlayer->SetMusicVolume(0.5);
  EXPECT_EQ(TakeSampleCalls(), Calls{"SetMasterVolume(" + m + ",0)"});
  mPlayer->PlaySong(1, 3, false);
  EXPECT_EQ(TakeSampleCalls(), (Calls{"SetMasterVolume(" + m + ",50)", "SetLooping(" + m + ",2)", "PlaySong(" + m + ")",
                                      "SetOrder(" + m + ",3)"}));
  mPlayer->PlaySong(1, 0, true);
  EXPECT_EQ(TakeSampleCalls(), (Calls{"SetMasterVolume(" + m + ",50)", "SetLooping(" + m + ",1)", "PlaySong(" + m + ")",
                                      "SetOrder(" + m + ",0)"}));
  mPlayer->PauseSong(1);
  mPlayer->ResumeSong(1);
  mPlayer->StopSong(1);
  EXPECT_EQ(TakeSampleCalls(),
            (Calls{"SetModulePaused(" + m + ",1)", "SetModulePaused(" + m + ",0)", "StopSong(" + m + ")"}));
}

TEST_F(music_player_FMod, FadeInOnPlayingModuleSetsOnlyStepLoopingAndOrder) {
  LoadModule(1, &gModuleA);
  const std::string m = P(&gModuleA);
  SampleFake().modulePlaying[&gModuleA] = 1;
  mPlayer->FadeInSong(1, -1, 0.5, false);
  EXPECT_EQ(TakeSampleCalls(),
            (Calls{"SetMasterVolume(" + m + ",0)", "SetLooping(" + m + ",2)", "IsModulePlaying(" + m + ")"}));
  mPlayer->FadeInSong(1, 2, 0.5, true);
  EXPECT_EQ(TakeSampleCalls(), (Calls{"SetMasterVolume(" + m + ",0)", "SetLooping(" + m + ",1)",
                                      "IsModulePlaying(" + m + ")", "SetOrder(" + m + ",2)"}));
  SampleFake().modulePlaying[&gModuleA] = 0;
  mPlayer->FadeInSong(1, -1, 0.5, false);
  EXPECT_EQ(TakeSampleCalls(), (Calls{"SetMasterVolume(" + m + ",0)", "SetLooping(" + m + ",2)",
                                      "IsModulePlaying(" + m + ")", "PlaySong(" + m + ")"}));
}

TEST_F(music_player_FMod, FadesAlwaysEndAtFullVolume) {
  LoadModule(1, &gModuleA);
  const std::string m = P(&gModuleA);
  mPlayer->FadeInSong(1, -1, 0.4, false);
  mPlayer->SetSongMaxVolume(1, 0.5);
  TakeSampleCalls();
  for (int i = 0; i < 4; ++i) mPlayer->Update();
  EXPECT_EQ(TakeSampleCalls(), (Calls{"SetMasterVolume(" + m + ",40)", "SetMasterVolume(" + m + ",80)",
                                      "SetMasterVolume(" + m + ",100)"}));
  // A fade out with stop stops in the update that falls below 0.
  mPlayer->FadeOutSong(1, true, 0.5);
  mPlayer->Update();
  mPlayer->Update();
  mPlayer->Update();
  EXPECT_EQ(TakeSampleCalls(), (Calls{"SetMasterVolume(" + m + ",50)", "SetMasterVolume(" + m + ",0)",
                                      "StopSong(" + m + ")", "SetMasterVolume(" + m + ",0)"}));
}

TEST_F(music_player_FMod, DestructionFreesTheSamplesOfSampleSongs) {
  LoadSample(3, "one", &gSampleA, true);
  LoadModule(4, &gModuleA);
  mPlayer.reset();
  EXPECT_EQ(TakeSampleCalls(), Calls{"Sample_Free(" + P(&gSampleA) + ")"});
}

TEST_F(music_player_FMod, SampleSongsPlayOnTheirOwnChannels) {
  LoadSample(3, "one", &gSampleA, true);
  LoadSample(4, "two", &gSampleB, false);
  mPlayer->PlaySong(3, 0, false);
  mPlayer->PlaySong(4, 0, false);
  EXPECT_EQ(TakeSampleCalls(), (Calls{"PlaySound(3," + P(&gSampleA) + ")", "SetLoopMode(3,2)", "SetVolume(3,100)",
                                      "PlaySound(4," + P(&gSampleB) + ")", "SetLoopMode(4,1)", "SetVolume(4,100)"}));
  SampleFake().channelPlaying[3] = 1;
  EXPECT_TRUE(mPlayer->IsSongPlaying(3));
  EXPECT_FALSE(mPlayer->IsSongPlaying(4));
  EXPECT_EQ(TakeSampleCalls(), (Calls{"IsPlaying(3)", "IsPlaying(4)"}));
  mPlayer->PauseSong(4);
  mPlayer->StopAllSongs();
  EXPECT_EQ(TakeSampleCalls(), (Calls{"SetPaused(4,1)", "StopSound(3)", "StopSound(4)"}));
  // A fade in starts a sample song only when its channel is silent.
  mPlayer->FadeInSong(3, 0, 0.1, false);
  mPlayer->FadeInSong(4, 0, 0.1, false);
  EXPECT_EQ(TakeSampleCalls(), (Calls{"IsPlaying(3)", "SetVolume(3,0)", "IsPlaying(4)",
                                      "PlaySound(4," + P(&gSampleB) + ")", "SetLoopMode(4,1)", "SetVolume(4,0)"}));
}

TEST_F(music_player_FMod, CachedSampleIsPlainPcmWavAndReused) {
  auto& info = SampleFake().sampleInfo[&gSampleA];
  info.mode = 0x10 | 0x20;  // 16-bit mono
  info.frequency = 22050;
  info.frames = 3;
  info.bytes = {1, 2, 3, 4, 5, 6};
  SampleFake().samplesByName["data/sound/theme.ogg"] = &gSampleA;
  EXPECT_EQ(P(mPlayer->LoadCachedSample("data/sound/theme")), P(&gSampleA));
  const std::string cache = UserDataFolder() + "cached\\theme.wav";
  EXPECT_EQ(TakeSampleCalls(), (Calls{"Sample_Load(-1," + cache + ",0,0)", "Sample_Load(-1,data/sound/theme.ogg,0,0)",
                                      "Sample_Lock(" + P(&gSampleA) + ",0,6)", "Sample_Unlock(" + P(&gSampleA) + ")"}));
  std::ifstream in(CachePath("theme"), std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::vector<uint8_t> golden = {
      'R',  'I', 'F', 'F',  42,   0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0, 0x22,
      0x56, 0,   0,   0x44, 0xAC, 0, 0, 2, 0,   16,  0,   'd', 'a', 't', 'a', 6,   0,  0, 0, 1, 2, 3, 4, 5, 6};
  EXPECT_EQ(bytes, golden);
  // Once written, the cache answers, whatever became of the source.
  SampleFake().samplesByName[cache] = &gSampleB;
  EXPECT_EQ(P(mPlayer->LoadCachedSample("data/sound/theme")), P(&gSampleB));
  EXPECT_EQ(TakeSampleCalls(), Calls{"Sample_Load(-1," + cache + ",0,0)"});
}

TEST_F(music_player_FMod, CachedSampleWithoutLockIsUsedUncached) {
  auto& info = SampleFake().sampleInfo[&gSampleA];
  info.frames = 3;
  info.lockFails = true;
  SampleFake().samplesByName["x.ogg"] = &gSampleA;
  EXPECT_EQ(P(mPlayer->LoadCachedSample("x")), P(&gSampleA));
  EXPECT_FALSE(std::filesystem::exists(CachePath("x")));
  EXPECT_EQ(mPlayer->LoadCachedSample("missing"), nullptr);
  EXPECT_FALSE(mPlayer->LoadSampleSong(2, "missing", true));
}

TEST_F(music_player_FMod, IntroAndLoopJoin) {
  for (void* s : {static_cast<void*>(&gSampleA), static_cast<void*>(&gSampleB), static_cast<void*>(&gSampleC)}) {
    auto& info = SampleFake().sampleInfo[s];
    info.mode = 0x10 | 0x40;  // 16-bit stereo: 4 bytes a frame
    info.lockFails = false;
  }
  SampleFake().sampleInfo[&gSampleA].frames = 2;
  SampleFake().sampleInfo[&gSampleA].bytes = {1, 1, 1, 1, 2, 2, 2, 2};
  SampleFake().sampleInfo[&gSampleB].frames = 1;
  SampleFake().sampleInfo[&gSampleB].bytes = {3, 3, 3, 3};
  SampleFake().sampleInfo[&gSampleC].frequency = 22050;
  SampleFake().sampleInfo[&gSampleC].frames = 1;
  SampleFake().samplesByName = {{"intro.ogg", &gSampleA}, {"loop.ogg", &gSampleB}, {"slow.ogg", &gSampleC}};
  SampleFake().sampleInfo[&gJoined] = {};
  SampleFake().allocResult = &gJoined;

  EXPECT_FALSE(mPlayer->LoadIntroLoopSong(5, "intro", "slow", true));
  Calls refused = TakeSampleCalls();
  ASSERT_GE(refused.size(), 2u);
  EXPECT_EQ(Calls(refused.end() - 2, refused.end()),
            (Calls{"Sample_Free(" + P(&gSampleA) + ")", "Sample_Free(" + P(&gSampleC) + ")"}))
      << "a refused pair frees its parts";
  EXPECT_FALSE(mPlayer->LoadIntroLoopSong(5, "intro", "absent", true));
  EXPECT_EQ(TakeSampleCalls().back(), "Sample_Free(" + P(&gSampleA) + ")");
  EXPECT_TRUE(mPlayer->LoadIntroLoopSong(5, "intro", "loop", true));
  Calls calls = TakeSampleCalls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), "Sample_Alloc(-1,3,0x52,44100,255,128,0)"), calls.end());
  EXPECT_EQ(calls.back(), "Sample_SetLoopPoints(" + P(&gJoined) + ",2,3)");
  EXPECT_EQ(SampleFake().sampleInfo[&gJoined].bytes, (std::vector<uint8_t>{1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3}));
  mPlayer->PlaySong(5, 0, false);
  EXPECT_EQ(TakeSampleCalls().front(), "PlaySound(5," + P(&gJoined) + ")");
}

void MakeFModPlayer(bool noLibrary, const std::set<std::string>& missing) {
  SampleFake() = SampleFakeState();
  SampleFake().missing = missing;
  InstallFakeLibraries(noLibrary);
  FModMusicInterface player(nullptr);
}

TEST(music_player_Death, MissingSampleLibraryOrEntryPointEndsWithFailure) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // The error box must not wait for a click when a display is present.
  ::setenv("GAME_BACKEND", "headless", 1);
  const char* kBox = ".*type=0x10 title=.Error.";
  EXPECT_EXIT(MakeFModPlayer(true, {}), ::testing::ExitedWithCode(1),
              std::string("Error: Can't find fmod.dll.") + kBox);
  EXPECT_EXIT(MakeFModPlayer(false, {"_FSOUND_Init@12"}), ::testing::ExitedWithCode(1),
              std::string("Error: \"_FSOUND_Init@12\" function not found in fmod.dll") + kBox);
  RestoreLibraries();
}

}  // namespace
}  // namespace Kivo
